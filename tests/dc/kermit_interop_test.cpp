// The classic device against C-Kermit over a pty pair: a real Kermit vouches
// for the device's framing, negotiation and encoding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "support/dc_fixture.h"

namespace corvane::dc {
namespace {

using namespace corvane::testing;

class DcKermit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("command -v kermit > /dev/null 2>&1"), 0) << "C-Kermit (Debian package ckermit) is needed";
  }
  // Runs C-Kermit with `action` on the device's line in its own directory, bounded in time;
  // true when it exits with success.
  std::future<bool> RunKermit(DcFixture& dc, const std::string& action) {
    EXPECT_TRUE(dc.Start()) << dc.StartError();
    const std::string command = "cd '" + kermitDir.Path() + "' && timeout 40 kermit -Y -H -B -l " +
                                dc.SlavePath() + " -b 9600 -C 'set carrier-watch off, set flow none' -i " + action +
                                " > kermit.log 2>&1 < /dev/null";
    return std::async(std::launch::async, [command] { return std::system(command.c_str()) == 0; });
  }
  std::string Logs(DcFixture& dc) { return kermitDir.ReadFile("kermit.log") + dc.Log(); }

  ScratchDirectory kermitDir;
  ScratchDirectory deviceFiles;
  const std::string content = MixedBytes(4000) + "#\r\n\x7f";
};

TEST_F(DcKermit, KermitSendsToTheServingDevice) {
  DcFixture dc(Framing::Classic);
  kermitDir.WriteFile("survey.bin", content);
  EXPECT_TRUE(RunKermit(dc, "-s survey.bin").get()) << Logs(dc);
  dc.Stop();
  EXPECT_TRUE(ReadFile(dc.Served() / "SURVEY.BIN") == content) << Logs(dc);
}

TEST_F(DcKermit, DeviceSendsToReceivingKermit) {
  deviceFiles.WriteFile("JOB1.CR5", content);
  DcFixture dc(Framing::Classic, {Role::Send(deviceFiles.PathOf("JOB1.CR5"))});
  EXPECT_TRUE(RunKermit(dc, "-r").get()) << Logs(dc);
  ASSERT_TRUE(dc.Device().WaitFinished(5000)) << Logs(dc);
  EXPECT_TRUE(dc.Device().Outcomes().at(0).success) << Logs(dc);
  // C-Kermit turns received upper-case names into lower case.
  EXPECT_TRUE(kermitDir.ReadFile("job1.cr5") == content) << Logs(dc);
}

TEST_F(DcKermit, DeviceUploadsGetsAndListsWithAKermitServer) {
  kermitDir.WriteFile("REMOTE.DAT", content);
  deviceFiles.WriteFile("UP.BIN", content);
  for (const Role& role :
       {Role::Upload(deviceFiles.PathOf("UP.BIN")), Role::Download("REMOTE.DAT"), Role::Remote('D', "")}) {
    DcFixture dc(Framing::Classic, {role});
    std::future<bool> kermit = RunKermit(dc, "-O");  // serves one command, then exits
    ASSERT_TRUE(dc.Device().WaitFinished(30000)) << Logs(dc);
    EXPECT_TRUE(kermit.get()) << Logs(dc);
    const Outcome outcome = dc.Device().Outcomes().at(0);
    EXPECT_TRUE(outcome.success) << outcome.detail << Logs(dc);
    if (role.kind == RoleKind::Upload) {
      EXPECT_TRUE(kermitDir.ReadFile("up.bin") == content) << Logs(dc);
    } else if (role.kind == RoleKind::Download) {
      EXPECT_TRUE(ReadFile(dc.Served() / "REMOTE.DAT") == content) << Logs(dc);
    } else {
      EXPECT_NE(outcome.reply.find("REMOTE.DAT"), std::string::npos) << outcome.reply;
    }
  }
}

}  // namespace
}  // namespace corvane::dc
