// Shared set-up for the classic engine tests: a fresh engine, a scratch
// directory, the engine running on its own thread against a scripted peer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <future>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/kermit_frames.h"
#include "support/serial_peer.h"

namespace corvane::testing {

// Back to the compiled defaults: settings, link state, slots, counters.
void ResetClassicEngine();

// Reads the engine's time faster than it passes: a read time-out of one second
// ends after a few milliseconds. Only while no engine thread starts or stops.
class FastClock {
 public:
  FastClock();
  ~FastClock();
  FastClock(const FastClock&) = delete;
  FastClock& operator=(const FastClock&) = delete;

 private:
  std::uint32_t savedLastTick_;
};

// A fresh directory that is the current one, and TMPDIR, for the test's duration.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
  std::optional<std::string> previousTemporary_;
};

// Runs an engine entry on a thread; a run still going at the end is cancelled.
class EngineRun {
 public:
  explicit EngineRun(std::function<void()> body);
  ~EngineRun();
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;
  bool Finished(std::uint32_t waitMs);

 private:
  std::future<void> done_;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
// Every packet in a captured stream, in order.
std::vector<KermitFrame> SplitPackets(std::string_view bytes);

class ClassicPeerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The next packet the engine sends; a failed expectation when none comes.
  KermitFrame NextPacket(std::uint32_t timeoutMs = 5000);
  // Like NextPacket, and checks its type, number and a good check.
  KermitFrame Expect(char type, int sequence, std::uint32_t timeoutMs = 5000);
  void Reply(char type, int sequence, std::string_view data = {});
  // Nothing more arrives within `quietMs`.
  void ExpectSilence(std::uint32_t quietMs = 300);

  SerialPeer peer_;
  ScratchDirectory scratch_;
};

}  // namespace corvane::testing
