// TransferServer with the wide Data Collector driving the PC: uploads,
// downloads and remote commands, and the confinement to a served root.
#include <gtest/gtest.h>

#include <utility>

#include "integration/device_link.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using dc::Framing;
using dc::Role;

class ServerModeTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    UseDevice(Framing::Wide);
  }
  std::string Outbox(const std::string& name, const std::string& content) {
    WriteBytes(DeviceLinkTest::Outbox() / name, content);
    return (DeviceLinkTest::Outbox() / name).string();
  }
};

TEST_F(ServerModeTest, UploadsDownloadsAndRemoteCommandsInOneRun) {
  const std::string first = MixedBytes(1300);
  const std::string hosted = MixedBytes(2100);
  WriteBytes(Pc() / "HOST.TXT", hosted);
  fs::create_directory(Pc() / "JOBS");
  WriteBytes(Pc() / "JOBS" / "J1.TXT", "job");
  Plan({Role::Upload(Outbox("UP1.BIN", first)), Role::Upload(Outbox("UP2.TXT", "second\r\n")),
        Role::Download("HOST.TXT"), Role::Remote('D', ""), Role::Remote('C', "JOBS"), Role::Remote('E', "J1.TXT")});

  EXPECT_TRUE(ServeUntilScriptEnds());
  EXPECT_EQ(TransferGetLastError(), 0);

  const std::vector<dc::Outcome> outcomes = Outcomes();
  ASSERT_EQ(outcomes.size(), 6u) << DeviceLog();
  for (const dc::Outcome& outcome : outcomes) {
    EXPECT_TRUE(outcome.success) << dc::DescribeRole(outcome.role) << ": " << outcome.detail;
  }
  EXPECT_EQ(ReadBytes(Pc() / "UP1.BIN"), first);
  EXPECT_EQ(ReadBytes(Pc() / "UP2.TXT"), "second\r\n");
  EXPECT_EQ(ReadBytes(Served() / "HOST.TXT"), hosted);
  const std::string& listing = outcomes[3].reply;
  for (const char* name : {"HOST.TXT", "UP1.BIN", "UP2.TXT", "JOBS"}) {
    EXPECT_NE(listing.find(name), std::string::npos) << name << " missing from\n" << listing;
  }
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Pc() / "JOBS")) << "the device's cd moves the PC's directory";
  EXPECT_FALSE(fs::exists(Pc() / "JOBS" / "J1.TXT"));
}

TEST_F(ServerModeTest, ExistingFileIsRefusedAndTheServerStaysUp) {
  // Names match without regard to case, as on the PC the protocol was made for.
  WriteBytes(Pc() / "taken.txt", "keep me");
  Plan({Role::Upload(Outbox("TAKEN.TXT", "intruder")), Role::Upload(Outbox("FRESH.TXT", "welcome")),
        Role::Download("MISSING.TXT")});

  EXPECT_TRUE(ServeUntilScriptEnds());

  const std::vector<dc::Outcome> outcomes = Outcomes();
  ASSERT_EQ(outcomes.size(), 3u) << DeviceLog();
  EXPECT_FALSE(outcomes[0].success);
  EXPECT_EQ(outcomes[0].remoteError, "File exists");
  EXPECT_EQ(ReadBytes(Pc() / "taken.txt"), "keep me");
  EXPECT_FALSE(fs::exists(Pc() / "TAKEN.TXT"));
  EXPECT_TRUE(outcomes[1].success) << outcomes[1].detail;
  EXPECT_EQ(ReadBytes(Pc() / "FRESH.TXT"), "welcome");
  EXPECT_FALSE(outcomes[2].success);
  EXPECT_EQ(outcomes[2].remoteErrorLength, 251) << outcomes[2].detail;
  EXPECT_FALSE(fs::exists(Served() / "MISSING.TXT"));
}

TEST_F(ServerModeTest, ConfinementRefusesEverythingOutsideTheRoot) {
  fs::create_directory(Pc() / "inside");
  WriteBytes(Pc() / "inside" / "OK.TXT", "inside");
  WriteBytes(Pc() / "SECRET.TXT", "outside");
  fs::current_path(Pc() / "inside");
  TransferSetServerRoot((Pc() / "inside").string());
  Plan({Role::Download("OK.TXT"), Role::Download("../SECRET.TXT"), Role::Remote('C', ".."),
        Role::Remote('E', "../SECRET.TXT"), Role::Upload(Outbox("NEW.TXT", "new"))});

  EXPECT_TRUE(ServeUntilScriptEnds());

  const std::vector<dc::Outcome> outcomes = Outcomes();
  ASSERT_EQ(outcomes.size(), 5u) << DeviceLog();
  EXPECT_TRUE(outcomes[0].success) << outcomes[0].detail;
  EXPECT_EQ(ReadBytes(Served() / "OK.TXT"), "inside");
  // A download that cannot be opened is refused at its header; cd and erase get "unknown command".
  const std::pair<std::size_t, int> refusals[] = {{1, 251}, {2, 249}, {3, 249}};
  for (const auto& [index, code] : refusals) {
    EXPECT_FALSE(outcomes[index].success) << dc::DescribeRole(outcomes[index].role);
    EXPECT_EQ(outcomes[index].remoteErrorLength, code) << dc::DescribeRole(outcomes[index].role);
  }
  EXPECT_FALSE(FindIgnoringCase(Served(), "SECRET.TXT"));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Pc() / "inside"));
  EXPECT_EQ(ReadBytes(Pc() / "SECRET.TXT"), "outside");
  EXPECT_TRUE(outcomes[4].success) << "uploads inside the root still work: " << outcomes[4].detail;
  EXPECT_EQ(ReadBytes(Pc() / "inside" / "NEW.TXT"), "new");

  // The current directory itself outside the root: an upload is refused.
  fs::current_path(Pc());
  Plan({Role::Upload(Outbox("STRAY.TXT", "stray"))});
  EXPECT_TRUE(ServeUntilScriptEnds());
  const std::vector<dc::Outcome> stray = Outcomes();
  ASSERT_EQ(stray.size(), 1u) << DeviceLog();
  EXPECT_FALSE(stray[0].success) << stray[0].detail;
  EXPECT_EQ(stray[0].remoteErrorLength, 255) << stray[0].detail;
  EXPECT_FALSE(FindIgnoringCase(Pc(), "STRAY.TXT"));
}

}  // namespace
}  // namespace corvane::testing
