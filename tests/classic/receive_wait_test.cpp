// Waiting for the expected packet: duplicates, NAKs, errors, retries, cancel.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"

namespace corvane::testing {
namespace {

class ReceiveWaitTest : public ClassicPeerTest {
 protected:
  // The engine has sent D `sequence` "abc" and waits for the answer.
  void SendDataAndWait(int sequence, int timeoutSeconds = 3) {
    ClassicLink().sequence = sequence;
    ClassicSendPacket('D', sequence, 3, reinterpret_cast<const std::uint8_t*>("abc"));
    Expect('D', sequence);
    ClassicConfig().timeoutSeconds = timeoutSeconds;
    Start(0, [this] { received_ = ClassicReceive(); });
  }

  std::uint8_t received_ = 0xFF;
};

TEST_F(ReceiveWaitTest, DuplicatesNaksAndDamageBringTheLastPacketAgain) {
  SendDataAndWait(1);
  std::string damaged = KermitPacket('Y', 1, "");
  damaged[4] ^= 1;
  Exchange('Y', 0, "", 'D', 1);
  Exchange('N', 1, "", 'D', 1);
  peer_.Send(damaged);
  EXPECT_EQ(Expect('D', 1).data, "abc");
  Reply('Y', 1, "ok");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(received_, 'Y');
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().receivedData), "ok");
}

TEST_F(ReceiveWaitTest, SomePacketsEndTheWaitWhateverTheNumber) {
  const struct {
    int waitingFor;
    char type;
    int number;
    char result;
  } cases[] = {{1, 'N', 2, 'Y'}, {63, 'N', 0, 'Y'}, {5, 'E', 17, 'E'}, {5, 'G', 40, 'G'}};
  for (const auto& c : cases) {
    SendDataAndWait(c.waitingFor);
    Reply(c.type, c.number);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(received_, c.result) << c.type << c.number;
    ExpectSilence(100);
  }
}

TEST_F(ReceiveWaitTest, SevenSendingsWithoutAnAnswerEndTheWait) {
  SendDataAndWait(2);
  for (int sending = 2; sending <= 7; ++sending) {
    peer_.Send("garbage\r");
    Expect('D', 2);
  }
  peer_.Send("garbage\r");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(received_, 0);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  ExpectSilence(100);

  ClassicLink().errorFlag = 0;
  {
    FastClock clock;
    SendDataAndWait(3, 0);
    ASSERT_TRUE(Finished(10000));
  }
  EXPECT_EQ(received_, 0);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_EQ(SplitPackets(peer_.ReceiveUntilQuiet(200)).size(), 6u) << "six resends on a silent line";
}

TEST_F(ReceiveWaitTest, CancelAndPendingTypes) {
  SendDataAndWait(4);
  EXPECT_FALSE(Finished(200));
  Session().cancelEvent.Set();
  ASSERT_TRUE(Finished());
  EXPECT_EQ(received_, 'E');

  Session().cancelEvent.Reset();
  ClassicLink().sequence = 0;
  ClassicLink().pendingPacketType = 'v';
  Reply('Y', 0);
  EXPECT_EQ(ClassicReceive(), 'v');
  EXPECT_EQ(ClassicReceive(), 'Y') << "the pending type is handed out once";
}

}  // namespace
}  // namespace corvane::testing
