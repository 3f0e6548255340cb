// The session runner and the exported functions, linked with a controllable
// dispatcher in place of the engines (this test program links no engine).
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <vector>

#include "api/dispatcher.h"
#include "api/runner.h"
#include "corvane32/corvane32.h"
#include "platform/thread.h"
#include "session/fake_engines.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"
#include "support/recording_host.h"

namespace corvane {
namespace {

struct DispatchCall {
  TransferCommand command;
  std::string first;
  std::string second;
  PlatformKind platform;
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TransferSetHostUi(&host_);
    fakeDispatch = [this](TransferCommand command, const std::string& first, const std::string& second,
                          std::string&, PlatformKind platform) {
      {
        std::lock_guard lock(mutex_);
        calls_.push_back({command, first, second, platform});
      }
      return 0;
    };
    fakeServer = [this] {
      {
        std::lock_guard lock(mutex_);
        calls_.push_back({TransferCommand::Server, "", "", PlatformKind::Auto});
      }
      while (!CancelRequested()) SleepMilliseconds(10);
      return 0;
    };
  }
  void TearDown() override {
    TransferSetHostUi(nullptr);
    TransferSetOtherPlatform(1);
  }
  DispatchCall LastCall() {
    std::lock_guard lock(mutex_);
    return calls_.back();
  }

  testing::RecordingHost host_;
  std::mutex mutex_;
  std::vector<DispatchCall> calls_;
};

TEST_F(SessionTest, StatusIsFalseBeforeAndAfterAnOperation) {
  std::int32_t done = -1, total = -1;
  EXPECT_FALSE(TransferGetStatus(done, total));
  ASSERT_TRUE(TransferSend("a", "b"));
  EXPECT_FALSE(TransferGetStatus(done, total));
  EXPECT_EQ(done, 0);
  EXPECT_EQ(total, 0);
}

TEST_F(SessionTest, TheAnimationRunsOnlyWhereItIsDrawn) {
  for (const bool drawn : {true, false}) {
    host_.surfaceDrawn = drawn;
    host_.frames = 0;
    ASSERT_TRUE(TransferReceive("x"));
    if (drawn) {
      EXPECT_GE(host_.frames, 3);  // every 100 ms of the operation's 250 ms at least
    } else {
      EXPECT_EQ(host_.frames, 1);
    }
  }
}

TEST_F(SessionTest, ArgumentsReachTheDispatcherAsTheOperationsDefine) {
  TransferSetOtherPlatform(7);
  using enum TransferCommand;
  struct Case {
    std::function<bool()> run;
    TransferCommand command;
    std::string first, second, message;
  };
  const std::vector<Case> cases = {
      {[] { return TransferReceive("OUT.TXT"); }, Receive, "OUT.TXT", "", "Receiving a file..."},
      {[] { return TransferSend("C:\\JOBS\\job.cr5", ""); }, Send, "C:\\JOBS\\job.cr5", "", "Sending job.cr5"},
      {[] { return TransferSend("plain.txt", "AS.TXT"); }, Send, "plain.txt", "AS.TXT", "Sending plain.txt"},
      {[] { return TransferGet("JOB.CR5", ""); }, Get, "JOB.CR5", "JOB.CR5", "Getting JOB.CR5"},
      {[] { return TransferGet("dir/LOCAL.CR5", "REMOTE.CR5"); }, Get, "REMOTE.CR5", "dir/LOCAL.CR5", "Getting LOCAL.CR5"},
      {[] { return TransferDirectory(""); }, Generic, "D", "", "Listing the directory on the Data Collector..."},
      {[] { return TransferChangeDirectory("\\DATA\\"); }, Generic, "C\\DATA\\", "",
       "Changing the Data Collector directory to \\DATA\\"},
      {[] { return TransferDelete("JOB.CR5"); }, Generic, "EJOB.CR5", "", "Deleting JOB.CR5 from the Data Collector..."},
  };
  for (const Case& c : cases) {
    host_.messages.clear();
    ASSERT_TRUE(c.run());
    const DispatchCall call = LastCall();
    EXPECT_EQ(std::tuple(call.command, call.first, call.second), std::tuple(c.command, c.first, c.second));
    EXPECT_EQ(call.platform, PlatformKind::Other) << "the value given to TransferSetOtherPlatform";
    ASSERT_FALSE(host_.messages.empty());
    EXPECT_EQ(host_.messages.back(), c.message);
  }
}

TEST_F(SessionTest, HostWindowIsDisabledAndEnabledAgain) {
  int window = 0;
  TransferOpenCom(250, 0, 0, &window);  // the port may not exist; the window is kept anyway
  ASSERT_TRUE(TransferReceive(""));
  EXPECT_EQ(host_.enableCalls, (std::vector<bool>{false, true}));
  host_.enableCalls.clear();
  TransferOpenCom(250, 0, 0, nullptr);
  ASSERT_TRUE(TransferReceive(""));
  EXPECT_TRUE(host_.enableCalls.empty());
}

TEST_F(SessionTest, ServerRunsUntilCancelled) {
  host_.StopWhen(true, [] { return true; });
  EXPECT_FALSE(TransferServer());
  EXPECT_EQ(LastCall().command, TransferCommand::Server);
  EXPECT_EQ(TransferGetLastError(), kResultCancelled);
  EXPECT_EQ(host_.messages.back(), "Running in SERVER MODE...");
}

TEST_F(SessionTest, EventsAreClosedBetweenOperations) {
  ASSERT_TRUE(TransferReceive(""));
  EXPECT_FALSE(Session().cancelEvent.IsOpen());
  EXPECT_FALSE(Session().busyEvent.IsOpen());
  EXPECT_FALSE(Session().startedEvent.IsOpen());
  EXPECT_TRUE(TransferCancel()) << "nothing runs";
  EXPECT_EQ(TransferGetLastError(), 0);
}

// The reported names and the removal of replies are pinned against the device.
TEST_F(SessionTest, NoOutputNameIsReportedWhenThereIsNone) {
  ASSERT_TRUE(TransferReceive(""));
  std::string name = "stale";
  EXPECT_FALSE(TransferGetOutputFilename(name));
  EXPECT_EQ(name, "");
}

// The texts inside the range and the coordinate one go out in the exchanges' error packets; here the edges.
TEST(ExportedFunctionsTest, ErrorTextsAreExact) {
  EXPECT_EQ(TransferErrorText(248), " Can't initiate Session (Message: #KER-102)");
  EXPECT_EQ(TransferErrorText(249), " Unknown server command (Message: #KER-103)");
  EXPECT_EQ(TransferErrorText(265), " File Not Found. (Message: #KER-118)");
  for (int code : {266, 247, 0, -3, -21}) EXPECT_EQ(TransferErrorText(code), "") << code;
  std::string text = "left over";
  ProtocolErrorText(1000, text);
  EXPECT_EQ(text, "");
}

TEST(ExportedFunctionsTest, OpenComOfAMissingPortFailsAndClearsTheResult) {
  EXPECT_TRUE(TransferSetOtherPlatform(-12345));
  TransferSetOtherPlatform(1);
  EXPECT_FALSE(TransferOpenCom(200, 9600, 0, nullptr));
  EXPECT_EQ(TransferGetLastError(), 0);
  EXPECT_FALSE(TransferOpenDevice("/dev/corvane-missing", 9600, 0, nullptr));
  TransferCloseCom();
  EXPECT_EQ(TransferGetLastError(), 0);
}

}  // namespace
}  // namespace corvane
