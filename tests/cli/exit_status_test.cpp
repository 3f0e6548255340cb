// The exit statuses that scripts rely on, beyond success and a failed
// operation: 2 for a command line it does not take, 3 for a port that will not
// open, and 0 for a server ended by SIGTERM. (130, Ctrl-C, is checked in a
// real terminal.)
#include <csignal>

#include "cli/command_workspace.h"
#include "support/dc_fixture.h"

namespace corvane {
namespace {

using ExitStatus = CommandWorkspace;

TEST_F(ExitStatus, UsageErrorsAndPortsThatWillNotOpen) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"frobnicate"}, 2},
      {{"--port", "/dev/null", "send"}, 2},  // no file named
      {{"--port", "/dev/null", "--baud", "fast", "receive"}, 2},
      {{"--port", (workspace_ / "no-such-tty").string(), "--quiet", "receive"}, 3},
  };
  for (const auto& [arguments, status] : cases) {
    EXPECT_EQ(RunCorvane(arguments, 20000), status) << arguments.front() << ": " << Output();
  }
  EXPECT_NE(Output().find("cannot open " + (workspace_ / "no-such-tty").string()), std::string::npos) << Output();
}

// SIGTERM is how a service manager stops the server: a normal end.
TEST_F(ExitStatus, ServerEndedBySigtermExitsZero) {
  testing::DcFixture device(dc::Framing::Wide, {dc::Role::Remote('D', "")});
  ASSERT_TRUE(device.Start());
  ChildProcess corvane;
  ASSERT_TRUE(StartCorvane(corvane, {"--port", device.SlavePath(), "--quiet", "server"}));
  // Once it has answered a listing, the server is serving.
  ASSERT_TRUE(device.Device().WaitFinished(30000)) << Output();
  ASSERT_TRUE(device.Device().Outcomes().at(0).success) << device.Device().Outcomes().at(0).detail;
  corvane.Signal(SIGTERM);
  EXPECT_EQ(corvane.Wait(20000), 0) << Output();
}

}  // namespace
}  // namespace corvane
