// The C interface's hand-overs between the worker and the caller's thread, with
// a controllable dispatcher in place of the engines (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "corvane/corvane.h"
#include "platform/thread.h"
#include "session/fake_engines.h"
#include "session/host_seams.h"
#include "session/transfer_session.h"

namespace corvane {
namespace {

struct Seen {
  std::thread::id callbackThread;
  int questions = 0;
  bool cancelFromProgress = false;
};

int AnswerRenamed(void* user, const char* /*proposed*/, char* newName, std::size_t capacity) {
  auto* seen = static_cast<Seen*>(user);
  seen->callbackThread = std::this_thread::get_id();
  ++seen->questions;
  std::snprintf(newName, capacity, "RENAMED.TXT");
  return 1;
}

void CancelOnProgress(void* user, std::int32_t, std::int32_t, const char*) {
  if (static_cast<Seen*>(user)->cancelFromProgress) corvane_cancel();
}

class CHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    corvane_set_save_as_callback(AnswerRenamed, &seen_);
    corvane_set_progress_callback(CancelOnProgress, &seen_);
    // The worker asks the Save As question, as a receive does when the file exists.
    fakeDispatch = [this](TransferCommand, const std::string&, const std::string&, std::string&, PlatformKind) {
      answer_ = AskSaveAs("EXISTS.TXT");
      return 0;
    };
    fakeServer = [] {
      while (!CancelRequested()) SleepMilliseconds(10);
      return 0;
    };
  }
  void TearDown() override {
    corvane_set_save_as_callback(nullptr, nullptr);
    corvane_set_progress_callback(nullptr, nullptr);
  }

  Seen seen_;
  std::optional<std::string> answer_;  // written by the worker before the operation ends
};

TEST_F(CHostTest, TheSaveAsQuestionIsAnsweredOnTheCallersThread) {
  EXPECT_EQ(corvane_receive(nullptr), CORVANE_OK);
  EXPECT_EQ(answer_, "RENAMED.TXT");
  EXPECT_EQ(seen_.callbackThread, std::this_thread::get_id());
}

TEST_F(CHostTest, ACancelWhileTheQuestionIsOpenEndsTheOperationUnasked) {
  seen_.cancelFromProgress = true;
  EXPECT_EQ(corvane_receive(nullptr), CORVANE_CANCELLED);
  EXPECT_EQ(answer_, std::nullopt);
  EXPECT_EQ(seen_.questions, 0);
}

TEST_F(CHostTest, ACancelFromAnotherThreadEndsTheServer) {
  std::atomic<bool> stop{false};
  std::thread canceller([&stop] {
    while (!stop && corvane_cancel() == 0) SleepMilliseconds(10);
  });
  EXPECT_EQ(corvane_serve(nullptr), CORVANE_CANCELLED);
  stop = true;
  canceller.join();
  EXPECT_EQ(corvane_cancel(), 0) << "nothing runs any more";
}

}  // namespace
}  // namespace corvane
