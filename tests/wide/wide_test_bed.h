// Shared set-up for the wide engine tests: a pty whose far end the test plays
// as the Data Collector, a fresh current directory, and engine runs on a thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <future>
#include <string>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>

#include "support/serial_peer.h"
#include "support/wide_frames.h"

namespace corvane::testing {

// Type and sequence ("Y0"), then the data ("F1 A.TXT 3") or, for an error
// packet that carries a code, the length ("E0 #255"); " BADCHECK" when the
// check is wrong; "none" when no packet came.
std::string Describe(const std::optional<WideFrame>& frame);

// The engine's time runs 50 times faster than the wall clock: its 3-second
// waits end after about 60 ms. Only while no engine thread starts or stops.
class FastClock {
 public:
  FastClock();
  ~FastClock();
  FastClock(const FastClock&) = delete;
  FastClock& operator=(const FastClock&) = delete;

 private:
  std::uint32_t savedLastTick_;
};

class WideTestBed : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The next packet from the engine, described.
  std::string Next(std::uint32_t timeoutMs = 5000);
  std::optional<WideFrame> NextFrame(std::uint32_t timeoutMs = 5000);
  void Send(char type, int sequence, std::string_view data = {});
  // Plays the Data Collector's side of an exchange: "<F1 A.TXT 3" sends an F
  // with sequence 1 and that data, ">Y1" expects the engine's next packet to
  // be described so (see Describe).
  void Play(std::initializer_list<std::string_view> steps);

  std::filesystem::path Here() const { return directory_; }
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;

  SerialPeer peer_;

 private:
  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

// Runs `body` on a thread; one still running at the end is cancelled and joined.
class EngineThread {
 public:
  explicit EngineThread(std::function<int()> body);
  ~EngineThread();
  EngineThread(const EngineThread&) = delete;
  EngineThread& operator=(const EngineThread&) = delete;
  // The body's result, or nothing when it has not ended within `waitMs`.
  std::optional<int> Result(std::uint32_t waitMs);

 private:
  std::packaged_task<int()> task_;
  std::future<int> result_;
  std::thread thread_;
};

}  // namespace corvane::testing
