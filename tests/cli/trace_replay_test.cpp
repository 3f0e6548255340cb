// `corvane --trace` records an exchange with the simulated Data Collector; the
// replayer plays the Data Collector's side of that record back, and the PC does
// the same again, byte for byte.
#include <atomic>
#include <filesystem>
#include <thread>

#include "cli/command_workspace.h"
#include "common/pty_pair.h"
#include "corvane-dc/replay.h"
#include "support/dc_fixture.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct ReplayCase {
  const char* name;
  dc::Framing framing;
  std::vector<std::string> command;  // after --port and --quiet
  bool deviceSends;
  const char* firstPacket;  // as the trace notes it
};
void PrintTo(const ReplayCase& c, std::ostream* out) { *out << c.name; }

class TraceReplay : public CommandWorkspace, public ::testing::WithParamInterface<ReplayCase> {
 protected:
  std::optional<int> RunOn(const std::string& port, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--port", port, "--quiet"});
    arguments.insert(arguments.end(), GetParam().command.begin(), GetParam().command.end());
    return RunCorvane(arguments);
  }
};

TEST_P(TraceReplay, AnExchangeWithTheSimulatorHappensAgainFromItsTrace) {
  const ReplayCase& c = GetParam();
  // Text: the classic line sends files as text, which a Ctrl-Z byte would end.
  const std::string content = testing::TextLines(3000);
  const fs::path original = workspace_ / (c.deviceSends ? "dc/FIELD.DAT" : "FIELD.DAT");
  testing::WriteFile(original, content);
  const fs::path trace = workspace_ / "field.trace";
  {
    dc::DeviceOptions options = testing::DeviceFor(c.framing);
    options.timeoutSeconds = 1;
    if (c.deviceSends) options.script = {dc::Role::Send(original.string())};
    testing::DcFixture device(options);
    ASSERT_TRUE(device.Start());
    ASSERT_EQ(RunOn(device.SlavePath(), {"--trace", trace.string()}), 0) << Output();
  }
  const std::string recorded = testing::ReadFile(trace);
  EXPECT_NE(recorded.find(c.firstPacket), std::string::npos) << recorded.substr(0, 2000);
  if (c.deviceSends) fs::remove(workspace_ / "FIELD.DAT");

  std::string badLine;
  const auto events = dc::ParseTrace(recorded, badLine);
  ASSERT_TRUE(events) << badLine;
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  std::atomic<bool> stop{false};
  dc::ReplayResult result;
  std::thread player([&] { result = dc::ReplayTrace(pty.Master(), *events, stop, 5); });
  const std::optional<int> status = RunOn(pty.SlavePath(), {});
  player.join();
  EXPECT_EQ(status, 0) << Output();
  EXPECT_TRUE(result.sameAsTrace) << result.detail;
  if (c.deviceSends) {
    EXPECT_EQ(testing::ReadFile(workspace_ / "FIELD.DAT"), content);
  }
}

const ReplayCase kReplayCases[] = {
    {"ClassicSend", dc::Framing::Classic, {"--platform", "classic", "send", "FIELD.DAT"}, false,
     "#       pc F seq=1 len=9 classic \"FIELD.DAT\""},
    {"WideReceive", dc::Framing::Wide, {"--platform", "wide", "receive"}, true, "#       dc F seq=1 len=14 wide \"FIELD.DAT 3000\""},
};

INSTANTIATE_TEST_SUITE_P(Cases, TraceReplay, ::testing::ValuesIn(kReplayCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
