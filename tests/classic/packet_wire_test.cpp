// The bytes the engine puts on the line, and how it reads what comes back.
#include <random>

#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"

namespace corvane::testing {
namespace {

using PacketWireTest = ClassicPeerTest;

TEST_F(PacketWireTest, PacketsGoOutByteForByte) {
  const struct {
    std::function<void()> send;
    const char* bytes;
  } cases[] = {
      {[] { ClassicSendAck(); }, "01 23 20 59 3E 0D"},
      {[] { ClassicSendNak(); }, "01 23 20 4E 33 0D"},
      {[] { ClassicLink().sequence = 2, ClassicSendBreak(); }, "01 23 23 42 2A 0D"},
      {[] { ClassicSendInit('S'); }, "01 29 20 53 7A 27 20 40 2D 23 50 0D"},
      {[] { ProbeSendInit(); }, "01 29 20 53 7A 27 20 40 2D 23 47 0D"},
      {[] { ClassicProbeSend(); }, "01 29 20 53 7A 27 20 40 2D 23 51 0D"},
      {[] { ClassicConfig().sendEol = 10, ClassicSendAck(); }, "01 23 20 59 3E 0A"},
  };
  for (const auto& c : cases) {
    ResetClassicEngine();
    c.send();
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), c.bytes);
  }
  EXPECT_EQ(Session().bytesDone.load(), 0) << "probes and empty packets count nothing";
  ClassicSendAckData("abc");
  EXPECT_EQ(Session().bytesDone.load(), 3);
}

TEST_F(PacketWireTest, ErrorPacketAndResends) {
  ClassicLink().sequence = 4;
  ClassicSendError(258);
  EXPECT_EQ(Expect('E', 5).data, "Transfer ended by user.");
  EXPECT_EQ(ClassicLink().errorFlag, 1);

  ClassicSendAckData("hello");  // for 5, stays stored
  ClassicResend();
  EXPECT_EQ(Expect('Y', 5).data, "hello");
  EXPECT_EQ(Expect('Y', 5).data, "hello");
  ClassicSendAck();  // for 6, no longer stored: a resend asks for 7
  ClassicResend();
  Expect('Y', 6);
  Expect('N', 7);
}

TEST_F(PacketWireTest, ReadPacketSortsLines) {
  std::string offByOne = KermitPacket('Y', 0, "");
  ++offByOne[4];
  const std::pair<std::string, std::uint8_t> lines[] = {
      {"abc" + KermitPacket('Y', 0, ""), 'Y'},
      {offByOne, 'Q'},
      {"hello\r", 'Q'},
      {"\x01\x20\x20Y>\r", 'Q'},  // negative length
      {"\x01~ Y>\r", 'Q'},        // check beyond the line
      {"abc\x01\r", 'Q'},
      {"\x01#\r", 'Q'},
      {std::string("\x01# \0#\r", 6), 'Q'},  // zero type
      {std::string(600, 'A') + "\r", 'Q'},   // over-long: read as two lines
      {KermitPacket('D', 5, "a#Mb"), 'D'},
  };
  for (const auto& [line, type] : lines) peer_.Send(line);
  ClassicConfig().timeoutSeconds = 2;
  for (const auto& [line, type] : lines) {
    EXPECT_EQ(ClassicReadPacket(), type) << Hex(line.substr(0, 8));
    if (line.size() > kClassicLineLimit) {
      EXPECT_EQ(ClassicReadPacket(), 'Q') << "the rest of the over-long line";
    }
  }
  EXPECT_EQ(ClassicLink().receivedSequence, 5);
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().receivedData), "a#Mb");
  ClassicConfig().timeoutSeconds = 0;
  EXPECT_EQ(ClassicReadPacket(), 'T');
}

TEST(ClassicParseLine, NeverReachesBeyondTheLine) {
  std::mt19937 random(7);
  ClassicLinkState& link = ClassicLink();
  for (int round = 0; round < 20000; ++round) {
    const int length = static_cast<int>(random() % (kClassicLineLimit + 1));
    for (int i = 0; i < length; ++i) {
      const auto value = random();
      link.receiveBuffer[i] = static_cast<std::uint8_t>(value % 5 == 0 ? kSoh : value >> 8);
    }
    std::uint8_t type = 0;
    std::uint8_t check = 0;
    if (!ClassicParseLine(length, type, check)) continue;
    const std::ptrdiff_t checkAt = link.receivedData - link.receiveBuffer + link.receivedLength;
    ASSERT_GE(link.receivedLength, 0);
    ASSERT_LT(checkAt, length);
    ASSERT_EQ(link.receiveBuffer[checkAt], 0);
  }
}

}  // namespace
}  // namespace corvane::testing
