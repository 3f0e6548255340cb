// Shared set-up for the wide engine tests: a pty whose far end the test plays
// as the Data Collector, a fresh current directory, and engine runs on a thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/scratch_directory.h"
#include "session/transfer_session.h"
#include "support/files.h"
#include "support/scripted_peer.h"
#include "wide/wide_context.h"

namespace corvane::testing {

// Runs `body` on a thread; one still running at the end is cancelled and joined.
class EngineThread {
 public:
  explicit EngineThread(std::function<int()> body) : result_(std::async(std::launch::async, std::move(body))) {}
  ~EngineThread() {
    if (!Result(0)) Session().cancelEvent.Set();
  }
  // The body's result, or nothing when it has not ended within `waitMs`.
  std::optional<int> Result(std::uint32_t waitMs) {
    if (result_.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready) return std::nullopt;
    return result_.get();
  }

 private:
  std::shared_future<int> result_;
};

class WideTestBed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.IsReady());
    Session().bytesDone = Session().bytesTotal = 0;
    std::filesystem::current_path(directory_.Path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  ScriptedPeer peer_{dc::Framing::Wide};

 private:
  std::filesystem::path previous_ = std::filesystem::current_path();
  ScratchDirectory directory_;
};

}  // namespace corvane::testing
