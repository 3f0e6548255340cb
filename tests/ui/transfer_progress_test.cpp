#include "ui/transfer_progress.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/locale.h"

namespace corvane {
namespace {

// What the window drew, call by call.
struct Drawing {
  std::vector<std::string> messages, statuses;
  std::vector<bool> barShown;
  std::vector<int> positions, frames;
};

// A window on a host that records its drawing, fed with the counters and clock it holds.
struct Window final : HostUi {
  explicit Window(bool forward = true, HostUi* otherHost = nullptr) {
    progress.SetForward(forward);
    progress.Create(otherHost ? *otherHost : *this, nullptr);
  }
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow, ProgressInput& input) override {
    struct Surface final : ProgressSurface {
      explicit Surface(Drawing& d) : drawing(d) {}
      void SetTexts(const std::string& message, const std::string& status) override {
        drawing.messages.push_back(message);
        drawing.statuses.push_back(status);
      }
      void ShowProgressBar(bool visible) override { drawing.barShown.push_back(visible); }
      void SetProgressPosition(int percent) override { drawing.positions.push_back(percent); }
      void ShowFrame(int frame) override { drawing.frames.push_back(frame); }
      Drawing& drawing;
    };
    inputSeen = &input;
    return std::make_unique<Surface>(drawing);
  }
  // Polls with the counters and clock given; returns the status shown afterwards.
  std::string PollAt(std::int64_t second, std::int32_t doneNow, std::int32_t totalNow, bool detailed = true) {
    now = second;
    done = doneNow;
    total = totalNow;
    EXPECT_TRUE(progress.Poll(detailed));
    return progress.Status();
  }

  std::int32_t done = 0, total = 0;
  std::int64_t now = 0;
  bool busy = true;
  Drawing drawing;
  ProgressInput* inputSeen = nullptr;
  CTransferProgress progress{[this](std::int32_t& d, std::int32_t& t) {
                               d = done;
                               t = total;
                               return busy;
                             },
                             [this] { return now; }};
};

TEST(FormatByteCount, Boundaries) {
  struct Case { std::int32_t count; const char *separator, *expected; } cases[] = {
      {0, ",", "0 bytes"},          {-5, ",", "-5 bytes"},           {921, ",", "921 bytes"},
      {922, ",", "0.90 KB"},        {1024, ",", "1.00 KB"},          {1536, ",", "1.50 KB"},
      {9 * 1024, ",", "9.00 KB"},   {9 * 1024 + 1, ",", "9.0 KB"},   {99 * 1024, ",", "99.0 KB"},
      {99 * 1024 + 1, ",", "99 KB"}, {999 * 1024, ",", "999 KB"},    {1024 * 1024, ",", "1,024 KB"},
      {1024 * 1024, "", "1024 KB"}, {1024 * 1024, ".", "1.024 KB"},  {1024 * 1024, "\xC2\xA0", "1\xC2\xA0" "024 KB"},
      {INT32_MAX, ",", "2,097,152 KB"}, {1000 * 1024 * 1024, ",", "1,024,000 KB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatByteCount(c.count, c.separator), c.expected) << c.count << " with '" << c.separator << "'";
  }
}

TEST(TransferProgress, TimeLeftWording) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {3630, "1 hour left"},     {5460, "2 hours left"},     {3600 + 30 * 60, "1 hour left"},
      {7200, "2 hours left"},    {91, "2 minutes left"},     {90, "1 minute left"},
      {60, "1 minute left"},     {59, "59 seconds left"},    {2, "2 seconds left"},
      {1, "1 second left"},      {25 * 3600, "1 hour left"}, {24 * 3600 + 59, "59 seconds left"},
  };
  for (const auto& [remaining, expected] : cases) {
    Window window;
    // From 500 bytes at t=0 to 1000 at t=1: 1000 bytes a second.
    const std::int32_t total = 1000 + remaining * 1000;
    window.PollAt(0, 500, total);
    EXPECT_EQ(window.PollAt(1, 1000, total),
              "0.98 KB of " + FormatByteCount(total) + " (0.98 KB / second)\n" + expected) << remaining;
  }
}

TEST(TransferProgress, StatusFollowsCountsRateAndTotal) {
  struct Poll { std::int64_t second; std::int32_t done, total; const char* status; };  // status nullptr: not checked
  const std::vector<std::vector<Poll>> scripts = {
      // Nothing left: no time line.
      {{0, 500, 2000, nullptr}, {1, 2000, 2000, "1.95 KB of 1.95 KB (1.95 KB / second)"}},
      // The first second shows the counts only.
      {{100, 2048, 10240, "2.00 KB of 10.0 KB"},
       {100, 4096, 10240, "4.00 KB of 10.0 KB"},
       {102, 6144, 10240, "6.00 KB of 10.0 KB (3.00 KB / second)\n1 second left"}},
      // No total: count and rate only. The rate is averaged with the one before
      // (3000 / 4 = 750, shown as (750 + 500) / 2) until the count falls to zero;
      // that leaves the text alone and measures afresh from the next count.
      {{0, 100, 0, nullptr},
       {2, 1000, 0, "0.98 KB (500 bytes / second)"},
       {4, 3000, -1, "2.93 KB (625 bytes / second)"},
       {10, 0, 0, "2.93 KB (625 bytes / second)"},
       {20, 500, 0, "500 bytes"},
       {21, 1500, 0, "1.46 KB (1.46 KB / second)"}},
  };
  for (const std::vector<Poll>& script : scripts) {
    Window window;
    for (const Poll& poll : script) {
      const std::string status = window.PollAt(poll.second, poll.done, poll.total);
      if (poll.status) {
        EXPECT_EQ(status, poll.status) << "at " << poll.second;
      }
    }
  }
}

TEST(TransferProgress, BarShowsOnceWithRoundedPositionsAndOnlyForAKnownTotal) {
  Window window;
  for (auto [done, total] : {std::pair{1, 200}, {199, 200}, {1, 3}, {2, 3}, {5, 3}}) window.PollAt(0, done, total);
  EXPECT_EQ(window.drawing.positions, (std::vector<int>{1, 100, 33, 67, 100}));
  EXPECT_EQ(window.drawing.barShown, (std::vector<bool>{false, true}));
  // An unchanged count draws nothing again.
  window.PollAt(5, 5, 3);
  EXPECT_EQ(window.drawing.positions.size(), 5u);
  EXPECT_EQ(window.drawing.statuses.size(), 6u);

  Window unknown;
  unknown.PollAt(0, 100, 0);
  unknown.PollAt(2, 3000, 0);
  EXPECT_EQ(unknown.drawing.barShown, std::vector<bool>{false});
  EXPECT_TRUE(unknown.drawing.positions.empty());
}

TEST(TransferProgress, LargeCountsDoNotOverflow) {
  Window window;
  window.PollAt(0, 1, INT32_MAX);
  window.PollAt(1, INT32_MAX - 1, INT32_MAX);
  EXPECT_EQ(window.drawing.positions.back(), 100);
  // (1073741823 + 2147483646) / 2 bytes a second, summed without overflow.
  const std::string sep = ThousandsSeparator();
  const std::string all = "2" + sep + "097" + sep + "152 KB";
  EXPECT_EQ(window.PollAt(2, INT32_MAX, INT32_MAX),
            all + " of " + all + " (1" + sep + "572" + sep + "864 KB / second)");
}

TEST(TransferProgress, NonDetailedOperationKeepsTheWaitingText) {
  Window window;
  EXPECT_EQ(window.inputSeen, &window.progress);
  window.progress.SetMessage("Listing the directory on the Data Collector...");
  for (int second = 0; second < 5; ++second) {
    EXPECT_EQ(window.PollAt(second, second * 1000, 5000, false), "Please Wait...");
  }
  EXPECT_EQ(window.drawing.messages.back(), "Listing the directory on the Data Collector...");
  EXPECT_EQ(window.drawing.barShown, std::vector<bool>{false});
  EXPECT_TRUE(window.drawing.positions.empty());
  window.busy = false;
  EXPECT_FALSE(window.progress.Poll(true)) << "polling ends when the worker is idle";
  EXPECT_FALSE(window.progress.Cancelled());
}

TEST(TransferProgress, FramesRunForwardForSendAndBackwardOtherwise) {
  for (const bool forward : {true, false}) {
    Window window(forward);
    for (int tick = 0; tick < 10; ++tick) window.progress.OnTimer();
    const std::vector<int> expected = forward ? std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1}
                                              : std::vector<int>{0, 8, 7, 6, 5, 4, 3, 2, 1, 0, 8};
    EXPECT_EQ(window.drawing.frames, expected) << "forward " << forward;
    EXPECT_EQ(window.progress.Frame(), expected.back());
  }
}

// The text shown after a cancel is pinned where a user sees it, in the terminal end-to-end test.
TEST(TransferProgress, EnterIsIgnoredAndCancelEndsPollingWithTheBarHidden) {
  Window window;
  window.PollAt(0, 100, 1000);
  window.PollAt(1, 200, 1000);
  window.progress.OnOK();
  EXPECT_TRUE(window.progress.Poll(true));
  EXPECT_FALSE(window.progress.Cancelled());
  window.progress.OnCancel();
  EXPECT_TRUE(window.progress.Cancelled());
  EXPECT_FALSE(window.progress.Poll(true));
  EXPECT_EQ(window.drawing.barShown.back(), false);
}

TEST(TransferProgress, HeadlessOrDestroyedWindowsDrawNothingAndStillWork) {
  HostUi noWindows;
  Window headless(true, &noWindows);
  headless.PollAt(0, 100, 3000);
  EXPECT_EQ(headless.PollAt(1, 600, 3000), "600 bytes of 2.93 KB (600 bytes / second)\n4 seconds left");
  headless.progress.OnTimer();
  EXPECT_EQ(headless.progress.Frame(), 1);
  headless.progress.OnCancel();
  EXPECT_FALSE(headless.progress.Poll(true));

  Window window;
  window.progress.DestroyWindow();
  const Drawing before = window.drawing;
  window.progress.OnTimer();
  window.progress.SetMessage("late");
  window.PollAt(1, 500, 1000);
  EXPECT_EQ(window.drawing.frames, before.frames);
  EXPECT_EQ(window.drawing.messages, before.messages);
}

}  // namespace
}  // namespace corvane
