// The corvane command against real Kermit programs over a null-modem pty cable.
#include <gtest/gtest.h>

#include "interop/interop_fixture.h"

namespace corvane::testing {
namespace {

// The parameter: C-Kermit when true, G-Kermit when false.
class WithKermit : public InteropTest, public ::testing::WithParamInterface<bool> {
 protected:
  void StartReceiver() {
    if (GetParam()) {
      StartCKermit("receive");
    } else {
      StartGKermit({"-r", "-i"});
    }
  }
  void StartSender(const std::string& file) {
    if (GetParam()) {
      StartCKermit("set file type binary, send " + file);
    } else {
      StartGKermit({"-i", "-s", file});
    }
  }
};

// The automatic platform finds a classic Kermit as well as the classic platform value does.
TEST_P(WithKermit, SentTextArrivesWithCrLf) {
  for (const std::string platform : {"classic", "auto"}) {
    WriteFile(pcDir / (platform + ".txt"), "first line\nsecond\r\nlone cr\rlast without end");
    StartReceiver();
    ASSERT_EQ(RunCorvane({"--platform", platform, "send", platform + ".txt"}), 0) << platform << CorvaneOutput();
    ASSERT_EQ(WaitForKermit(), 0) << KermitLog();
    // Both Kermit programs store a received name in lower case.
    EXPECT_EQ(ReadFile(kermitDir / (platform + ".txt")), "first line\r\nsecond\r\nlone cr\r\nlast without end");
  }
}

TEST_P(WithKermit, ReceivedTextIsStoredWithCrLf) {
  for (const std::string platform : {"classic", "auto"}) {
    WriteFile(kermitDir / (platform + ".txt"), "alpha\nbeta\n");
    StartSender(platform + ".txt");
    ASSERT_EQ(RunCorvane({"--platform", platform, "receive"}), 0) << platform << CorvaneOutput();
    ASSERT_EQ(WaitForKermit(), 0) << KermitLog();
    // Kermit sends names in upper case.
    EXPECT_EQ(ReadFile(pcDir / (platform == "classic" ? "CLASSIC.TXT" : "AUTO.TXT")), "alpha\r\nbeta\r\n");
  }
}

TEST_P(WithKermit, AnUnreadableCoordinateLineIsRefusedWithItsMessage) {
  WriteFile(kermitDir / "bad.cr5", "12,1000.5,2000.25,15.125,GOOD\r\nthis is no point\r\n");
  StartSender("bad.cr5");
  EXPECT_EQ(RunCorvane({"--platform", "classic", "receive"}), 1);
  EXPECT_NE(CorvaneOutput().find("This is not a valid coordinate file. (Message: #KER-120)."), std::string::npos)
      << CorvaneOutput();
}

INSTANTIATE_TEST_SUITE_P(Kermit, WithKermit, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "CKermit" : "GKermit"); });

// Requests to a C-Kermit server: get, directory, cd and erase.
class KermitServer : public InteropTest {
 protected:
  void SetUp() override {
    InteropTest::SetUp();
    std::filesystem::create_directories(kermitDir / "job");
    WriteFile(kermitDir / "remote.txt", "from the server\n");
    WriteFile(kermitDir / "job" / "old.txt", "to be erased\n");
    StartCKermit("set file type binary, enable delete, enable cd, enable directory, server");
  }
  void TearDown() override {
    kermit.Interrupt();
    InteropTest::TearDown();
  }
};

// The probe finds the server as well as the classic platform value does.
TEST_F(KermitServer, GetsAFileAndFailsOnAMissingOne) {
  for (const char* platform : {"classic", "auto"}) {
    ASSERT_EQ(RunCorvane({"--platform", platform, "get", "remote.txt"}), 0) << platform << CorvaneOutput();
    EXPECT_EQ(ReadFile(pcDir / "REMOTE.TXT"), "from the server\r\n") << platform;
    std::filesystem::remove(pcDir / "REMOTE.TXT");
  }
  EXPECT_EQ(RunCorvane({"--platform", "classic", "get", "missing.txt"}), 1) << CorvaneOutput();
  EXPECT_NE(CorvaneOutput().find("result -21"), std::string::npos) << CorvaneOutput();
  EXPECT_FALSE(std::filesystem::exists(pcDir / "MISSING.TXT"));
}

TEST_F(KermitServer, ListsChangesDirectoryAndErases) {
  // A remote command probes on the auto platform, then goes through the classic engine.
  for (const char* platform : {"classic", "auto"}) {
    ASSERT_EQ(RunCorvane({"--platform", platform, "dir"}), 0) << platform << CorvaneOutput();
    EXPECT_NE(CorvaneOutput().find("remote.txt"), std::string::npos) << platform << CorvaneOutput();
  }

  // A three-character argument has '#' as its length character, which goes out prefixed.
  ASSERT_EQ(RunCorvane({"--platform", "classic", "cd", "job"}), 0) << CorvaneOutput();
  ASSERT_EQ(RunCorvane({"--platform", "classic", "del", "old.txt"}), 0) << CorvaneOutput();
  EXPECT_FALSE(std::filesystem::exists(kermitDir / "job" / "old.txt"));

  EXPECT_EQ(RunCorvane({"--platform", "classic", "cd", "no-such-dir"}), 1) << CorvaneOutput();
  EXPECT_EQ(RunCorvane({"--platform", "classic", "del", "no-such-file"}), 1) << CorvaneOutput();

  // No reply files are left behind in the working directory.
  for (const auto& entry : std::filesystem::directory_iterator(pcDir)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("$KT")) << entry.path();
  }
}

}  // namespace
}  // namespace corvane::testing
