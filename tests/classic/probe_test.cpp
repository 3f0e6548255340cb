// The probes that tell a wide-framing peer from a classic one.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"

namespace corvane::testing {
namespace {

class ProbeTest : public ClassicPeerTest {
 protected:
  void StartProbe(std::function<int()> probe) {
    ClassicConfig().timeoutSeconds = 5;
    Start(0, [this, probe] { result_ = probe(); });
  }

  int Result() {
    EXPECT_TRUE(Finished(5000));
    EXPECT_EQ(ClassicConfig().timeoutSeconds, 5) << "the caller's time-out is back";
    return result_;
  }

  std::string ProbeSent() { return Hex(peer_.ReceiveUntil('\r', 3000)); }

  static std::string WithCheck(std::string packet, char check) {
    packet[packet.size() - 2] = check;
    return packet;
  }

  int result_ = 99;
};

TEST_F(ProbeTest, AnswersTellTheFraming) {
  const std::string ack = KermitPacket('Y', 0, "");
  const std::string peerInit = KermitPacket('S', 0, kPeerInit);
  const struct {
    std::function<int()> probe;
    const char* probeSent;  // nothing: the probe only reads
    std::string answer;
    int result;
    const char* reply;
  } cases[] = {
      {[] { return ProbePlatform(1); }, "01 29 20 53 7A 27 20 40 2D 23 47 0D", ack, 1, ""},
      {[] { return ProbePlatform(1); }, "01 29 20 53 7A 27 20 40 2D 23 47 0D", KermitPacket('N', 0, ""), 0, ""},
      {[] { return ProbePlatform(1); }, "01 29 20 53 7A 27 20 40 2D 23 47 0D", WithCheck(ack, '!'), 0, ""},
      {[] { return ProbePlatform(0); }, "", WithCheck(peerInit, 'G'), 1, "01 23 20 59 3E 0D"},
      {[] { return ProbePlatform(0); }, "", peerInit, 0, ""},
      {[] { return ClassicProbe(); }, "01 29 20 53 7A 27 20 40 2D 23 51 0D", ack, 1, ""},
      {[] { return ClassicProbe(); }, "01 29 20 53 7A 27 20 40 2D 23 51 0D", KermitPacket('N', 0, ""), 0, ""},
  };
  for (const auto& c : cases) {
    StartProbe(c.probe);
    if (*c.probeSent != 0) {
      EXPECT_EQ(ProbeSent(), c.probeSent);
    }
    peer_.Send(c.answer);
    EXPECT_EQ(Result(), c.result) << Hex(c.answer);
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), c.reply);
  }
}

TEST_F(ProbeTest, SilentLineGivesNoDecisionAfterTheTimeLimit) {
  const struct {
    std::function<int()> probe;
    std::size_t minPackets, maxPackets;
  } cases[] = {
      {[] { return ProbePlatform(1); }, 3, 5},  // about four 4-second reads in 15 s
      {[] { return ProbePlatform(0); }, 0, 0},
      {[] { return ClassicProbe(); }, 1, 1},
  };
  for (const auto& c : cases) {
    {
      FastClock clock;
      StartProbe(c.probe);
      EXPECT_EQ(Result(), -1);
      run_.reset();
    }
    const std::size_t sent = SplitPackets(peer_.ReceiveUntilQuiet(100)).size();
    EXPECT_GE(sent, c.minPackets);
    EXPECT_LE(sent, c.maxPackets);
  }
}

TEST_F(ProbeTest, CancelEndsAProbeAtOnce) {
  Session().cancelEvent.Set();
  StartProbe([] { return ProbePlatform(1); });
  EXPECT_EQ(Result(), -1);
  EXPECT_EQ(SplitPackets(peer_.ReceiveUntilQuiet(100)).size(), 1u);
}

}  // namespace
}  // namespace corvane::testing
