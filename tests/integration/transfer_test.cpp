// Send, receive, get and the remote commands through the exported functions
// against the simulated Data Collector, in both framings and through the platform probe.
#include "integration/device_link.h"

namespace corvane::testing {
namespace {

using dc::Framing;
using enum dc::Framing;

// How the PC reaches the device: its framing and the platform value set first
// (1 lets a transfer probe, so a wrong decision fails against a one-framing device).
struct Route {
  Framing framing;
  int platform;
};
void PrintTo(const Route& r, std::ostream* out) {
  *out << (r.framing == Framing::Classic ? "ClassicOnPlatform" : "WideOnPlatform") << r.platform;
}
std::string TestName(const ::testing::TestParamInfo<Route>& info) { return ::testing::PrintToString(info.param); }

class RouteTest : public DeviceLinkTest, public ::testing::WithParamInterface<Route> {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    // A classic device resends an S that the probe took after its own time-out: keep it short.
    UseDevice(GetParam().framing, GetParam().platform, {}, GetParam().platform == 1 ? 1 : 3);
  }
  bool Classic() const { return GetParam().framing == Framing::Classic; }
};

const Route kTransferRoutes[] = {{Classic, 0}, {Classic, 1}, {Wide, 2}, {Wide, 1}};

using SendTest = RouteTest;

TEST_P(SendTest, FilesArriveInTheDevicesFormUnderTheAnnouncedName) {
  const std::string coordinates = CoordinateFileBytes("JOB1", 12, {{12, 1000.5, 2000.25, 15.125, "TREE"},
                                                          {0, 1.0, 1.0, 1.0, "EMPTY SLOT"},
                                                          {3, 1.0, 2.0, -9.99e27, "NOZ"}});
  WriteFile(Pc() / "NOTES.TXT", "first line\nsecond line\n");
  WriteFile(Pc() / "JOB1.CR5", coordinates);
  WriteFile(Pc() / "EMPTY.TXT", "");
  for (const char* name : {"JOB1.CR5", "EMPTY.TXT", "NOTES.TXT"}) ASSERT_TRUE(TransferSend(name, "")) << name << Why();
  ASSERT_TRUE(TransferSend("NOTES.TXT", "REMOTE.TXT")) << Why();

  // The classic line carries text lines with CR LF ends and a point per line; the wide line the bytes as they are.
  EXPECT_EQ(ReadFile(Served() / "NOTES.TXT"),
            Classic() ? "first line\r\nsecond line\r\n" : "first line\nsecond line\n");
  EXPECT_EQ(ReadFile(Served() / "JOB1.CR5"), Classic() ? "12,1000.5000000000,2000.2500000000,15.1250000000,TREE\r\n"
                                                          "3,1.0000000000,2.0000000000,-99999.9999000000,NOZ\r\n"
                                                        : coordinates);
  EXPECT_EQ(FileNames(Served()), (std::vector<std::string>{"EMPTY.TXT", "JOB1.CR5", "NOTES.TXT", "REMOTE.TXT"}));
  EXPECT_EQ(ReadFile(Served() / "REMOTE.TXT"), ReadFile(Served() / "NOTES.TXT"));

  // The classic engine finds nothing to send and ends cleanly; the wide engine cannot open the file.
  EXPECT_EQ(TransferSend("ABSENT.TXT", ""), Classic());
  EXPECT_EQ(TransferGetLastError(), Classic() ? 0 : 251) << Why();
}

using ReceiveTest = RouteTest;

TEST_P(ReceiveTest, FileIsStoredUnderItsOwnOrTheGivenNameAndNeverOverAnother) {
  // A .CR5 on the wide line is binary and must pass untouched; the classic line gets a plain text file.
  const std::string name = Classic() ? "PUSH.TXT" : "PUSH.CR5";
  const std::string content = Classic() ? "alpha\r\nbeta\r\n" : MixedBytes(700);
  std::string output;
  for (const std::string wanted : {"", "MINE.DAT"}) {
    PlanPush(name, content);
    ASSERT_TRUE(TransferReceive(wanted)) << Why();
    ASSERT_TRUE(TransferGetOutputFilename(output));
    EXPECT_EQ(output, wanted.empty() ? name : wanted);
    EXPECT_EQ(ReadFile(Pc() / output), content);
  }

  // An existing file with no Save As handler: the question is answered "cancelled".
  WriteFile(Pc() / name, "old");
  PlanPush(name, content);
  EXPECT_FALSE(TransferReceive(""));
  EXPECT_EQ(TransferGetLastError(), Classic() ? -21 : 255) << Why();
  std::vector<std::string> asked;
  TransferSetSaveAsHandler([&](const std::string& proposed) -> std::optional<std::string> {
    asked.push_back(fs::path(proposed).filename());
    return (Pc() / "RENAMED.DAT").string();
  });
  PlanPush(name, content);
  ASSERT_TRUE(TransferReceive("")) << Why();
  EXPECT_EQ(asked, std::vector<std::string>{name});
  EXPECT_EQ(ReadFile(Pc() / name), "old");
  EXPECT_EQ(ReadFile(Pc() / "RENAMED.DAT"), content);
}

INSTANTIATE_TEST_SUITE_P(Routes, SendTest, ::testing::ValuesIn(kTransferRoutes), TestName);
INSTANTIATE_TEST_SUITE_P(Routes, ReceiveTest, ::testing::ValuesIn(kTransferRoutes), TestName);

using GetTest = RouteTest;

TEST_P(GetTest, ServedFileArrivesAndAMissingOneFailsCleanly) {
  const std::string content = Classic() ? "one\r\ntwo\r\n" : MixedBytes(1500);
  WriteFile(Served() / "JOB.DAT", content);
  // Asked for in lower case: the device matches without regard to case, the PC stores in upper case.
  ASSERT_TRUE(TransferGet("job.dat", "")) << Why();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{"JOB.DAT"});
  EXPECT_EQ(ReadFile(Pc() / "JOB.DAT"), content);

  EXPECT_FALSE(TransferGet("NOPE.DAT", ""));
  EXPECT_EQ(TransferGetLastError(), -21) << Why();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{"JOB.DAT"}) << "a failed get leaves no file";
}

// A get probes on platform 0 as well; platform 2 takes the wide request loop.
INSTANTIATE_TEST_SUITE_P(Routes, GetTest,
                         ::testing::Values(Route{Classic, 0}, Route{Classic, 1}, Route{Wide, 0}, Route{Wide, 1},
                                           Route{Wide, 2}),
                         TestName);

using RemoteCommandTest = RouteTest;

TEST_P(RemoteCommandTest, ListEraseAndChangeDirectory) {
  WriteFile(Served() / "A.TXT", "12345");
  fs::create_directory(Served() / "SUB");
  WriteFile(Served() / "SUB" / "INNER.TXT", "xy");
  // A listing's reply file lands in the current directory; the others' replies are removed.
  auto listing = [this] {
    std::string reply;
    EXPECT_TRUE(TransferDirectory("")) << Why();
    EXPECT_TRUE(TransferGetOutputFilename(reply));
    EXPECT_TRUE(fs::path(reply).filename().string().starts_with("$KT")) << reply;
    EXPECT_TRUE(fs::equivalent(fs::absolute(reply).parent_path(), Pc())) << reply;
    const std::string text = ReadFile(reply);
    fs::remove(reply);
    return text;
  };
  EXPECT_EQ(listing(), "/\r\nA.TXT 5\r\nSUB <DIR>\r\n");
  ASSERT_TRUE(TransferDelete("A.TXT")) << Why();
  EXPECT_FALSE(fs::exists(Served() / "A.TXT"));
  EXPECT_FALSE(TransferDelete("A.TXT"));
  EXPECT_EQ(TransferGetLastError(), -21) << Why();
  ASSERT_TRUE(TransferChangeDirectory("SUB")) << Why();
  EXPECT_EQ(listing(), "/SUB\r\nINNER.TXT 2\r\n");
  EXPECT_FALSE(TransferChangeDirectory("MISSING"));
  EXPECT_EQ(TransferGetLastError(), -21) << Why();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{}) << "no reply file is left behind";
}

// Platform 1 asks with the classic request; any other value with the wide request loop.
INSTANTIATE_TEST_SUITE_P(Routes, RemoteCommandTest, ::testing::Values(Route{Classic, 1}, Route{Wide, 2}),
                         TestName);

// Survey files on the classic line change form both ways.
using SurveyFileTest = DeviceLinkTest;

TEST_F(SurveyFileTest, CoordinateAndPolylineFilesSurviveARoundTrip) {
  UseDevice(Framing::Classic, 0);
  // Enough points that lines straddle packets in both directions.
  std::vector<Point> points;
  for (int i = 1; i <= 150; ++i) {
    points.push_back({i * 3, 5000.0 + i * 0.25, 7000.0 - i * 0.125, i % 7 == 0 ? -9.99e27 : i * 0.5, "PT" + std::to_string(i)});
  }
  WriteFile(Pc() / "ROUND.CR5", CoordinateFileBytes("ROUND", 450, points));
  ASSERT_TRUE(TransferSend("ROUND.CR5", "")) << Why();
  fs::remove(Pc() / "ROUND.CR5");
  ASSERT_TRUE(TransferGet("ROUND.CR5", "")) << Why();

  // The PC writes a missing height as -99999.9999 but reads back only the device's
  // own -99999.99 as missing: a device that stores lines as given returns the number.
  for (Point& point : points) point.z = point.z == -9.99e27 ? -99999.9999 : point.z;
  EXPECT_EQ(ReadFile(Pc() / "ROUND.CR5"), CoordinateFileBytes("ROUND", 450, points));

  WriteFile(Pc() / "ROAD.PL5", "PT,5\nPR,1,9\nCR,10,11,25.5,L,R,100,200,300\nU\nSA,x\nJUNK\nSR,3,4\n");
  ASSERT_TRUE(TransferSend("ROAD.PL5", "")) << Why();
  EXPECT_EQ(ReadFile(Served() / "ROAD.PL5"),
            "PT 5\r\nPT 1-9\r\nCR 10-11,25.500,R,L,100.000,200.000,300.000\r\nPEN UP\r\nSA,x\r\nSS 3-4\r\n");
  WriteFile(Served() / "BACK.PL5", "PT 12-15\r\nSS4-6\r\nPEN DOWN\r\nCR 10-11,25.5,R,L,100,200\r\nNOISE\r\n");
  ASSERT_TRUE(TransferGet("BACK.PL5", "")) << Why();
  EXPECT_EQ(ReadFile(Pc() / "BACK.PL5"),
            "PR,12,15\r\nSR,4,6\r\nD \r\nCR,10,11,25.500000,L,R,100.000000,200.000000,0.000000\r\n");
}

}  // namespace
}  // namespace corvane::testing
