// Send, receive and get through the exported functions against the simulated
// Data Collector, in both framings and through the platform probe.
#include <gtest/gtest.h>

#include "integration/device_link.h"

namespace corvane::testing {
namespace {

using dc::Framing;
using dc::Role;

// How the PC reaches the device: its framing and the platform value set first
// (1 lets the probe decide, so a wrong decision fails against a one-framing device).
struct Route {
  Framing framing;
  int platform;
  const char* name;
};

std::string RouteName(const ::testing::TestParamInfo<Route>& info) { return info.param.name; }
void PrintTo(const Route& route, std::ostream* out) { *out << route.name; }

class TransferRouteTest : public DeviceLinkTest, public ::testing::WithParamInterface<Route> {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    TransferSetOtherPlatform(GetParam().platform);
    // A classic device resends an S that the probe took after its own time-out: keep it short.
    UseDevice(GetParam().framing, {}, GetParam().platform == 1 ? 1 : 3);
  }
  bool Classic() const { return GetParam().framing == Framing::Classic; }
};

const Route kTransferRoutes[] = {
    {Framing::Classic, 0, "ClassicByPlatform0"},
    {Framing::Classic, 1, "ClassicByProbe"},
    {Framing::Wide, 2, "WideByPlatform2"},
    {Framing::Wide, 1, "WideByProbe"},
};

class SendTest : public TransferRouteTest {};

TEST_P(SendTest, TextCoordinateAndEmptyFilesArriveInTheDevicesForm) {
  const std::string text = "first line\nsecond line\n";
  const std::string coordinates = CoordinateFile("JOB1", {{12, 1000.5, 2000.25, 15.125, "TREE"},
                                                          {0, 1.0, 1.0, 1.0, "EMPTY SLOT"},
                                                          {3, 1.0, 2.0, -9.99e27, "NOZ"}});
  WriteBytes(Pc() / "NOTES.TXT", text);
  WriteBytes(Pc() / "JOB1.CR5", coordinates);
  WriteBytes(Pc() / "EMPTY.TXT", "");

  for (const char* name : {"NOTES.TXT", "JOB1.CR5", "EMPTY.TXT"}) {
    ASSERT_TRUE(TransferSend(name, "")) << name << ": " << TransferGetLastError() << "\n" << DeviceLog();
  }

  // The classic line carries text lines with CR LF ends and a point per line;
  // the wide line carries the bytes as they are.
  EXPECT_EQ(ReadBytes(Served() / "NOTES.TXT"), Classic() ? "first line\r\nsecond line\r\n" : text);
  EXPECT_EQ(ReadBytes(Served() / "JOB1.CR5"),
            Classic() ? "12,1000.5000000000,2000.2500000000,15.1250000000,TREE\r\n"
                        "3,1.0000000000,2.0000000000,-99999.9999000000,NOZ\r\n"
                      : coordinates);
  ASSERT_TRUE(std::filesystem::exists(Served() / "EMPTY.TXT")) << DeviceLog();
  EXPECT_EQ(ReadBytes(Served() / "EMPTY.TXT"), "");
}

TEST_P(SendTest, AnnouncedNameReplacesTheLocalOne) {
  WriteBytes(Pc() / "LOCAL.TXT", "payload\r\n");
  ASSERT_TRUE(TransferSend("LOCAL.TXT", "REMOTE.TXT")) << TransferGetLastError() << "\n" << DeviceLog();
  const auto stored = FindIgnoringCase(Served(), "REMOTE.TXT");
  ASSERT_TRUE(stored) << DeviceLog();
  EXPECT_EQ(ReadBytes(*stored), "payload\r\n");
  EXPECT_FALSE(FindIgnoringCase(Served(), "LOCAL.TXT"));
}

TEST_P(SendTest, MissingLocalFile) {
  // The classic engine finds nothing to send and ends the exchange cleanly;
  // the wide engine reports that it cannot open the file.
  EXPECT_EQ(TransferSend("ABSENT.TXT", ""), Classic());
  EXPECT_EQ(TransferGetLastError(), Classic() ? 0 : 251) << DeviceLog();
  EXPECT_EQ(FileNames(Served()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Routes, SendTest, ::testing::ValuesIn(kTransferRoutes), RouteName);

class WideSendTest : public DeviceLinkTest {};

TEST_F(WideSendTest, KilobyteFileGoesInTwoFullDataPackets) {
  TransferSetOtherPlatform(2);
  UseDevice(Framing::Wide);
  const std::string bytes = MixedBytes(1024);
  WriteBytes(Pc() / "BLOCK.BIN", bytes);

  ASSERT_TRUE(TransferSend("BLOCK.BIN", "")) << TransferGetLastError() << "\n" << DeviceLog();

  EXPECT_EQ(ReadBytes(Served() / "BLOCK.BIN"), bytes);
  EXPECT_EQ(ReceivedLengths(Device().LogLines(), 'D'), (std::vector<std::size_t>{512, 512})) << DeviceLog();
  std::int32_t done = 0, total = 0;
  EXPECT_FALSE(TransferGetStatus(done, total));
  EXPECT_EQ(done, 1024);
  EXPECT_EQ(total, 1024);
}

class ReceiveTest : public TransferRouteTest {};

TEST_P(ReceiveTest, FileIsStoredUnderTheAnnouncedOrTheGivenName) {
  // A .CR5 on the wide line is binary and must pass untouched; the classic
  // line gets a plain text file.
  const std::string name = Classic() ? "PUSH.TXT" : "PUSH.CR5";
  const std::string content = Classic() ? "alpha\r\nbeta\r\n" : MixedBytes(700);
  WriteBytes(Outbox() / name, content);

  Plan({Role::Send((Outbox() / name).string())});
  ASSERT_TRUE(TransferReceive("")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Pc() / name), content);
  std::string output;
  EXPECT_TRUE(TransferGetOutputFilename(output));
  EXPECT_EQ(output, name);
  const auto first = Outcomes();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_TRUE(first[0].success) << first[0].detail;

  Plan({Role::Send((Outbox() / name).string())});
  ASSERT_TRUE(TransferReceive("MINE.DAT")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Pc() / "MINE.DAT"), content);
  EXPECT_TRUE(TransferGetOutputFilename(output));
  EXPECT_EQ(output, "MINE.DAT");
}

TEST_P(ReceiveTest, ExistingFileIsKeptUnlessTheUserNamesAnother) {
  WriteBytes(Pc() / "PUSH.TXT", "old");
  WriteBytes(Outbox() / "PUSH.TXT", "new\r\n");

  // No Save As handler: the question is answered "cancelled".
  Plan({Role::Send((Outbox() / "PUSH.TXT").string())});
  EXPECT_FALSE(TransferReceive(""));
  EXPECT_EQ(TransferGetLastError(), Classic() ? -21 : 255) << DeviceLog();
  EXPECT_EQ(ReadBytes(Pc() / "PUSH.TXT"), "old");

  std::vector<std::string> asked;
  TransferSetSaveAsHandler([&](const std::string& proposed) -> std::optional<std::string> {
    asked.push_back(proposed);
    return (Pc() / "RENAMED.TXT").string();
  });
  Plan({Role::Send((Outbox() / "PUSH.TXT").string())});
  ASSERT_TRUE(TransferReceive("")) << TransferGetLastError() << "\n" << DeviceLog();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(std::filesystem::path(asked[0]).filename(), "PUSH.TXT");
  EXPECT_EQ(ReadBytes(Pc() / "PUSH.TXT"), "old");
  EXPECT_EQ(ReadBytes(Pc() / "RENAMED.TXT"), "new\r\n");
}

TEST_P(ReceiveTest, EmptyFileWithASpaceInItsNameArrivesInUpperCase) {
  // The wide header ends with " <size>", so only the last space separates it.
  WriteBytes(Outbox() / "my job.dat", "");
  Plan({Role::Send((Outbox() / "my job.dat").string())});
  ASSERT_TRUE(TransferReceive("")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{"MY JOB.DAT"});
  EXPECT_EQ(ReadBytes(Pc() / "MY JOB.DAT"), "");
}

INSTANTIATE_TEST_SUITE_P(Routes, ReceiveTest, ::testing::ValuesIn(kTransferRoutes), RouteName);

// Survey files on the classic line: coordinate and polyline files change form on the way.
class SurveyFileTest : public DeviceLinkTest {};

TEST_F(SurveyFileTest, CoordinateLinesBecomeRecords) {
  TransferSetOtherPlatform(0);
  UseDevice(Framing::Classic);
  WriteBytes(Outbox() / "SURVEY.CR5",
             "5,100.5,200.25,10.125,PEG\r\n"
             "17,1.5,2.5,-99999.99\r\n"
             "3,7,8,9,LAST ONE\r\n");
  Plan({Role::Send((Outbox() / "SURVEY.CR5").string())});

  ASSERT_TRUE(TransferReceive("")) << TransferGetLastError() << "\n" << DeviceLog();

  const std::string file = ReadBytes(Pc() / "SURVEY.CR5");
  ASSERT_EQ(file.size(), 38u + 3 * 45u);
  EXPECT_EQ(NameInHeader(file), "SURVEY");
  EXPECT_EQ(HighestPointInHeader(file), 17);
  const std::vector<Point> points = CoordinatePoints(file);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].number, 5);
  EXPECT_DOUBLE_EQ(points[0].x, 100.5);
  EXPECT_DOUBLE_EQ(points[0].y, 200.25);
  EXPECT_DOUBLE_EQ(points[0].z, 10.125);
  EXPECT_EQ(points[0].description, "PEG");
  EXPECT_EQ(points[1].number, 17);
  EXPECT_DOUBLE_EQ(points[1].z, -9.99e27) << "the device's missing height becomes the PC's mark";
  EXPECT_EQ(points[1].description, "");
  EXPECT_EQ(points[2].number, 3);
  EXPECT_EQ(points[2].description, "LAST ONE");
}

TEST_F(SurveyFileTest, CoordinateFileSurvivesARoundTripThroughTheDevice) {
  // Enough points that lines straddle packets in both directions.
  TransferSetOtherPlatform(0);
  UseDevice(Framing::Classic);
  std::vector<Point> points;
  for (int i = 1; i <= 150; ++i) {
    points.push_back({i * 3, 5000.0 + i * 0.25, 7000.0 - i * 0.125, i % 7 == 0 ? -9.99e27 : i * 0.5,
                      "PT" + std::to_string(i)});
  }
  WriteBytes(Pc() / "ROUND.CR5", CoordinateFile("ROUND", points));

  ASSERT_TRUE(TransferSend("ROUND.CR5", "")) << TransferGetLastError() << "\n" << DeviceLog();
  std::filesystem::remove(Pc() / "ROUND.CR5");
  ASSERT_TRUE(TransferGet("ROUND.CR5", "")) << TransferGetLastError() << "\n" << DeviceLog();

  const std::string back = ReadBytes(Pc() / "ROUND.CR5");
  EXPECT_EQ(NameInHeader(back), "ROUND");
  EXPECT_EQ(HighestPointInHeader(back), 450);
  const std::vector<Point> received = CoordinatePoints(back);
  ASSERT_EQ(received.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(received[i].number, points[i].number);
    EXPECT_DOUBLE_EQ(received[i].x, points[i].x) << points[i].number;
    EXPECT_DOUBLE_EQ(received[i].y, points[i].y) << points[i].number;
    // The PC writes a missing height as -99999.9999, but reads back only the
    // device's own -99999.99 as missing: a device that stores lines as given
    // returns the number.
    const double z = points[i].z == -9.99e27 ? -99999.9999 : points[i].z;
    EXPECT_DOUBLE_EQ(received[i].z, z) << points[i].number;
    EXPECT_EQ(received[i].description, points[i].description);
  }
}

TEST_F(SurveyFileTest, UnreadableCoordinateLineIsRefusedWithItsOwnMessage) {
  TransferSetOtherPlatform(0);
  UseDevice(Framing::Classic);
  WriteBytes(Outbox() / "BAD.CR5", "5,100.5,200.25,10.125,PEG\r\n6,no numbers here\r\n");
  Plan({Role::Send((Outbox() / "BAD.CR5").string())});

  EXPECT_FALSE(TransferReceive(""));
  EXPECT_EQ(TransferGetLastError(), -21);
  const std::vector<dc::Outcome> outcomes = Outcomes();
  ASSERT_EQ(outcomes.size(), 1u);
  // The message goes out as it stands, without control prefixing, so the
  // device's decoder takes its "#K" for a prefixed character: compare the raw length.
  const std::string message = "This is not a valid coordinate file. (Message: #KER-120).";
  EXPECT_TRUE(outcomes[0].remoteError.starts_with("This is not a valid coordinate file. (Message: ")) << DeviceLog();
  EXPECT_EQ(outcomes[0].remoteErrorLength, static_cast<int>(message.size()));
  // What arrived before the bad line is kept.
  const std::vector<Point> kept = CoordinatePoints(ReadBytes(Pc() / "BAD.CR5"));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].number, 5);
}

TEST_F(SurveyFileTest, PolylineLinesAreRewrittenBothWays) {
  TransferSetOtherPlatform(0);
  UseDevice(Framing::Classic);
  WriteBytes(Pc() / "ROAD.PL5", "PT,5\nPR,1,9\nCR,10,11,25.5,L,R,100,200,300\nU\nSA,x\nJUNK\nSR,3,4\n");

  ASSERT_TRUE(TransferSend("ROAD.PL5", "")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Served() / "ROAD.PL5"),
            "PT 5\r\nPT 1-9\r\nCR 10-11,25.500,R,L,100.000,200.000,300.000\r\nPEN UP\r\nSA,x\r\nSS 3-4\r\n");

  WriteBytes(Served() / "BACK.PL5", "PT 12-15\r\nSS4-6\r\nPEN DOWN\r\nCR 10-11,25.5,R,L,100,200\r\nNOISE\r\n");
  ASSERT_TRUE(TransferGet("BACK.PL5", "")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Pc() / "BACK.PL5"),
            "PR,12,15\r\nSR,4,6\r\nD \r\nCR,10,11,25.500000,L,R,100.000000,200.000000,0.000000\r\n");
}

class GetTest : public TransferRouteTest {};

TEST_P(GetTest, ServedFileArrivesAndAMissingOneFailsCleanly) {
  const std::string content = Classic() ? "one\r\ntwo\r\n" : MixedBytes(1500);
  WriteBytes(Served() / "JOB.DAT", content);

  // Asked for in lower case: the device matches without regard to case, the PC stores in upper case.
  ASSERT_TRUE(TransferGet("job.dat", "")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{"JOB.DAT"});
  EXPECT_EQ(ReadBytes(Pc() / "JOB.DAT"), content);

  EXPECT_FALSE(TransferGet("NOPE.DAT", ""));
  EXPECT_EQ(TransferGetLastError(), -21) << DeviceLog();
  EXPECT_FALSE(FindIgnoringCase(Pc(), "NOPE.DAT")) << "a failed get leaves no file";

  // Nothing of the failure lingers into the next transaction.
  std::filesystem::remove(Pc() / "JOB.DAT");
  EXPECT_TRUE(TransferGet("JOB.DAT", "")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Pc() / "JOB.DAT"), content);
}

// A get probes on platform 0 as well; platform 2 takes the wide request loop.
const Route kGetRoutes[] = {
    {Framing::Classic, 0, "ClassicByPlatform0"}, {Framing::Classic, 1, "ClassicByProbe"},
    {Framing::Wide, 0, "WideByPlatform0"},       {Framing::Wide, 1, "WideByProbe"},
    {Framing::Wide, 2, "WideRequestLoop"},
};

INSTANTIATE_TEST_SUITE_P(Routes, GetTest, ::testing::ValuesIn(kGetRoutes), RouteName);

}  // namespace
}  // namespace corvane::testing
