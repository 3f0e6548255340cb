// Waiting for the expected packet: duplicates, NAKs, errors, retries, cancel.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"

namespace corvane::testing {
namespace {

class ReceiveWaitTest : public ClassicPeerTest {
 protected:
  // The engine has sent D `sequence` "abc" and waits for its answer.
  void SendData(int sequence) {
    ClassicLink().sequence = sequence;
    const std::uint8_t data[] = {'a', 'b', 'c'};
    ClassicSendPacket('D', sequence, 3, data);
    EXPECT_EQ(Expect('D', sequence).data, "abc");
    ClassicConfig().timeoutSeconds = 3;
  }

  std::uint8_t received_ = 0xFF;
};

TEST_F(ReceiveWaitTest, DuplicateIsRefusedAndTheLastPacketGoesOutAgain) {
  SendData(1);
  {
    EngineRun run([this] { received_ = ClassicReceive(); });
    Reply('Y', 0);
    EXPECT_EQ(Expect('D', 1).data, "abc");
    Reply('Y', 1);
    ASSERT_TRUE(run.Finished(3000));
  }
  EXPECT_EQ(received_, 'Y');
  EXPECT_EQ(ClassicLink().errorFlag, 0);
}

TEST_F(ReceiveWaitTest, NakOrDamageForTheCurrentPacketResends) {
  SendData(9);
  std::string damaged = KermitPacket('Y', 9, "");
  damaged[4] ^= 1;
  EngineRun run([this] { received_ = ClassicReceive(); });
  Reply('N', 9);
  Expect('D', 9);
  peer_.Send(damaged);
  Expect('D', 9);
  Reply('Y', 9, "ok");
  ASSERT_TRUE(run.Finished(3000));
  EXPECT_EQ(received_, 'Y');
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().receivedData), "ok");
}

TEST_F(ReceiveWaitTest, NakForTheNextPacketCountsAsAck) {
  for (const int sequence : {1, 63}) {
    SendData(sequence);
    EngineRun run([this] { received_ = ClassicReceive(); });
    Reply('N', (sequence + 1) % 64);
    ASSERT_TRUE(run.Finished(3000)) << sequence;
    EXPECT_EQ(received_, 'Y') << sequence;
    ExpectSilence(100);
  }
}

TEST_F(ReceiveWaitTest, ErrorAndGenericPacketsEndTheWaitWhateverTheirNumber) {
  for (const char type : {'E', 'G'}) {
    SendData(5);
    EngineRun run([this] { received_ = ClassicReceive(); });
    Reply(type, 17, "text");
    ASSERT_TRUE(run.Finished(3000)) << type;
    EXPECT_EQ(received_, type);
    ExpectSilence(100);
  }
}

TEST_F(ReceiveWaitTest, SevenDamagedAnswersEndTheWaitWithFailure) {
  SendData(2);
  EngineRun run([this] { received_ = ClassicReceive(); });
  for (int sending = 2; sending <= 7; ++sending) {
    peer_.Send("garbage\r");
    Expect('D', 2);
  }
  peer_.Send("garbage\r");
  ASSERT_TRUE(run.Finished(3000));
  EXPECT_EQ(received_, 0);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  ExpectSilence(100);
}

TEST_F(ReceiveWaitTest, SilentPeerGetsSevenSendingsThenFailure) {
  SendData(3);
  ClassicConfig().timeoutSeconds = 0;
  {
    FastClock clock;
    EngineRun run([this] { received_ = ClassicReceive(); });
    ASSERT_TRUE(run.Finished(10000));
  }
  EXPECT_EQ(received_, 0);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  const auto resent = SplitPackets(peer_.ReceiveUntilQuiet(200));
  EXPECT_EQ(resent.size(), 6u) << "six resends after the first sending";
  for (const KermitFrame& frame : resent) EXPECT_EQ(frame.sequence, 3);
}

TEST_F(ReceiveWaitTest, CancelEndsTheWaitAsAnError) {
  SendData(4);
  EngineRun run([this] { received_ = ClassicReceive(); });
  EXPECT_FALSE(run.Finished(200));
  Session().cancelEvent.Set();
  ASSERT_TRUE(run.Finished(3000));
  EXPECT_EQ(received_, 'E');
}

TEST_F(ReceiveWaitTest, PendingTypeIsHandedOutOnceWithoutReading) {
  ClassicLink().pendingPacketType = 'v';
  Reply('Y', 0);
  EXPECT_EQ(ClassicReceive(), 'v');
  EXPECT_EQ(ClassicLink().pendingPacketType, 0);
  ClassicConfig().timeoutSeconds = 2;
  EXPECT_EQ(ClassicReceive(), 'Y') << "the packet waiting on the line comes next";
}

}  // namespace
}  // namespace corvane::testing
