// What the fuzz targets share: bytes fed to the engines through the serial
// input buffer with the port closed, a clock that ends every wait at once, and
// a scratch tree standing in for the file system, with a served root and a
// directory outside it that nothing may touch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace corvane::fuzz {

// Puts `bytes` into the serial input buffer as if they had just arrived,
// followed by `padding` zero bytes, and restarts the runaway clock.
void FeedSerialInput(const std::uint8_t* bytes, std::size_t size, std::size_t padding = 0);

struct ScratchTree {
  std::filesystem::path base;
  std::filesystem::path root;     // the served root and current directory
  std::filesystem::path outside;  // beside the root; reachable only through links
};

// Created on first use under the temporary directory and left there, since
// libFuzzer ends the process without running exit handlers: root/ holds A.TXT, SUB/B.TXT, a
// link LINK to outside/ and FILELINK to outside/SECRET.TXT; TMPDIR is base/tmp.
// Also opens the session's cancel event and sets the runaway clock.
const ScratchTree& Scratch();

// Back to the root as current directory, with the root's files as they were.
void RestoreScratch();

// Stops the run with a crash report when outside/ is no longer exactly as made.
void CheckOutsideUntouched();

// Reports a broken property as a crash, which libFuzzer records with its input.
[[noreturn]] void Fail(const std::string& what);

}  // namespace corvane::fuzz
