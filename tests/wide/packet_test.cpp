// The wide link's packets on the wire, the presence probe, and the wait for
// the next acceptable packet.
#include <cstring>

#include "serial/serial_io.h"
#include "support/byte_examples.h"
#include "wide/wide_link.h"
#include "wide/wide_probe.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WidePacketTest : public WideTestBed {
 protected:
  WideLinkContext& Fresh(int seq = 0, int isSender = 0) {
    context_ = std::make_unique<WideLinkContext>();
    WideReset(*context_);
    context_->seq = seq;
    context_->isSender = isSender;
    return *context_;
  }
  std::unique_ptr<WideLinkContext> context_;
};

// A frame of 513 bytes, which no receiver takes, built here since the device's codec cuts it.
std::string OverlongFrame() {
  std::string frame = "\x01\x28\x21\x23" "D" + MixedBytes(513);  // length 8 * 64 + 1, sequence 3
  return frame + static_cast<char>(dc::ToChar(dc::FoldedCheck(frame)));
}

TEST_F(WidePacketTest, ReadPacketJudgesEachFrame) {
  const struct {
    std::string bytes;
    int expected;
  } cases[] = {
      {peer_.Packet('D', 3, MixedBytes(512)), 'D'},
      {OverlongFrame(), kWideDamaged},
      {peer_.Packet('S', 0, "", 1), kWideDamaged},  // the probe's check
      {"x" + peer_.Packet('Y', 0, ""), kWideTimedOut},
  };
  for (const auto& c : cases) {
    WideLinkContext& context = Fresh();
    peer_.Send(c.bytes);
    EXPECT_EQ(WideReadPacket(context), c.expected) << Hex(c.bytes.substr(0, 8));
    if (c.expected == 'D') {
      EXPECT_EQ(std::pair(context.rxLength, context.rxSeq), std::pair(512, 3));
      EXPECT_EQ(std::string(reinterpret_cast<char*>(context.rxData), 512), MixedBytes(512));
    }
    SerialFlushInput();
  }
}

// Real waits: the engine's three seconds of silence, its two-second gap.
TEST_F(WidePacketTest, SilenceIsATimeOutAGapIsDamageAndServerModeWaitsForCancel) {
  WideLinkContext& context = Fresh();
  EXPECT_EQ(WideReadPacket(context), kWideTimedOut);
  peer_.Send(peer_.Packet('D', 0, "abcdef").substr(0, 7));
  EXPECT_EQ(WideReadPacket(context), kWideDamaged);
  context.serverMode = true;
  EngineThread read([&] { return WideReadPacket(context); });
  EXPECT_FALSE(read.Result(3500).has_value());
  Session().cancelEvent.Set();
  EXPECT_EQ(read.Result(2000), kWideDamaged);
}

TEST_F(WidePacketTest, NextPacketAcceptsByTypeAndNumber) {
  const struct {
    int seq;
    std::string packet;
    int expected;
    const char* answer;
  } cases[] = {
      {5, peer_.Packet('Y', 9, ""), 'Y', "none"},
      {0, peer_.Packet('D', 63, "x"), kWideRepeatedData, "none"},
      {5, peer_.Packet('D', 6, "x"), 'Y', "none"},  // the next data stands for the lost Y
      {5, peer_.Packet('E', 40, "stop"), 'E', "none"},
      {4, peer_.Packet('D', 6, "x") + peer_.Packet('Y', 0, ""), 263, "E4 #263"},
      {0, "cancel", 'E', "none"},  // no resend after a cancel
  };
  for (const auto& c : cases) {
    WideLinkContext& context = Fresh(c.seq);
    if (c.packet == "cancel") Session().cancelEvent.Set();
    peer_.Send(c.packet == "cancel" ? peer_.Packet('N', 0, "") : c.packet);
    EXPECT_EQ(WideNextPacket(context), c.expected) << Hex(c.packet.substr(0, 5));
    EXPECT_EQ(peer_.Next(100), c.answer);
    SerialFlushInput();
  }
}

TEST_F(WidePacketTest, ReceiverNaksDamageAndSenderResendsUntilItsLimit) {
  WideLinkContext& receiver = Fresh(2);
  std::string damaged = peer_.Packet('D', 2, "data");
  damaged[5] = 'X';
  {
    EngineThread wait([&] { return WideNextPacket(receiver); });
    peer_.Send(damaged);
    peer_.Play({">N2", "<D2 data"});
    EXPECT_EQ(wait.Result(3000), 'D');
  }
  for (const bool serverMode : {false, true}) {
    SerialFlushInput();
    WideLinkContext& sender = Fresh(1, 1);
    sender.serverMode = serverMode;
    std::memcpy(sender.txData, "abc", 3);
    WideSendPacket('D', 3, sender);
    const std::string original = peer_.NextFrame()->raw;
    EngineThread wait([&] { return WideNextPacket(sender); });
    std::string badAck = peer_.Packet('Y', 1, "", 1);
    int resends = 0;
    for (std::optional<PeerFrame> next; resends < 9; ++resends) {
      resends % 2 ? peer_.SendPacket('N', 1) : peer_.Send(badAck);  // a NAK of the current packet is no acknowledgement
      next = peer_.NextFrame(4000);
      if (!next || next->raw != original) {
        EXPECT_EQ(Describe(next, dc::Framing::Wide), "E1 #264");
        break;
      }
    }
    EXPECT_EQ(resends, serverMode ? 9 : 6) << "server mode never runs out of retries";
    peer_.SendPacket('Y', 1);
    EXPECT_EQ(wait.Result(3000), serverMode ? 'Y' : 264);
  }
}

TEST_F(WidePacketTest, ProbeAnswerDecidesTheResult) {
  const struct {
    std::string answer;
    int expected;
    int probes;
  } cases[] = {
      {peer_.Packet('N', 7, ""), 0, 1},
      {peer_.Packet('Y', 0, "", 2), 0, 1},
      {peer_.Packet('E', 0, "what?"), -1, 2},  // only after the probe's time
      {"", -1, 2},  // a probe or its answer may be lost: one more
  };
  for (const auto& c : cases) {
    EngineThread probe([] { return WideProbe(); });
    EXPECT_EQ(Hex(peer_.NextFrame()->raw), bytes::kWidePresenceProbe);
    peer_.Send(c.answer);
    for (int more = 1; more < c.probes; ++more) EXPECT_EQ(Hex(peer_.NextFrame(8000)->raw), bytes::kWidePresenceProbe);
    EXPECT_EQ(probe.Result(12000), c.expected) << Hex(c.answer);
    EXPECT_EQ(peer_.ReceiveUntilQuiet(100), "");
  }
}

}  // namespace
}  // namespace corvane::testing
