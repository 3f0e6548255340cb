// A bad line and a difficult device: damaged bytes, a device that falls
// silent, error packets, and the user cancelling in the middle of a file.
#include <gtest/gtest.h>

#include <chrono>

#include "integration/device_link.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using dc::Framing;
using dc::Role;

enum class Direction { Send, Receive };

struct FaultCase {
  Framing framing;
  Direction direction;
  const char* name;
};

const FaultCase kBothWaysBothFramings[] = {
    {Framing::Classic, Direction::Send, "ClassicSend"},
    {Framing::Classic, Direction::Receive, "ClassicReceive"},
    {Framing::Wide, Direction::Send, "WideSend"},
    {Framing::Wide, Direction::Receive, "WideReceive"},
};

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; }
void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class FaultTest : public DeviceLinkTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  bool Classic() const { return GetParam().framing == Framing::Classic; }
  // The classic line carries text lines; the wide line any bytes.
  std::string Payload(std::size_t size) const { return Classic() ? TextLines(size) : MixedBytes(size); }
  void UseRoute(dc::FaultOptions faults, int deviceTimeoutSeconds = 3) {
    TransferSetOtherPlatform(Classic() ? 0 : 2);
    UseDevice(GetParam().framing, std::move(faults), deviceTimeoutSeconds);
  }
  // Sends or receives `name` (written to the PC's or the device's side first).
  bool Transfer(const std::string& name, const std::string& content) {
    if (GetParam().direction == Direction::Send) {
      WriteBytes(Pc() / name, content);
      return TransferSend(name, "");
    }
    WriteBytes(Outbox() / name, content);
    Plan({Role::Send((Outbox() / name).string())});
    return TransferReceive("");
  }
  fs::path Arrived(const std::string& name) const {
    return (GetParam().direction == Direction::Send ? Served() : Pc()) / name;
  }
};

class CorruptedLineTest : public FaultTest {};

TEST_P(CorruptedLineTest, FileStillArrivesByteExact) {
  // Damage per byte: 0.5 % on the classic line, whose packets are some 90 bytes;
  // the wide line's 518-byte packets take 0.1 %, or few would pass within the retries.
  dc::FaultOptions faults;
  faults.corruptProbability = Classic() ? 0.005 : 0.001;
  faults.seed = 20240611;
  UseRoute(faults);
  const std::string content = Payload(4000);

  ASSERT_TRUE(Transfer("NOISY.DAT", content)) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_EQ(ReadBytes(Arrived("NOISY.DAT")), content);
  StopDevice();
  const auto damaged = Device().OutgoingFaults().size() + Device().IncomingFaults().size();
  EXPECT_GE(damaged, 2u) << "the seed must actually damage the line";
}

INSTANTIATE_TEST_SUITE_P(Routes, CorruptedLineTest, ::testing::ValuesIn(kBothWaysBothFramings), CaseName);

class CancelTest : public FaultTest {};

TEST_P(CancelTest, CancelInTheMiddleEndsWithMinusThree) {
  // The device dawdles over every byte it sends, so the file takes seconds.
  dc::FaultOptions faults;
  faults.delayProbability = 1.0;
  faults.delayMs = GetParam().direction == Direction::Send ? 40 : 1;
  UseRoute(faults);
  const std::string content = Payload(8000);
  host_.stop = DeviceHost::Stop::PressCancel;
  host_.stopWhen = [] {
    std::int32_t done = 0, total = 0;
    TransferGetStatus(done, total);
    return done > 600;
  };

  EXPECT_FALSE(Transfer("LONG.DAT", content));
  EXPECT_EQ(TransferGetLastError(), -3) << DeviceLog();

  // The device is told why: the classic text, or the wide code in the length.
  const std::string log = DeviceLog();
  if (Classic()) {
    EXPECT_NE(log.find("Transfer ended by user."), std::string::npos) << log;
  } else {
    EXPECT_NE(log.find(" len=258"), std::string::npos) << log;
  }
  if (GetParam().direction == Direction::Send) {
    EXPECT_FALSE(FindIgnoringCase(Served(), "LONG.DAT")) << "the cancel must come before the end of the file";
    return;
  }
  if (Classic()) {
    // The classic engine keeps what it received, closing the last line.
    ASSERT_TRUE(fs::exists(Pc() / "LONG.DAT"));
    const std::string partial = ReadBytes(Pc() / "LONG.DAT");
    ASSERT_GT(partial.size(), 2u);
    EXPECT_LT(partial.size(), content.size());
    const std::string wholeLines = partial.substr(0, partial.rfind("\r\n", partial.size() - 3) + 2);
    EXPECT_TRUE(content.starts_with(wholeLines));
  } else {
    EXPECT_FALSE(FindIgnoringCase(Pc(), "LONG.DAT")) << "the wide engine deletes an unfinished file";
  }
}

INSTANTIATE_TEST_SUITE_P(Routes, CancelTest, ::testing::ValuesIn(kBothWaysBothFramings), CaseName);

class SilentDeviceTest : public FaultTest {};

TEST_P(SilentDeviceTest, OperationGivesUpWithinItsRetries) {
  dc::FaultOptions faults;
  faults.silentAfterPackets = 3;
  // The classic device announces this as its time-out, so the PC's waits are short too.
  UseRoute(faults, 1);
  const std::string content = Payload(3000);

  const auto start = Clock::now();
  EXPECT_FALSE(Transfer("QUIET.DAT", content));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(40)) << "hang guard";
  // Classic failures map to -21; the wide client ends with -7 after its retries.
  EXPECT_EQ(TransferGetLastError(), Classic() ? -21 : -7) << DeviceLog();
  if (GetParam().direction == Direction::Receive) {
    // The device fell silent after its first data packet.
    EXPECT_EQ(FindIgnoringCase(Pc(), "QUIET.DAT").has_value(), Classic())
        << "the classic engine keeps a partial file, the wide engine deletes it";
  }
}

// The wide budget alone (eight 3-second waits and the error pause) takes some
// 26 s, so only one wide case runs.
const FaultCase kSilences[] = {
    {Framing::Classic, Direction::Send, "ClassicSend"},
    {Framing::Classic, Direction::Receive, "ClassicReceive"},
    {Framing::Wide, Direction::Receive, "WideReceive"},
};

INSTANTIATE_TEST_SUITE_P(Routes, SilentDeviceTest, ::testing::ValuesIn(kSilences), CaseName);

struct RefusalCase {
  Framing framing;
  const char* text;
  int result;
  const char* name;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class DeviceErrorTest : public DeviceLinkTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DeviceErrorTest, ErrorTextDecidesTheResult) {
  const bool classic = GetParam().framing == Framing::Classic;
  dc::FaultOptions faults;
  faults.errorText = GetParam().text;
  TransferSetOtherPlatform(classic ? 0 : 2);
  UseDevice(GetParam().framing, faults);
  WriteBytes(Pc() / "JOB.TXT", "job\r\n");

  EXPECT_FALSE(TransferSend("JOB.TXT", ""));
  EXPECT_EQ(TransferGetLastError(), GetParam().result) << DeviceLog();
  // The wide request loop would wait for ever after an E to its R; the probe takes the wide client.
  TransferSetOtherPlatform(1);
  EXPECT_FALSE(TransferGet("OTHER.TXT", ""));
  EXPECT_EQ(TransferGetLastError(), GetParam().result) << DeviceLog();
}

const RefusalCase kRefusals[] = {
    {Framing::Classic, "File exists: JOB.TXT", -25, "ClassicFileExists"},
    {Framing::Classic, "file exists", -21, "ClassicLowerCase"},
    {Framing::Classic, "Disk full", -21, "ClassicOtherText"},
    {Framing::Wide, "File exists: JOB.TXT", -25, "WideFileExists"},
    {Framing::Wide, "file exists", -21, "WideLowerCase"},
    {Framing::Wide, "Disk full", -21, "WideOtherText"},
};

INSTANTIATE_TEST_SUITE_P(Texts, DeviceErrorTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

class WideRequestLoopTest : public DeviceLinkTest {};

TEST_F(WideRequestLoopTest, RefusedGetWaitsUntilTheUserCancels) {
  // The request loop passes an E to its R by and keeps waiting for the file;
  // only the user's Cancel ends it.
  dc::FaultOptions faults;
  faults.errorText = "Disk full";
  TransferSetOtherPlatform(2);
  UseDevice(Framing::Wide, faults);
  const auto start = Clock::now();
  host_.stop = DeviceHost::Stop::PressCancel;
  host_.stopWhen = [start] { return Clock::now() - start > std::chrono::seconds(2); };

  EXPECT_FALSE(TransferGet("JOB.DAT", ""));
  EXPECT_EQ(TransferGetLastError(), -3) << DeviceLog();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{});
  EXPECT_NE(DeviceLog().find("<- E seq=0 len=258"), std::string::npos) << DeviceLog();
}

}  // namespace
}  // namespace corvane::testing
