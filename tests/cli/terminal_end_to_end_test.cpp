// `corvane send` in a real terminal against the simulated Data Collector: the
// display is wired in, and Ctrl-C cancels, exits 130 and restores the cursor.
// What the window draws is pinned in terminal_display_test.
#include <chrono>

#include "cli/command_workspace.h"
#include "cli/screen_model.h"
#include "common/pty_pair.h"
#include "support/dc_fixture.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

class TerminalEndToEnd : public CommandWorkspace {
 protected:
  // Reads the terminal into the screen model until it shows `text`; false
  // when it does not within the guard.
  bool WatchFor(const std::string& text) {
    const auto guard = Clock::now() + std::chrono::seconds(20);
    while (Screen().find(text) == std::string::npos) {
      if (Clock::now() > guard) return false;
      std::uint8_t block[4096];
      if (terminal_.Master().WaitReadable(20)) {
        screen_.Feed(std::string(reinterpret_cast<const char*>(block), terminal_.Master().ReadNow(block, sizeof block)));
      }
    }
    return true;
  }
  std::string Screen() const {
    std::string text;
    for (const std::string& row : screen_.Rows()) text += row + "\n";
    return text;
  }

  PtyPair terminal_;
  ScreenModel screen_;
};

TEST_F(TerminalEndToEnd, ShowsProgressAndCtrlCCancels) {
  testing::WriteFile(workspace_ / "LONG.TXT", testing::TextLines(48000));
  ASSERT_TRUE(terminal_.Open());
  testing::DcFixture device(dc::Framing::Classic);
  ASSERT_TRUE(device.Start());
  ChildProcess corvane;
  ASSERT_TRUE(StartCorvane(corvane, {"--port", device.SlavePath(), "--platform", "classic", "send", "LONG.TXT"},
                           terminal_.SlavePath()));

  // The total is known once the first packets have gone.
  ASSERT_TRUE(WatchFor(" of ")) << Screen();
  EXPECT_NE(Screen().find("Sending LONG.TXT"), std::string::npos) << Screen();
  EXPECT_FALSE(screen_.CursorVisible()) << "hidden while drawing";

  corvane.Interrupt();
  EXPECT_EQ(corvane.Wait(15000), 130) << Screen();
  EXPECT_TRUE(WatchFor("result -3")) << Screen();
  EXPECT_NE(Screen().find("Waiting for the Data Collector to stop..."), std::string::npos) << Screen();
  EXPECT_TRUE(screen_.CursorVisible()) << "restored at the end";
}

}  // namespace
}  // namespace corvane
