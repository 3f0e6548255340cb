// TransferServer with the wide Data Collector driving the PC: uploads,
// downloads and remote commands, and the confinement to a served root.
#include "integration/device_link.h"

namespace corvane::testing {
namespace {

using dc::Role;

// "upload /tmp/.../pc/UP1.BIN 1300 done": what a server run told the host of one request.
std::string Described(const ServedRequest& request) {
  const char* kinds[] = {"upload", "download", "directory", "cd", "erase", "unknown"};
  return std::string(kinds[static_cast<int>(request.kind)]) + " " + request.path + " " +
         std::to_string(request.bytes) + (request.carriedOut ? " done" : " not done: " + request.why);
}

class ServerModeTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    UseDevice(dc::Framing::Wide, 1);
  }
  // Serves the script; each role expects 0 (success), the code it is refused with, or -1 (refused with a text).
  std::vector<dc::Outcome> Serve(std::vector<Role> script, const std::vector<int>& refusals) {
    Plan(std::move(script));
    EXPECT_TRUE(ServeUntilScriptEnds());
    EXPECT_TRUE(Device().WaitFinished(15000)) << "the device's script did not end\n" << Why();
    const std::vector<dc::Outcome> outcomes = Device().Outcomes();
    EXPECT_EQ(outcomes.size(), refusals.size()) << Why();
    for (std::size_t i = 0; i < std::min(outcomes.size(), refusals.size()); ++i) {
      EXPECT_EQ(outcomes[i].success, refusals[i] == 0) << dc::DescribeRole(outcomes[i].role) << outcomes[i].detail;
      if (refusals[i] > 0) {
        EXPECT_EQ(outcomes[i].remoteErrorLength, refusals[i]) << dc::DescribeRole(outcomes[i].role);
      }
    }
    return outcomes;
  }
};

TEST_F(ServerModeTest, UploadsDownloadsAndRemoteCommandsInOneRun) {
  const std::string first = MixedBytes(1300), hosted = MixedBytes(2100);
  WriteFile(Pc() / "HOST.TXT", hosted);
  // Names match without regard to case, as on the PC the protocol was made for.
  WriteFile(Pc() / "taken.txt", "keep me");
  fs::create_directory(Pc() / "JOBS");
  WriteFile(Pc() / "JOBS" / "J1.TXT", "job");
  const auto outcomes = Serve({Role::Upload(InOutbox("UP1.BIN", first)),
                               Role::Upload(InOutbox("TAKEN.TXT", "intruder")), Role::Download("HOST.TXT"),
                               Role::Download("MISSING.TXT"), Role::Remote('D', ""), Role::Remote('C', "JOBS"),
                               Role::Remote('E', "J1.TXT")},
                              {0, -1, 0, 251, 0, 0, 0});
  EXPECT_EQ(TransferGetLastError(), 0);
  ASSERT_EQ(outcomes.size(), 7u);
  const std::string pc = fs::canonical(Pc()).string();
  EXPECT_EQ(outcomes[1].remoteError, "File exists");
  EXPECT_EQ(ReadFile(Pc() / "taken.txt"), "keep me");
  EXPECT_EQ(ReadFile(Pc() / "UP1.BIN"), first);
  EXPECT_EQ(ReadFile(Served() / "HOST.TXT"), hosted);
  EXPECT_FALSE(fs::exists(Served() / "MISSING.TXT"));
  for (const char* name : {"HOST.TXT", "UP1.BIN", "JOBS"}) {
    EXPECT_NE(outcomes[4].reply.find(name), std::string::npos) << name << " missing from\n" << outcomes[4].reply;
  }
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Pc() / "JOBS")) << "the device's cd moves the PC's directory";
  EXPECT_EQ(outcomes[5].reply, pc + "/JOBS\r\n") << "written over the listing's longer answer";
  EXPECT_FALSE(fs::exists(Pc() / "JOBS" / "J1.TXT"));

  // The host is told each request as the device made it, and what came of it.
  std::vector<std::string> told;
  for (const ServedRequest& request : TransferTakeServedRequests()) told.push_back(Described(request));
  EXPECT_EQ(told, (std::vector<std::string>{"upload " + pc + "/UP1.BIN 1300 done",
                                            "upload " + pc + "/TAKEN.TXT 0 not done: File exists",
                                            "download " + pc + "/HOST.TXT 2100 done",
                                            "download " + pc + "/MISSING.TXT 0 not done: " + TransferErrorText(251),
                                            "directory " + pc + " 0 done", "cd " + pc + "/JOBS 0 done",
                                            "erase " + pc + "/JOBS/J1.TXT 0 done"}));
  EXPECT_TRUE(TransferTakeServedRequests().empty()) << "each request is handed out once";
}

TEST_F(ServerModeTest, ConfinementRefusesEverythingOutsideTheRoot) {
  fs::create_directory(Pc() / "inside");
  WriteFile(Pc() / "inside" / "OK.TXT", "inside");
  WriteFile(Pc() / "SECRET.TXT", "outside");
  fs::current_path(Pc() / "inside");
  TransferSetServerRoot((Pc() / "inside").string());
  // A download that cannot be opened is refused at its header; cd and erase get "unknown command".
  Serve({Role::Download("OK.TXT"), Role::Download("../SECRET.TXT"), Role::Remote('C', ".."),
         Role::Remote('E', "../SECRET.TXT"), Role::Upload(InOutbox("NEW.TXT", "new"))},
        {0, 251, 249, 249, 0});
  EXPECT_EQ(ReadFile(Served() / "OK.TXT"), "inside");
  EXPECT_EQ(FileNames(Served()), std::vector<std::string>{"OK.TXT"});
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Pc() / "inside"));
  EXPECT_EQ(ReadFile(Pc() / "SECRET.TXT"), "outside");
  EXPECT_EQ(ReadFile(Pc() / "inside" / "NEW.TXT"), "new");

  // The current directory itself outside the root: an upload and a listing are refused.
  fs::current_path(Pc());
  Serve({Role::Upload(InOutbox("STRAY.TXT", "stray")), Role::Remote('D', "")}, {255, 249});
  EXPECT_EQ(FileNames(Pc()), (std::vector<std::string>{"SECRET.TXT", "inside"}));
}

}  // namespace
}  // namespace corvane::testing
