// The classic device against C-Kermit over a pty pair: a real Kermit vouches
// for the device's framing, negotiation and encoding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "dc/dc_test_support.h"
#include "support/dc_fixture.h"

namespace corvane::dc {
namespace {

using corvane::testing::DcFixture;
using testing::MixedBytes;
using testing::ReadFile;
using testing::WriteFile;

bool KermitInstalled() { return std::system("command -v kermit > /dev/null 2>&1") == 0; }

// Runs C-Kermit on the pty slave in `directory`, bounded in time; its own
// output goes to kermit.log there. True when it exits with success.
std::future<bool> RunKermit(const std::filesystem::path& directory, const std::string& slavePath,
                            const std::string& action) {
  const std::string command = "cd '" + directory.string() + "' && timeout 40 kermit -Y -H -B -l " + slavePath +
                              " -b 9600 -C 'set carrier-watch off, set flow none' -i " + action +
                              " > kermit.log 2>&1 < /dev/null";
  return std::async(std::launch::async, [command] { return std::system(command.c_str()) == 0; });
}

class DcKermit : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(KermitInstalled()) << "C-Kermit (`kermit`, Debian package ckermit) is needed"; }

  std::filesystem::path KermitDir(const DcFixture& dc) {
    const std::filesystem::path path = dc.Served().string() + "-kermit";
    std::filesystem::create_directory(path);
    return path;
  }
  std::string KermitLog(const std::filesystem::path& directory) { return ReadFile(directory / "kermit.log"); }
};

TEST_F(DcKermit, KermitSendsToTheServingDevice) {
  DcFixture dc(Framing::Classic);
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  const std::filesystem::path kermitDir = KermitDir(dc);
  const std::string content = MixedBytes(5000) + "#\r\n\x7f";
  WriteFile(kermitDir / "survey.bin", content);
  std::future<bool> kermit = RunKermit(kermitDir, dc.SlavePath(), "-s survey.bin");
  EXPECT_TRUE(kermit.get()) << KermitLog(kermitDir) << dc.Log();
  dc.Stop();
  EXPECT_TRUE(ReadFile(dc.Served() / "SURVEY.BIN") == content) << dc.Log();
  std::filesystem::remove_all(kermitDir);
}

TEST_F(DcKermit, DeviceSendsToReceivingKermit) {
  DcFixture probe(Framing::Classic);  // only for a served directory name to put the file in
  const std::filesystem::path source = probe.Served() / "JOB1.CR5";
  const std::string content = MixedBytes(3000);
  WriteFile(source, content);
  DcFixture dc(Framing::Classic, {Role::Send(source.string())});
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  const std::filesystem::path kermitDir = KermitDir(dc);
  std::future<bool> kermit = RunKermit(kermitDir, dc.SlavePath(), "-r");
  EXPECT_TRUE(kermit.get()) << KermitLog(kermitDir) << dc.Log();
  ASSERT_TRUE(dc.Device().WaitFinished(5000)) << dc.Log();
  EXPECT_TRUE(dc.Device().Outcomes().at(0).success) << dc.Log();
  // C-Kermit turns received upper-case names into lower case.
  EXPECT_TRUE(ReadFile(kermitDir / "job1.cr5") == content) << KermitLog(kermitDir) << dc.Log();
  std::filesystem::remove_all(kermitDir);
}

TEST_F(DcKermit, DeviceAsClientOfAKermitServer) {
  struct Case {
    Role role;
    const char* expectInReply;
  };
  const Case cases[] = {
      {Role::Download("REMOTE.DAT"), ""},
      {Role::Remote('D', ""), "REMOTE.DAT"},
  };
  for (const Case& c : cases) {
    DcFixture dc(Framing::Classic, {c.role});
    ASSERT_TRUE(dc.Start()) << dc.StartError();
    const std::filesystem::path kermitDir = KermitDir(dc);
    const std::string content = MixedBytes(2500);
    WriteFile(kermitDir / "REMOTE.DAT", content);
    // -O: serve one command, then exit.
    std::future<bool> kermit = RunKermit(kermitDir, dc.SlavePath(), "-O");
    ASSERT_TRUE(dc.Device().WaitFinished(30000)) << dc.Log();
    EXPECT_TRUE(kermit.get()) << KermitLog(kermitDir);
    const Outcome outcome = dc.Device().Outcomes().at(0);
    EXPECT_TRUE(outcome.success) << outcome.detail << dc.Log();
    if (c.role.kind == RoleKind::Download) {
      EXPECT_TRUE(ReadFile(dc.Served() / "REMOTE.DAT") == content) << dc.Log();
    } else {
      EXPECT_NE(outcome.reply.find(c.expectInReply), std::string::npos) << outcome.reply;
    }
    std::filesystem::remove_all(kermitDir);
  }
}

}  // namespace
}  // namespace corvane::dc
