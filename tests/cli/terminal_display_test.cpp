#include "corvane/terminal_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <thread>

#include "common/pty_pair.h"
#include "platform/scratch_directory.h"
#include "screen_model.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Rows = std::vector<std::string>;

struct CountingInput final : ProgressInput {
  void OnOK() override { ++oks; }
  void OnCancel() override { ++cancels; }
  int oks = 0, cancels = 0;
};

// A display with an operation under way, drawing on the slave side of a pty;
// the test reads and types on the master.
class PtyDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.Open()); }

  void Begin(bool quiet, bool unicode = true) {
    surface.reset();
    display.reset();
    display = std::make_unique<TerminalDisplay>(Terminal::Open(pty.SlavePath()), Terminal::Open(pty.SlavePath()),
                                                 TerminalDisplayOptions{quiet, unicode});
    surface = display->CreateProgressSurface(nullptr, input);
  }
  // Everything written since the last call, fed to the screen model too.
  std::string Drain() {
    std::string all;
    std::uint8_t buffer[4096];
    while (const std::size_t count = pty.Master().ReadAvailable(buffer, sizeof buffer, 20)) {
      all.append(reinterpret_cast<const char*>(buffer), count);
    }
    screen.Feed(all);
    return all;
  }
  // Types `keys` and waits until the display has seen some; false if it does not in time.
  bool Type(const std::string& keys, std::chrono::milliseconds wait = 2s) {
    pty.Master().Write(reinterpret_cast<const std::uint8_t*>(keys.data()), keys.size());
    for (auto deadline = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < deadline;) {
      if (display->HasPendingMessage()) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  PtyPair pty;
  ScreenModel screen;
  CountingInput input;
  std::unique_ptr<TerminalDisplay> display;
  std::unique_ptr<ProgressSurface> surface;  // last: ends the operation before the display goes
};

TEST_F(PtyDisplayTest, DrawsTheWindowInPlaceAndLeavesTheCountsBehind) {
  Begin(false);
  surface->SetTexts("Sending A.CR5", "Please Wait...");
  surface->ShowFrame(3);
  surface->SetTexts("Sending A.CR5", "5.00 KB of 10.0 KB (2.50 KB / second)\n2 seconds left");
  surface->ShowProgressBar(true);
  surface->SetProgressPosition(50);
  std::string bar;
  for (int i = 0; i < 50; ++i) bar += i < 25 ? "█" : "░";
  EXPECT_NE(Drain().find("\x1b[32m\u25CF\x1b[0m"), std::string::npos) << "the lit dot is green";
  EXPECT_EQ(screen.Rows(), (Rows{"Sending A.CR5", "[PC] · · ● · · · · · [DC]", "5.00 KB of 10.0 KB (2.50 KB / second)",
                                 "2 seconds left", "[" + bar + "] 50%"}));
  // A shorter window must not leave the old bottom lines behind.
  surface->ShowProgressBar(false);
  surface->SetTexts("Sending A.CR5", "Waiting for the Data Collector to stop...");
  Drain();
  EXPECT_EQ(screen.Rows().size(), 3u);
  surface.reset();
  Drain();
  EXPECT_EQ(screen.Rows(), (Rows{"Sending A.CR5", "Waiting for the Data Collector to stop..."}));
  EXPECT_EQ(screen.CursorRow(), 2) << "the prompt goes below what is left";
  EXPECT_TRUE(screen.Unknown().empty());
}

TEST_F(PtyDisplayTest, WaitingOnlyOperationLeavesNothingAndLongLinesAreCut) {
  Begin(false, false);
  surface->SetTexts("Listing é" + std::string(200, 'x'), "Please Wait...");
  for (int frame : {8, 7, 6}) surface->ShowFrame(frame);
  Drain();
  // The pty reports no size: 80 columns are assumed, one kept free against wrapping.
  EXPECT_EQ(screen.Rows().at(0), "Listing é" + std::string(79 - 9, 'x'));
  EXPECT_EQ(screen.Rows().at(1), "[PC] . . . . . * . . [DC]") << "ASCII dots outside UTF-8";
  surface.reset();
  Drain();
  EXPECT_TRUE(screen.Rows().empty());
  EXPECT_TRUE(screen.CursorVisible());
}

TEST_F(PtyDisplayTest, QuietDrawsNothingLeavesTheKeysAloneAndStillTakesCtrlC) {
  Begin(true);
  surface->SetTexts("Sending A", "1.00 KB");
  surface->ShowProgressBar(true);
  EXPECT_FALSE(Type("\x1b", 50ms));
  // Ctrl-C still cancels, delivered only by the pump on the host's thread.
  std::raise(SIGINT);
  ASSERT_TRUE(display->HasPendingMessage());
  EXPECT_EQ(input.cancels, 0);
  display->PumpMessage();
  EXPECT_EQ(input.cancels, 1);
  EXPECT_FALSE(display->HasPendingMessage());
  surface.reset();
  EXPECT_EQ(Drain(), "");
  // The key is still there for whoever reads the terminal next.
  EXPECT_EQ(Terminal::Open(pty.SlavePath()).ReadNow(), "\x1b");
}

TEST(TerminalDisplay, WithoutATerminalNothingIsDrawnOrAsked) {
  testing::ScratchDirectory scratch;
  scratch.WriteFile("out.txt", "");
  {
    TerminalDisplay display(Terminal::Open(scratch.PathOf("out.txt")), Terminal::Open("/nonexistent/tty"), {});
    CountingInput input;
    auto surface = display.CreateProgressSurface(nullptr, input);
    surface->SetTexts("Sending A", "1.00 KB");
    surface->ShowFrame(1);
    EXPECT_EQ(MakeTerminalSaveAs(display, false)("dir/A.TXT"), std::nullopt);
    EXPECT_EQ(MakeTerminalSaveAs(display, true)("dir/A.TXT"), "dir/A.TXT");
  }
  EXPECT_EQ(scratch.ReadFile("out.txt"), "");
}

TEST_F(PtyDisplayTest, KeysAnswerTheWindowOrTheSaveAsQuestionNeverBoth) {
  Begin(false);
  ASSERT_TRUE(Type("a\x1b[A\x1bOP\x1bx\r"));
  while (display->HasPendingMessage()) display->PumpMessage();
  EXPECT_EQ(input.oks, 1);
  EXPECT_EQ(input.cancels, 0) << "arrow, function and Alt keys start with Escape too";
  ASSERT_TRUE(Type("\x1b"));
  display->PumpMessage();
  EXPECT_EQ(input.cancels, 1);

  surface->SetTexts("Receiving a file...", "Please Wait...");
  const SaveAsHandler saveAs = MakeTerminalSaveAs(*display, false);
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"NEW.TXT\r", "/data/in/NEW.TXT"},
      {"other/B.TXT\n", "other/B.TXT"},
      {"AB\x7f" "C\r", "/data/in/AC"},
      {"\r", std::nullopt},
  };
  for (const auto& [typed, expected] : cases) {
    Drain();
    auto answer = std::async(std::launch::async, [&] { return saveAs("/data/in/OLD.TXT"); });
    std::string asked;
    while (asked.find("(empty to cancel): ") == std::string::npos) {
      const std::string more = Drain();
      ASSERT_FALSE(more.empty() && answer.wait_for(0s) == std::future_status::ready) << asked;
      asked += more;
    }
    EXPECT_NE(asked.find("File /data/in/OLD.TXT exists. New name (empty to cancel): "), std::string::npos);
    EXPECT_TRUE(screen.CursorVisible()) << "the cursor shows while the user types";
    surface->ShowFrame(2);  // the host thread goes on meanwhile
    pty.Master().Write(reinterpret_cast<const std::uint8_t*>(typed.data()), typed.size());
    EXPECT_EQ(answer.get(), expected) << typed;
    EXPECT_FALSE(display->HasPendingMessage()) << "the answer's keys are not Cancel or OK";
    Drain();
    EXPECT_FALSE(screen.CursorVisible()) << "drawing again";
    EXPECT_EQ(screen.Rows().back(), "Please Wait...");
  }
  // An interrupt ends the question as Cancel, and cancels the operation too.
  auto answer = std::async(std::launch::async, [&] { return display->AskNewName("OLD.TXT"); });
  while (Drain().find("(empty to cancel)") == std::string::npos) {
  }
  std::raise(SIGINT);
  EXPECT_EQ(answer.get(), std::nullopt);
  ASSERT_TRUE(display->HasPendingMessage());
  display->PumpMessage();
  EXPECT_EQ(input.cancels, 2);
}

TEST_F(PtyDisplayTest, SecondInterruptEndsTheProgramWithTheTerminalRestored) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        Begin(false);
        surface->SetTexts("Sending A", "Please Wait...");
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  Drain();
  EXPECT_TRUE(screen.CursorVisible());
  EXPECT_EQ(screen.Rows().back(), "Please Wait...");
}

}  // namespace
}  // namespace corvane
