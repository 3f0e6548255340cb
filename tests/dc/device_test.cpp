// The device on a pty: its answers byte by byte, and its packet log.
#include <gtest/gtest.h>

#include "common/raw_tty.h"
#include "support/byte_examples.h"
#include "support/dc_fixture.h"
#include "support/serial_peer.h"

namespace corvane::dc {
namespace {

using namespace corvane::testing;

struct Exchange {
  std::string sent;
  std::string answer;  // what the device sends back before the line is quiet for 400 ms
};

// Plays the PC's side as raw bytes on the pty slave.
void Play(DcFixture& dc, const std::vector<Exchange>& steps, const std::string& name) {
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  std::string error;
  ByteStream pc = OpenRawTty(dc.SlavePath(), 9600, error);
  ASSERT_TRUE(pc.IsOpen()) << error;
  for (const Exchange& step : steps) {
    pc.Write(reinterpret_cast<const std::uint8_t*>(step.sent.data()), step.sent.size());
    std::uint8_t buffer[2048];
    const std::size_t count = pc.ReadAvailable(buffer, sizeof buffer, 400);
    EXPECT_EQ(Hex(std::string(reinterpret_cast<char*>(buffer), count)), Hex(step.answer)) << name << "\n" << dc.Log();
  }
}

TEST(DcDevice, AnswersProbesAndSendInitByteForByte) {
  // The wide device acknowledges the framing probe in the classic framing and refuses its own presence probe.
  DcFixture wide(Framing::Wide);
  Play(wide,
       {{FromHex(bytes::kFramingProbe), FromHex(bytes::kClassicAck)},
        {FromHex(bytes::kWidePresenceProbe), FromHex(bytes::kWideNak)}},
       "wide");
  // The classic device takes both probes for damage and answers a proper Send-Init with its parameters.
  DcFixture classic(Framing::Classic);
  const std::string nak = FromHex(bytes::kClassicNak);
  Play(classic,
       {{FromHex(bytes::kFramingProbe), nak},
        {FromHex(bytes::kClassicPresenceProbe), nak},
        {FromHex(bytes::kClassicSendInit), ClassicFrame({'Y', 0, "~# @-#"}, kCr)}},
       "classic");
}

TEST(DcDevice, WideUploadNaksADamagedPacketAndLogsEveryPacket) {
  ScratchDirectory logDir;
  DeviceOptions options = DeviceFor(Framing::Wide);
  options.logPath = logDir.PathOf("packets.txt");
  DcFixture dc(options);
  std::string damaged = WideFrame({'D', 2, "a\r\n\x01"});
  damaged[6] = 'b';
  Play(dc,
       {{WideFrame({'S', 0, ""}), FromHex(bytes::kWideAck)},
        {WideFrame({'F', 1, "JOB 1.TXT 4"}), WideFrame({'Y', 1, ""})},
        {damaged, WideFrame({'N', 2, ""})},
        {WideFrame({'D', 2, "a\r\n\x01"}), WideFrame({'Y', 2, ""})},
        {WideFrame({'Z', 3, ""}), WideFrame({'Y', 3, ""})}},
       "upload");
  EXPECT_EQ(ReadFile(dc.Served() / "JOB 1.TXT"), "a\r\n\x01");
  dc.Stop();
  const std::string log = ReadFile(options.logPath);
  for (const char* line : {"<- S seq=0 len=0\n", "-> Y seq=0 len=0\n", "<- F seq=1 len=11 data=JOB 1.TXT 4\n",
                           "(bad check)\n-> N seq=2 len=0\n", "<- D seq=2 len=4 data=a\\x0D\\x0A\\x01\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
  }
}

}  // namespace
}  // namespace corvane::dc
