// The bytes the engine puts on the line, and how it reads what comes back.
#include <random>

#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"

namespace corvane::testing {
namespace {

using PacketWireTest = ClassicPeerTest;

struct WireCase {
  const char* name;
  std::function<void()> send;
  const char* bytes;
};

TEST_F(PacketWireTest, PacketsGoOutByteForByte) {
  const WireCase cases[] = {
      {"empty ACK for 0", [] { ClassicSendAck(); }, "01 23 20 59 3E 0D"},
      {"NAK for 0", [] { ClassicSendNak(); }, "01 23 20 4E 33 0D"},
      {"B for 3",
       [] {
         ClassicLink().sequence = 2;
         ClassicSendBreak();
       },
       "01 23 23 42 2A 0D"},
      {"the PC's S", [] { ClassicSendInit('S'); }, "01 29 20 53 7A 27 20 40 2D 23 50 0D"},
      {"platform probe S", [] { ProbeSendInit(); }, "01 29 20 53 7A 27 20 40 2D 23 47 0D"},
      {"classic probe S", [] { ClassicProbeSend(); }, "01 29 20 53 7A 27 20 40 2D 23 51 0D"},
      {"ACK after the peer asked for line feeds",
       [] {
         ClassicConfig().sendEol = 10;
         ClassicSendAck();
       },
       "01 23 20 59 3E 0A"},
  };
  for (const WireCase& c : cases) {
    ResetClassicEngine();
    ClassicReset();
    c.send();
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), c.bytes) << c.name;
  }
}

TEST_F(PacketWireTest, SendingCountsDataBytesButProbesDoNot) {
  const std::uint8_t data[] = {'a', 'b', 'c'};
  EXPECT_EQ(ClassicSendPacket('D', 1, 3, data), 9);
  EXPECT_EQ(Session().bytesDone.load(), 3);
  ProbeSendInit();
  ClassicProbeSend();
  EXPECT_EQ(Session().bytesDone.load(), 3);
  peer_.ReceiveUntilQuiet(100);
}

TEST_F(PacketWireTest, ErrorPacketCarriesTheMessageWithTheNextNumber) {
  ClassicLink().sequence = 4;
  ClassicSendError(258);
  const KermitFrame frame = Expect('E', 5);
  EXPECT_EQ(frame.data, "Transfer ended by user.");
  EXPECT_EQ(ClassicLink().errorFlag, 1);
}

TEST_F(PacketWireTest, ResendRepeatsTheStoredPacketOrNaksAfterAnEmptyAck) {
  ClassicLink().sequence = 6;
  ClassicSendAckData("hello");
  EXPECT_EQ(Expect('Y', 6).data, "hello");
  ClassicResend();
  EXPECT_EQ(Expect('Y', 6).data, "hello");

  ClassicSendAck();  // for 7
  Expect('Y', 7);
  ClassicResend();
  Expect('N', 8);
}

struct ReadCase {
  const char* name;
  std::string line;
  std::uint8_t type;
};

TEST_F(PacketWireTest, ReadPacketSortsLines) {
  std::string offByOne = KermitPacket('Y', 0, "");
  ++offByOne[4];
  const ReadCase cases[] = {
      {"good ACK", KermitPacket('Y', 0, ""), 'Y'},
      {"noise before the SOH", "abc" + KermitPacket('Y', 0, ""), 'Y'},
      {"check off by one", offByOne, 'Q'},
      {"no SOH", "hello\r", 'Q'},
      {"negative length", std::string("\x01\x20\x20Y>\r"), 'Q'},
      {"length beyond the line", std::string("\x01~ Y>\r"), 'Q'},
      {"SOH at the end", std::string("abc\x01\r"), 'Q'},
      {"SOH and length only", std::string("\x01#\r"), 'Q'},
      {"zero type", std::string("\x01# \x00", 4) + "\x23\r", 'Q'},
      {"data packet", KermitPacket('D', 5, "a#Mb"), 'D'},
  };
  ClassicConfig().timeoutSeconds = 2;
  for (const ReadCase& c : cases) {
    peer_.Send(c.line);
    EXPECT_EQ(ClassicReadPacket(), c.type) << c.name;
  }
  EXPECT_EQ(ClassicLink().receivedSequence, 5);
  EXPECT_EQ(ClassicLink().receivedLength, 4);
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().receivedData), "a#Mb");
}

TEST_F(PacketWireTest, OverlongLineIsReadInPiecesWithoutHarm) {
  ClassicConfig().timeoutSeconds = 2;
  peer_.Send(std::string(600, 'A') + "\r" + KermitPacket('Y', 0, "ok"));
  EXPECT_EQ(ClassicReadPacket(), 'Q');
  EXPECT_EQ(ClassicReadPacket(), 'Q');
  EXPECT_EQ(ClassicReadPacket(), 'Y');
  ClassicConfig().timeoutSeconds = 0;
  EXPECT_EQ(ClassicReadPacket(), 'T') << "the line is quiet now";
}

// Any content and any claimed length: the parse stays inside the line.
TEST(ClassicParseLine, NeverReachesBeyondTheLine) {
  std::mt19937 random(7);
  ClassicLinkState& link = ClassicLink();
  for (int round = 0; round < 20000; ++round) {
    const int length = static_cast<int>(random() % (kClassicLineLimit + 1));
    for (int i = 0; i < length; ++i) {
      const auto value = random();
      link.receiveBuffer[i] = static_cast<std::uint8_t>(value % 5 == 0 ? kSoh : value >> 8);
    }
    link.receiveBuffer[length] = 0;
    std::uint8_t type = 0;
    std::uint8_t check = 0;
    if (ClassicParseLine(length, type, check)) {
      const std::ptrdiff_t checkAt = link.receivedData - link.receiveBuffer + link.receivedLength;
      ASSERT_GE(link.receivedLength, 0);
      ASSERT_LT(checkAt, length);
      ASSERT_EQ(link.receiveBuffer[checkAt], 0);
      ASSERT_NE(type, 0);
    }
  }
}

}  // namespace
}  // namespace corvane::testing
