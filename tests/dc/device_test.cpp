// The device on a pty: its answers byte by byte, and its packet log. How it answers
// the probes is pinned by corvane's transfers on platform 1 against it.
#include <gtest/gtest.h>

#include "common/raw_tty.h"
#include "support/byte_examples.h"
#include "support/dc_fixture.h"
#include "support/serial_peer.h"

namespace corvane::dc {
namespace {

using namespace corvane::testing;

// The PC's side played as raw bytes on the pty slave; each answer is what the
// device sends back before the line is quiet for 400 ms.
TEST(DcDevice, WideUploadNaksADamagedPacketAndLogsEveryPacket) {
  ScratchDirectory logDir;
  DeviceOptions options = DeviceFor(Framing::Wide);
  options.logPath = logDir.PathOf("packets.txt");
  DcFixture dc(options);
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  std::string error;
  ByteStream pc = OpenRawTty(dc.SlavePath(), 9600, error);
  ASSERT_TRUE(pc.IsOpen()) << error;
  std::string damaged = WideFrame({'D', 2, "a\r\n\x01"});
  damaged[6] = 'b';
  const std::pair<std::string, std::string> steps[] = {
      {WideFrame({'S', 0, ""}), FromHex(bytes::kWideAck)},
      {WideFrame({'F', 1, "JOB 1.TXT 4"}), WideFrame({'Y', 1, ""})},
      {damaged, WideFrame({'N', 2, ""})},
      {WideFrame({'D', 2, "a\r\n\x01"}), WideFrame({'Y', 2, ""})},
      {WideFrame({'Z', 3, ""}), WideFrame({'Y', 3, ""})}};
  for (const auto& [sent, answer] : steps) {
    pc.Write(reinterpret_cast<const std::uint8_t*>(sent.data()), sent.size());
    std::uint8_t buffer[2048];
    const std::size_t count = pc.ReadAvailable(buffer, sizeof buffer, 400);
    EXPECT_EQ(Hex(std::string(reinterpret_cast<char*>(buffer), count)), Hex(answer)) << dc.Log();
  }
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
