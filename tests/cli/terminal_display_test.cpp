#include "corvane/terminal_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/tty.h"
#include "screen_model.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

const std::string kLit = "\x1b[32m\u25CF\x1b[0m";

struct CountingInput final : ProgressInput {
  void OnOK() override { ++oks; }
  void OnCancel() override { ++cancels; }
  int oks = 0;
  int cancels = 0;
};

// A display drawing on the slave side of a pty; the test reads the master.
class PtyDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.Open()); }

  std::unique_ptr<TerminalDisplay> MakeDisplay(TerminalDisplayOptions options) {
    return std::make_unique<TerminalDisplay>(Terminal::Open(pty.SlavePath()), Terminal::Open(pty.SlavePath()), options);
  }

  // Everything written so far, fed to the screen model too.
  std::string Drain() {
    std::string all;
    std::uint8_t buffer[4096];
    while (const std::size_t count = pty.Master().ReadAvailable(buffer, sizeof buffer, 20)) {
      all.append(reinterpret_cast<const char*>(buffer), count);
    }
    screen.Feed(all);
    return all;
  }

  void Type(const std::string& keys) {
    ASSERT_TRUE(pty.Master().Write(reinterpret_cast<const std::uint8_t*>(keys.data()), keys.size()));
  }

  // Keys cross the pty asynchronously: wait until the display has seen some.
  static bool WaitForMessage(TerminalDisplay& display) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < deadline) {
      if (display.HasPendingMessage()) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  PtyPair pty;
  ScreenModel screen;
};

TEST_F(PtyDisplayTest, DrawsTheWindowInPlaceAndLeavesTheCountsBehind) {
  auto display = MakeDisplay({false, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  surface->ShowProgressBar(false);
  surface->ShowFrame(0);
  surface->SetTexts("Sending A.CR5", "Please Wait...");
  Drain();
  EXPECT_FALSE(screen.CursorVisible());
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{"Sending A.CR5", "[PC] · · · · · · · · [DC]", "Please Wait..."}));

  surface->ShowFrame(3);
  surface->SetTexts("Sending A.CR5", "5.00 KB of 10.0 KB (2.50 KB / second)\n2 seconds left");
  surface->ShowProgressBar(true);
  surface->SetProgressPosition(50);
  const std::string redraw = Drain();
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{"Sending A.CR5", "[PC] · · ● · · · · · [DC]",
                                                     "5.00 KB of 10.0 KB (2.50 KB / second)", "2 seconds left",
                                                     "[" + [] {
                                                       std::string bar;
                                                       for (int i = 0; i < 50; ++i) bar += i < 25 ? "█" : "░";
                                                       return bar;
                                                     }() + "] 50%"}));
  EXPECT_NE(redraw.find(kLit), std::string::npos) << "the lit dot is green";

  // A shorter window must not leave the old bottom lines behind.
  surface->ShowProgressBar(false);
  surface->SetTexts("Sending A.CR5", "Waiting for the Data Collector to stop...");
  Drain();
  EXPECT_EQ(screen.Rows().size(), 3u);
  EXPECT_EQ(screen.Rows().back(), "Waiting for the Data Collector to stop...");

  surface.reset();
  Drain();
  EXPECT_TRUE(screen.CursorVisible());
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{"Sending A.CR5", "Waiting for the Data Collector to stop..."}));
  EXPECT_EQ(screen.CursorRow(), 2) << "the prompt goes below what is left";
  EXPECT_TRUE(screen.Unknown().empty());
}

TEST_F(PtyDisplayTest, WaitingOnlyOperationLeavesNothing) {
  auto display = MakeDisplay({false, false});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  surface->SetTexts("Listing the directory on the Data Collector...", "Please Wait...");
  for (int frame : {8, 7, 6}) surface->ShowFrame(frame);
  Drain();
  EXPECT_EQ(screen.Rows().at(1), "[PC] . . . . . * . . [DC]") << "ASCII dots outside UTF-8";
  surface.reset();
  Drain();
  EXPECT_TRUE(screen.Rows().empty());
  EXPECT_TRUE(screen.CursorVisible());
}

TEST_F(PtyDisplayTest, LongLinesAreCutToTheWidth) {
  auto display = MakeDisplay({false, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  const std::string name(200, 'x');
  surface->SetTexts("Sending é" + name, "Please Wait...");
  Drain();
  // The pty reports no size: 80 columns are assumed, one kept free against wrapping.
  EXPECT_EQ(screen.Rows().at(0), "Sending é" + name.substr(0, 79 - 9));
}

TEST_F(PtyDisplayTest, NothingIsDrawnWhenQuiet) {
  auto display = MakeDisplay({true, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  surface->SetTexts("Sending A", "1.00 KB");
  surface->ShowFrame(1);
  surface->ShowProgressBar(true);
  surface.reset();
  EXPECT_EQ(Drain(), "");
}

TEST(TerminalDisplay, NothingIsDrawnOnAFile) {
  const auto path = std::filesystem::temp_directory_path() / ("corvane_display_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".txt");
  std::ofstream(path).close();
  {
    TerminalDisplay display(Terminal::Open(path.string()), Terminal::Open("/nonexistent/tty"), {});
    CountingInput input;
    auto surface = display.CreateProgressSurface(nullptr, input);
    surface->SetTexts("Sending A", "1.00 KB");
    surface->ShowFrame(1);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  std::filesystem::remove(path);
}

TEST_F(PtyDisplayTest, InterruptIsDeliveredAsCancelWhateverIsDrawn) {
  for (const bool quiet : {false, true}) {
    auto display = MakeDisplay({quiet, true});
    CountingInput input;
    EXPECT_FALSE(display->HasPendingMessage()) << "no operation, no messages";
    auto surface = display->CreateProgressSurface(nullptr, input);
    EXPECT_FALSE(display->HasPendingMessage());
    std::raise(SIGINT);
    ASSERT_TRUE(display->HasPendingMessage()) << "quiet " << quiet;
    EXPECT_EQ(input.cancels, 0) << "delivered only by the pump";
    display->PumpMessage();
    EXPECT_EQ(input.cancels, 1);
    EXPECT_FALSE(display->HasPendingMessage());
    surface.reset();
    Drain();
  }
}

TEST_F(PtyDisplayTest, EscapeCancelsEnterIsOkAndOtherKeysAreIgnored) {
  auto display = MakeDisplay({false, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  Type("a\x1b[A\x1bOP\x1bx\r");
  ASSERT_TRUE(WaitForMessage(*display));
  while (display->HasPendingMessage()) display->PumpMessage();
  EXPECT_EQ(input.oks, 1);
  EXPECT_EQ(input.cancels, 0) << "arrow, function and Alt keys start with Escape too";

  Type("\x1b");
  ASSERT_TRUE(WaitForMessage(*display));
  display->PumpMessage();
  EXPECT_EQ(input.cancels, 1);
  surface.reset();
  Drain();
}

TEST_F(PtyDisplayTest, KeysAreNotReadWhenQuiet) {
  auto display = MakeDisplay({true, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  Type("\x1b");
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(display->HasPendingMessage());
  surface.reset();
  // The key is still there for whoever reads the terminal next.
  EXPECT_EQ(Terminal::Open(pty.SlavePath()).ReadNow(), "\x1b");
}

TEST_F(PtyDisplayTest, SaveAsAsksWithTheDisplaySetAside) {
  auto display = MakeDisplay({false, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  surface->SetTexts("Receiving a file...", "Please Wait...");
  const SaveAsHandler saveAs = MakeTerminalSaveAs(*display, false);

  struct Case {
    std::string typed;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"NEW.TXT\r", "/data/in/NEW.TXT"},
      {"other/B.TXT\n", "other/B.TXT"},
      {"AB\x7f" "C\r", "/data/in/AC"},
      {"\r", std::nullopt},
  };
  for (const Case& c : cases) {
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
    // The host thread goes on meanwhile; the answer's keys are not taken as Cancel or OK.
    surface->ShowFrame(2);
    Type(c.typed);
    EXPECT_EQ(answer.get(), c.expected) << c.typed;
    EXPECT_FALSE(display->HasPendingMessage());
    Drain();
    EXPECT_FALSE(screen.CursorVisible()) << "drawing again";
    EXPECT_EQ(screen.Rows().back(), "Please Wait...");
  }
  surface.reset();
  Drain();
}

TEST_F(PtyDisplayTest, InterruptEndsTheQuestionAsCancel) {
  auto display = MakeDisplay({false, true});
  CountingInput input;
  auto surface = display->CreateProgressSurface(nullptr, input);
  auto answer = std::async(std::launch::async, [&] { return display->AskNewName("OLD.TXT"); });
  while (Drain().find("(empty to cancel)") == std::string::npos) {
  }
  std::raise(SIGINT);
  EXPECT_EQ(answer.get(), std::nullopt);
  ASSERT_TRUE(display->HasPendingMessage());
  display->PumpMessage();
  EXPECT_EQ(input.cancels, 1);
  surface.reset();
  Drain();
}

TEST(TerminalSaveAs, WithoutATerminal) {
  TerminalDisplay display(Terminal::Open("/nonexistent/out"), Terminal::Open("/nonexistent/in"), {});
  EXPECT_EQ(MakeTerminalSaveAs(display, false)("dir/A.TXT"), std::nullopt);
  EXPECT_EQ(MakeTerminalSaveAs(display, true)("dir/A.TXT"), "dir/A.TXT");
}

TEST_F(PtyDisplayTest, OverwriteDoesNotAsk) {
  auto display = MakeDisplay({false, true});
  EXPECT_EQ(MakeTerminalSaveAs(*display, true)("/x/A.TXT"), "/x/A.TXT");
  EXPECT_EQ(Drain(), "");
}

TEST_F(PtyDisplayTest, SecondInterruptEndsTheProgramWithTheTerminalRestored) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        auto display = MakeDisplay({false, true});
        CountingInput input;
        auto surface = display->CreateProgressSurface(nullptr, input);
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
