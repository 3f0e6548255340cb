// `corvane send` in a real terminal against the simulated Data Collector: what
// the screen shows while it runs, and what Ctrl-C leaves behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "cli/screen_model.h"
#include "common/child_process.h"
#include "common/pty_pair.h"
#include "corvane-dc/simulated_device.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class TerminalEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_ = fs::temp_directory_path() / ("corvane-e2e-" + std::to_string(::getpid()));
    fs::create_directories(workspace_ / "pc");
    fs::create_directories(workspace_ / "dc");
    std::ofstream text(workspace_ / "pc" / "LONG.TXT");
    for (int line = 0; line < 2000; ++line) text << "survey note line " << line << "\n";
    ASSERT_TRUE(terminal_.Open());
  }
  void TearDown() override { fs::remove_all(workspace_); }

  // Reads the terminal for `milliseconds` into the screen model.
  void Watch(std::uint32_t milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::uint8_t block[4096];
    while (Clock::now() < end) {
      if (!terminal_.Master().WaitReadable(20)) continue;
      const std::size_t count = terminal_.Master().ReadNow(block, sizeof block);
      screen_.Feed(std::string(reinterpret_cast<const char*>(block), count));
    }
  }
  std::string Screen() const {
    std::string text;
    for (const std::string& row : screen_.Rows()) text += row + "\n";
    return text;
  }

  fs::path workspace_;
  PtyPair terminal_;
  ScreenModel screen_;
};

TEST_F(TerminalEndToEnd, ShowsProgressAndCtrlCCancels) {
  dc::DeviceOptions options;
  options.framing = dc::Framing::Classic;
  options.directory = (workspace_ / "dc").string();
  dc::PtyDevice device(options);
  ASSERT_TRUE(device.Start());

  ChildProcess corvane;
  ChildOptions run;
  run.arguments = {CORVANE_BINARY, "--port", device.SlavePath(), "--baud", "115200", "--platform", "classic",
                   "send", "LONG.TXT"};
  run.workingDirectory = (workspace_ / "pc").string();
  run.inputPath = terminal_.SlavePath();
  run.outputPath = terminal_.SlavePath();
  ASSERT_TRUE(corvane.Start(run));

  Watch(2500);
  const std::string during = Screen();
  EXPECT_NE(during.find("Sending LONG.TXT"), std::string::npos) << during;
  EXPECT_NE(during.find("[PC]"), std::string::npos) << during;
  EXPECT_NE(during.find("[DC]"), std::string::npos) << during;
  EXPECT_NE(during.find(" of "), std::string::npos) << "the total is known: " << during;
  EXPECT_NE(during.find("KB"), std::string::npos) << during;
  EXPECT_FALSE(screen_.CursorVisible()) << "hidden while drawing";

  corvane.Interrupt();
  const auto status = corvane.Wait(15000);
  Watch(200);
  const std::string after = Screen();
  ASSERT_TRUE(status.has_value()) << "corvane did not end after Ctrl-C: " << after;
  EXPECT_EQ(*status, 130) << after;
  EXPECT_NE(after.find("Waiting for the Data Collector to stop..."), std::string::npos) << after;
  EXPECT_NE(after.find("result -3"), std::string::npos) << after;
  EXPECT_TRUE(screen_.CursorVisible()) << "restored at the end";
  device.Stop();
}

}  // namespace
}  // namespace corvane
