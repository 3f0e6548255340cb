// `corvane get` ends by itself where the wide request loop would wait without
// end: on a Data Collector that answers only with an error packet, and on one
// that stays silent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/child_process.h"
#include "corvane-dc/simulated_device.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Long past any give-up the command has: only a command that waits on meets it.
constexpr std::uint32_t kHangGuardMs = 40000;

class CorvaneGivesUp : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_ = fs::temp_directory_path() / ("corvane-gives-up-" + std::to_string(::getpid()));
    fs::create_directories(workspace_ / "dc");
  }
  void TearDown() override { fs::remove_all(workspace_); }

  // Runs `corvane --platform wide get MISSING.TXT` with `idleTimeout` against a
  // wide device with `faults`; the exit status (nullopt: it was still waiting) and what it printed.
  std::pair<std::optional<int>, std::string> Get(const dc::FaultOptions& faults, const std::string& idleTimeout) {
    dc::DeviceOptions options;
    options.framing = dc::Framing::Wide;
    options.directory = (workspace_ / "dc").string();
    options.faults = faults;
    dc::PtyDevice device(options);
    EXPECT_TRUE(device.Start());
    ChildProcess corvane;
    ChildOptions run;
    run.arguments = {CORVANE_BINARY, "--port", device.SlavePath(), "--platform", "wide", "--quiet",
                     "--idle-timeout", idleTimeout, "get", "MISSING.TXT"};
    run.workingDirectory = workspace_.string();
    run.outputPath = (workspace_ / "output").string();
    EXPECT_TRUE(corvane.Start(run));
    const std::optional<int> status = corvane.Wait(kHangGuardMs);
    std::stringstream output;
    output << std::ifstream(workspace_ / "output").rdbuf();
    return {status, output.str()};
  }

  fs::path workspace_;
};

// The device refuses the I and the R with the same E; the request loop passes
// both by and would wait for a file. No idle time-out: the error alone ends it.
TEST_F(CorvaneGivesUp, WhenTheDataCollectorAnswersOnlyWithAnErrorPacket) {
  dc::FaultOptions faults;
  faults.errorText = "File not found: MISSING.TXT";
  const auto [status, output] = Get(faults, "0");
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("the Data Collector reported: File not found: MISSING.TXT"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(workspace_ / "MISSING.TXT"));
}

TEST_F(CorvaneGivesUp, AfterTheIdleTimeOutWhenTheDataCollectorStaysSilent) {
  dc::FaultOptions faults;
  faults.silentAfterPackets = 0;
  const auto [status, output] = Get(faults, "2");
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("nothing moved for 2 s"), std::string::npos) << output;
}

}  // namespace
}  // namespace corvane
