// `corvane --trace` records an exchange with the simulated Data Collector; the
// replayer plays the Data Collector's side of that record back, and the PC does
// the same again, byte for byte.
#include <atomic>
#include <filesystem>
#include <thread>

#include "cli/command_workspace.h"
#include "common/pty_pair.h"
#include "corvane-dc/replay.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

using TraceReplay = CrossingTest;

TEST_P(TraceReplay, AnExchangeWithTheSimulatorHappensAgainFromItsTrace) {
  // Text: the classic line sends files as text, which a Ctrl-Z byte would end.
  const std::string content = testing::TextLines(3000);
  const fs::path trace = workspace_ / "field.trace";
  {
    auto device = DeviceWithFile(content, 1);
    ASSERT_TRUE(device->Start());
    ASSERT_EQ(RunCorvane(Arguments(device->SlavePath(), {"--trace", trace.string()})), 0) << Output();
  }
  const std::string recorded = testing::ReadFile(trace);
  // The first file header as the trace notes it.
  EXPECT_NE(recorded.find(GetParam().deviceSends ? "#       dc F seq=1 len=13 wide \"FILE.DAT 3000\""
                                                 : "#       pc F seq=1 len=8 classic \"FILE.DAT\""),
            std::string::npos)
      << recorded.substr(0, 2000);
  if (GetParam().deviceSends) fs::remove(workspace_ / "FILE.DAT");

  std::string badLine;
  const auto events = dc::ParseTrace(recorded, badLine);
  ASSERT_TRUE(events) << badLine;
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  std::atomic<bool> stop{false};
  dc::ReplayResult result;
  std::thread player([&] { result = dc::ReplayTrace(pty.Master(), *events, stop, 5); });
  const std::optional<int> status = RunCorvane(Arguments(pty.SlavePath()));
  player.join();
  EXPECT_EQ(status, 0) << Output();
  EXPECT_TRUE(result.sameAsTrace) << result.detail;
  if (GetParam().deviceSends) {
    EXPECT_EQ(testing::ReadFile(workspace_ / "FILE.DAT"), content);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TraceReplay, ::testing::ValuesIn(kCrossings), CrossingName);

}  // namespace
}  // namespace corvane
