// The wide link's packets on the wire and the wait for the next acceptable one.
#include <cstring>
#include <string>
#include <vector>

#include "api/transfer_session.h"
#include "serial/serial_io.h"
#include "wide/wide_link.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WidePacketTest : public WideTestBed {};

std::string AllByteValues(std::size_t count) {
  std::string data;
  for (std::size_t i = 0; i < count; ++i) data += static_cast<char>(i % 256);
  return data;
}

struct ByteExample {
  char type;
  int sequence;
  const char* data;
  const char* hex;
};

const ByteExample kExamples[] = {
    {'Y', 0, "", "01 20 20 20 59 5C"},
    {'S', 0, "", "01 20 20 20 53 56"},
    {'D', 1, "abc", "01 20 23 21 44 61 62 63 32"},
};

TEST_F(WidePacketTest, SentPacketsMatchTheByteExamples) {
  for (const ByteExample& example : kExamples) {
    SCOPED_TRACE(example.hex);
    EXPECT_EQ(Hex(WidePacket(example.type, example.sequence, example.data)), example.hex);
    WideLinkContext context;
    WideReset(context);
    context.seq = example.sequence;
    std::memcpy(context.txData, example.data, std::strlen(example.data));
    WideSendPacket(example.type, static_cast<int>(std::strlen(example.data)), context);
    EXPECT_EQ(Hex(peer_.Receive(std::strlen(example.data) + 6, 2000)), example.hex);
  }
}

TEST_F(WidePacketTest, ReadPacketJudgesEachFrame) {
  const std::string full = AllByteValues(512);
  std::string changed = WidePacket('D', 0, "hello");
  changed[6] ^= 0x01;
  struct Case {
    const char* what;
    std::string bytes;
    int expected;
  };
  const std::vector<Case> cases = {
      {"512 data bytes", WidePacket('D', 3, full), 'D'},
      {"513 data bytes", WidePacketWithLength('D', 3, 513, AllByteValues(513)), kWideDamaged},
      {"a data byte changed", changed, kWideDamaged},
      {"the probe's check", WidePacket('S', 0, "", 1), kWideDamaged},
      {"a stray byte before SOH", "x" + WidePacket('Y', 0, ""), kWideTimedOut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WideLinkContext context;
    WideReset(context);
    peer_.Send(c.bytes);
    EXPECT_EQ(WideReadPacket(context), c.expected);
    if (c.expected == 'D') {
      EXPECT_EQ(context.rxLength, 512);
      EXPECT_EQ(context.rxSeq, 3);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(context.rxData), 512), full);
    }
    SerialFlushInput();
  }
}

TEST_F(WidePacketTest, SilenceIsATimeOutAndAGapInsideAPacketIsDamage) {
  FastClock clock;
  WideLinkContext context;
  WideReset(context);
  EXPECT_EQ(WideReadPacket(context), kWideTimedOut);
  peer_.Send(WidePacket('D', 0, "abcdef").substr(0, 7));
  EXPECT_EQ(WideReadPacket(context), kWideDamaged);
}

TEST_F(WidePacketTest, ServerModeWaitsForTheFirstByteUntilCancelled) {
  FastClock clock;
  WideFlags().serverMode = 1;
  WideLinkContext context;
  WideReset(context);
  EngineThread read([&] { return WideReadPacket(context); });
  EXPECT_FALSE(read.Result(300).has_value());  // far beyond the engine's 3 s
  Session().cancelEvent.Set();
  EXPECT_EQ(read.Result(2000), kWideDamaged);
  WideFlags().serverMode = 0;
}

struct Verdict {
  const char* what;
  int seq;
  std::string packet;
  int expected;
};

TEST_F(WidePacketTest, NextPacketAcceptsByType) {
  const std::vector<Verdict> cases = {
      {"Y with another sequence number", 5, WidePacket('Y', 9, ""), 'Y'},
      {"D one below is a repeat", 5, WidePacket('D', 4, "x"), kWideRepeatedData},
      {"D 63 after wrapping to 0 is a repeat", 0, WidePacket('D', 63, "x"), kWideRepeatedData},
      {"D one ahead stands for Y", 5, WidePacket('D', 6, "x"), 'Y'},
      {"E with any sequence number", 5, WidePacket('E', 40, "stop"), 'E'},
      {"the expected packet", 5, WidePacket('Z', 5, ""), 'Z'},
  };
  for (const Verdict& c : cases) {
    SCOPED_TRACE(c.what);
    WideLinkContext context;
    WideReset(context);
    context.seq = c.seq;
    peer_.Send(c.packet);
    EXPECT_EQ(WideNextPacket(context), c.expected);
    EXPECT_EQ(peer_.ReceiveUntilQuiet(50), "");  // accepted without an answer
  }
}

TEST_F(WidePacketTest, ReceiverAnswersDamageWithNakAndSenderResends) {
  WideLinkContext receiver;
  WideReset(receiver);
  receiver.seq = 2;
  std::string damaged = WidePacket('D', 2, "data");
  damaged[5] = 'X';
  {
    EngineThread wait([&] { return WideNextPacket(receiver); });
    peer_.Send(damaged);
    Play({">N2", "<D2 data"});
    EXPECT_EQ(wait.Result(3000), 'D');
  }

  WideLinkContext sender;
  WideReset(sender);
  sender.isSender = 1;
  sender.seq = 1;
  std::memcpy(sender.txData, "abc", 3);
  WideSendPacket('D', 3, sender);
  const std::string original = NextFrame()->raw;
  EngineThread wait([&] { return WideNextPacket(sender); });
  Send('N', 1);  // a NAK with the current number is not an acknowledgement
  EXPECT_EQ(NextFrame()->raw, original);
  std::string badAck = WidePacket('Y', 1, "");
  badAck.back() ^= 0x01;
  peer_.Send(badAck);
  EXPECT_EQ(NextFrame()->raw, original);
  Send('Y', 1);
  EXPECT_EQ(wait.Result(3000), 'Y');
}

TEST_F(WidePacketTest, SixFailedResendsEndWithError264) {
  WideLinkContext sender;
  WideReset(sender);
  sender.isSender = 1;
  WideSendPacket('S', 0, sender);
  ASSERT_EQ(Next(), "S0");
  EngineThread wait([&] { return WideNextPacket(sender); });
  int resends = 0;
  for (;;) {
    Send('N', 0);
    const std::string next = Next(4000);
    if (next != "S0") {
      EXPECT_EQ(next, "E0 #264");
      break;
    }
    ++resends;
  }
  EXPECT_EQ(resends, 6);
  Send('Y', 0);  // read and dropped by the engine
  EXPECT_EQ(wait.Result(3000), 264);
}

TEST_F(WidePacketTest, ServerModeNeverRunsOutOfRetries) {
  WideFlags().serverMode = 1;
  WideLinkContext sender;
  WideReset(sender);
  sender.isSender = 1;
  WideSendPacket('S', 0, sender);
  ASSERT_EQ(Next(), "S0");
  EngineThread wait([&] { return WideNextPacket(sender); });
  for (int i = 0; i < 9; ++i) Play({"<N0", ">S0"});
  Send('Y', 0);
  EXPECT_EQ(wait.Result(3000), 'Y');
  WideFlags().serverMode = 0;
}

TEST_F(WidePacketTest, DataTooFarAheadIsAPacketLostError) {
  WideLinkContext context;
  WideReset(context);
  context.seq = 4;
  peer_.Send(WidePacket('D', 6, "x") + WidePacket('Y', 0, ""));
  EXPECT_EQ(WideNextPacket(context), 263);
  EXPECT_EQ(Next(), "E4 #263");
}

TEST_F(WidePacketTest, CancelTurnsAnUnusablePacketIntoE) {
  WideLinkContext context;
  WideReset(context);
  Session().cancelEvent.Set();
  peer_.Send(WidePacket('N', 0, ""));
  EXPECT_EQ(WideNextPacket(context), 'E');
  EXPECT_EQ(peer_.ReceiveUntilQuiet(50), "");  // no resend after a cancel
}

}  // namespace
}  // namespace corvane::testing
