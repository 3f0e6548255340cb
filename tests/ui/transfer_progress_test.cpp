#include "ui/transfer_progress.h"

#include "platform/locale.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace corvane {
namespace {

// What the window drew, call by call.
struct Drawing {
  std::vector<std::string> statuses;
  std::vector<std::string> messages;
  std::vector<bool> barShown;
  std::vector<int> positions;
  std::vector<int> frames;
};

class RecordingSurface final : public ProgressSurface {
 public:
  explicit RecordingSurface(Drawing& drawing) : drawing_(drawing) {}
  void SetTexts(const std::string& message, const std::string& status) override {
    drawing_.messages.push_back(message);
    drawing_.statuses.push_back(status);
  }
  void ShowProgressBar(bool visible) override { drawing_.barShown.push_back(visible); }
  void SetProgressPosition(int percent) override { drawing_.positions.push_back(percent); }
  void ShowFrame(int frame) override { drawing_.frames.push_back(frame); }

 private:
  Drawing& drawing_;
};

class RecordingHost final : public HostUi {
 public:
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow, ProgressInput& input) override {
    inputSeen = &input;
    return std::make_unique<RecordingSurface>(drawing);
  }
  Drawing drawing;
  ProgressInput* inputSeen = nullptr;
};

class ProgressTest : public ::testing::Test {
 protected:
  ProgressTest()
      : progress([this](std::int32_t& d, std::int32_t& t) {
                   d = done;
                   t = total;
                   return busy;
                 },
                 [this] { return now; }) {}

  // Polls with the counters and clock given; returns the status shown afterwards.
  std::string PollAt(std::int64_t seconds, std::int32_t doneNow, std::int32_t totalNow, bool detailed = true) {
    now = seconds;
    done = doneNow;
    total = totalNow;
    EXPECT_TRUE(progress.Poll(detailed));
    return progress.Status();
  }

  std::int32_t done = 0;
  std::int32_t total = 0;
  bool busy = true;
  std::int64_t now = 1000;
  RecordingHost host;
  CTransferProgress progress;
};

TEST(FormatByteCount, Boundaries) {
  struct Case {
    std::int32_t count;
    const char* separator;
    const char* expected;
  };
  const Case cases[] = {
      {0, ",", "0 bytes"},
      {-5, ",", "-5 bytes"},
      {921, ",", "921 bytes"},
      {922, ",", "0.90 KB"},
      {1024, ",", "1.00 KB"},
      {9 * 1024, ",", "9.00 KB"},
      {9 * 1024 + 1, ",", "9.0 KB"},
      {99 * 1024, ",", "99.0 KB"},
      {99 * 1024 + 1, ",", "99 KB"},
      {999 * 1024, ",", "999 KB"},
      {1024 * 1024, ",", "1,024 KB"},
      {1024 * 1024, "", "1024 KB"},
      {1024 * 1024, ".", "1.024 KB"},
      {1024 * 1024, "\xC2\xA0", "1\xC2\xA0" "024 KB"},
      {INT32_MAX, ",", "2,097,152 KB"},
      {1000 * 1024 * 1024, ",", "1,024,000 KB"},
      {1536, ",", "1.50 KB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatByteCount(c.count, c.separator), c.expected) << c.count << " with '" << c.separator << "'";
  }
}

TEST_F(ProgressTest, CreateShowsTheWaitingTextWithTheBarHidden) {
  ASSERT_TRUE(progress.Create(host, nullptr));
  EXPECT_EQ(host.inputSeen, &progress);
  progress.SetMessage("Sending A.CR5");
  EXPECT_EQ(host.drawing.barShown, std::vector<bool>{false});
  EXPECT_EQ(host.drawing.frames, std::vector<int>{0});
  EXPECT_EQ(host.drawing.messages.back(), "Sending A.CR5");
  EXPECT_EQ(host.drawing.statuses.back(), "Please Wait...");
}

TEST_F(ProgressTest, TimeLeftWording) {
  struct Case {
    std::int32_t remaining;
    const char* expected;
  };
  const Case cases[] = {
      {3630, "1 hour left"},     {5460, "2 hours left"},   {3600 + 30 * 60, "1 hour left"},
      {7200, "2 hours left"},    {91, "2 minutes left"},   {90, "1 minute left"},
      {60, "1 minute left"},     {59, "59 seconds left"},  {2, "2 seconds left"},
      {1, "1 second left"},      {25 * 3600, "1 hour left"}, {24 * 3600 + 59, "59 seconds left"},
  };
  for (const Case& c : cases) {
    CTransferProgress fresh([&](std::int32_t& d, std::int32_t& t) {
                              d = done;
                              t = total;
                              return true;
                            },
                            [&] { return now; });
    fresh.Create(host, nullptr);
    // Progress starts at t=0 and reaches 1000 bytes at t=1: 1000 bytes a second.
    total = 1000 + c.remaining * 1000;
    done = 500;
    now = 0;
    fresh.Poll(true);
    done = 1000;
    now = 1;
    fresh.Poll(true);
    const std::string& status = fresh.Status();
    const auto newline = status.find('\n');
    ASSERT_NE(newline, std::string::npos) << c.remaining << ": " << status;
    EXPECT_EQ(status.substr(newline + 1), c.expected) << c.remaining;
    EXPECT_EQ(status.substr(0, newline), "0.98 KB of " + FormatByteCount(total) + " (0.98 KB / second)");
  }
}

TEST_F(ProgressTest, NothingLeftShowsNoTimeLine) {
  progress.Create(host, nullptr);
  PollAt(0, 500, 2000);
  EXPECT_EQ(PollAt(1, 2000, 2000), "1.95 KB of 1.95 KB (1.95 KB / second)");
}

TEST_F(ProgressTest, FirstSecondShowsCountsOnly) {
  progress.Create(host, nullptr);
  EXPECT_EQ(PollAt(100, 2048, 10240), "2.00 KB of 10.0 KB");
  EXPECT_EQ(PollAt(100, 4096, 10240), "4.00 KB of 10.0 KB");
  EXPECT_EQ(PollAt(102, 6144, 10240), "6.00 KB of 10.0 KB (3.00 KB / second)\n1 second left");
}

TEST_F(ProgressTest, ZeroTotalShowsCountAndRateOnly) {
  progress.Create(host, nullptr);
  PollAt(0, 100, 0);
  EXPECT_EQ(PollAt(2, 3000, 0), "2.93 KB (1.46 KB / second)");
  EXPECT_EQ(PollAt(3, 4000, -1), "3.91 KB (1.38 KB / second)");
  EXPECT_EQ(host.drawing.barShown, std::vector<bool>{false});
  EXPECT_TRUE(host.drawing.positions.empty());
}

TEST_F(ProgressTest, RateIsAveragedWithThePreviousOne) {
  progress.Create(host, nullptr);
  PollAt(0, 100, 0);
  EXPECT_EQ(PollAt(2, 1000, 0), "0.98 KB (500 bytes / second)");
  // 3000 / 4 = 750, shown as (750 + 500) / 2.
  EXPECT_EQ(PollAt(4, 3000, 0), "2.93 KB (625 bytes / second)");
}

TEST_F(ProgressTest, CountFallingToZeroRestartsTheMeasurement) {
  progress.Create(host, nullptr);
  PollAt(0, 100, 0);
  PollAt(2, 1000, 0);
  const std::string before = PollAt(4, 3000, 0);
  EXPECT_EQ(PollAt(10, 0, 0), before);
  EXPECT_EQ(PollAt(20, 500, 0), "500 bytes");
  // Measured from t=20 alone, not averaged with the earlier rate.
  EXPECT_EQ(PollAt(21, 1500, 0), "1.46 KB (1.46 KB / second)");
}

TEST_F(ProgressTest, UnchangedCountDoesNotRedraw) {
  progress.Create(host, nullptr);
  PollAt(0, 100, 1000);
  PollAt(1, 200, 1000);
  const std::size_t drawn = host.drawing.statuses.size();
  const std::size_t positioned = host.drawing.positions.size();
  PollAt(5, 200, 1000);
  PollAt(9, 200, 1000);
  EXPECT_EQ(host.drawing.statuses.size(), drawn);
  EXPECT_EQ(host.drawing.positions.size(), positioned);
}

TEST_F(ProgressTest, BarPositionIsRoundedAndTheBarShownOnce) {
  progress.Create(host, nullptr);
  PollAt(0, 1, 200);
  PollAt(0, 199, 200);
  PollAt(0, 1, 3);
  PollAt(0, 2, 3);
  PollAt(0, 5, 3);
  EXPECT_EQ(host.drawing.positions, (std::vector<int>{1, 100, 33, 67, 100}));
  EXPECT_EQ(host.drawing.barShown, (std::vector<bool>{false, true}));
}

TEST_F(ProgressTest, LargeCountsDoNotOverflow) {
  progress.Create(host, nullptr);
  PollAt(0, 1, INT32_MAX);
  PollAt(1, INT32_MAX - 1, INT32_MAX);
  EXPECT_EQ(host.drawing.positions.back(), 100);
  // (1073741823 + 2147483646) / 2 bytes a second, summed without overflow.
  const std::string sep = ThousandsSeparator();
  const std::string all = "2" + sep + "097" + sep + "152 KB";
  EXPECT_EQ(PollAt(2, INT32_MAX, INT32_MAX), all + " of " + all + " (1" + sep + "572" + sep + "864 KB / second)");
}

TEST_F(ProgressTest, NonDetailedOperationKeepsWaitingText) {
  progress.Create(host, nullptr);
  progress.SetMessage("Listing the directory on the Data Collector...");
  for (int second = 0; second < 5; ++second) {
    EXPECT_EQ(PollAt(second, second * 1000, 5000, false), "Please Wait...");
  }
  EXPECT_EQ(host.drawing.barShown, std::vector<bool>{false});
  EXPECT_TRUE(host.drawing.positions.empty());
}

TEST_F(ProgressTest, PollEndsWhenTheWorkerIsIdle) {
  progress.Create(host, nullptr);
  busy = false;
  EXPECT_FALSE(progress.Poll(true));
  EXPECT_FALSE(progress.Poll(false));
  EXPECT_FALSE(progress.Cancelled());
}

TEST_F(ProgressTest, FramesRunForwardForSendAndBackwardOtherwise) {
  for (const bool forward : {true, false}) {
    RecordingHost own;
    CTransferProgress window([](std::int32_t&, std::int32_t&) { return true; }, [] { return 0; });
    window.SetForward(forward);
    window.Create(own, nullptr);
    for (int tick = 0; tick < 10; ++tick) window.OnTimer();
    const std::vector<int> expected = forward ? std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1}
                                              : std::vector<int>{0, 8, 7, 6, 5, 4, 3, 2, 1, 0, 8};
    EXPECT_EQ(own.drawing.frames, expected) << "forward " << forward;
    EXPECT_EQ(window.Frame(), expected.back());
  }
}

TEST_F(ProgressTest, EnterIsIgnoredAndCancelShowsTheWaitText) {
  progress.Create(host, nullptr);
  PollAt(0, 100, 1000);
  PollAt(1, 200, 1000);
  progress.OnOK();
  EXPECT_TRUE(progress.Poll(true));
  EXPECT_FALSE(progress.Cancelled());

  progress.OnCancel();
  EXPECT_TRUE(progress.Cancelled());
  // Nothing changes on screen until the runner polls again.
  EXPECT_NE(host.drawing.statuses.back(), "Waiting for the Data Collector to stop...");
  EXPECT_FALSE(progress.Poll(true));
  EXPECT_EQ(host.drawing.statuses.back(), "Waiting for the Data Collector to stop...");
  EXPECT_EQ(host.drawing.barShown.back(), false);
}

TEST_F(ProgressTest, HeadlessHostDrawsNothingAndStillWorks) {
  HostUi headless;
  progress.Create(headless, nullptr);
  progress.SetMessage("Sending X");
  PollAt(0, 100, 3000);
  EXPECT_EQ(PollAt(1, 600, 3000), "600 bytes of 2.93 KB (600 bytes / second)\n4 seconds left");
  progress.OnTimer();
  EXPECT_EQ(progress.Frame(), 1);
  progress.OnCancel();
  EXPECT_FALSE(progress.Poll(true));
  progress.DestroyWindow();
}

TEST_F(ProgressTest, DestroyedWindowStopsDrawing) {
  progress.Create(host, nullptr);
  progress.DestroyWindow();
  const std::size_t frames = host.drawing.frames.size();
  progress.OnTimer();
  progress.SetMessage("late");
  EXPECT_EQ(host.drawing.frames.size(), frames);
  EXPECT_NE(host.drawing.messages.back(), "late");
}

}  // namespace
}  // namespace corvane
