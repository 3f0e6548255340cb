// The files the benchmark moves: made afresh from fixed seeds, so that every run
// of every build transfers the same bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace corvane::bench {

struct BenchMedia {
  std::string text;         // words wrapped at 76 columns, CR LF line ends
  std::string points;       // a .CR5 coordinate file as the PC keeps it (binary)
  std::string pointsText;   // the same points as they travel: one text line each
  std::string binary;       // uniformly random bytes
};

// `size` bytes of text and of binary; as many points as fill `size` bytes of text lines.
BenchMedia MakeMedia(std::size_t size);

bool WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace corvane::bench
