// The probes that tell a wide-framing peer from a classic one.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"

namespace corvane::testing {
namespace {

const std::string kPlatformProbe = "01 29 20 53 7A 27 20 40 2D 23 47 0D";
const std::string kClassicProbe = "01 29 20 53 7A 27 20 40 2D 23 51 0D";

class ProbeTest : public ClassicPeerTest {
 protected:
  void SetUp() override {
    ClassicPeerTest::SetUp();
    ClassicConfig().timeoutSeconds = 5;
  }

  void Start(std::function<int()> probe) {
    run_ = std::make_unique<EngineRun>([this, probe] { result_ = probe(); });
  }

  int Result() {
    EXPECT_TRUE(run_->Finished(5000));
    run_.reset();
    EXPECT_EQ(ClassicConfig().timeoutSeconds, 5) << "the caller's time-out is back";
    return result_;
  }

  static std::string WithCheck(std::string packet, char check) {
    packet[packet.size() - 2] = check;
    return packet;
  }

  std::unique_ptr<EngineRun> run_;
  int result_ = 99;
};

TEST_F(ProbeTest, SendingSideTellsAWidePeerByItsAck) {
  const struct {
    const char* name;
    std::string answer;
    int result;
  } cases[] = {
      {"ACK", KermitPacket('Y', 0, ""), 1},
      {"NAK", KermitPacket('N', 0, ""), 0},
      {"damaged ACK", WithCheck(KermitPacket('Y', 0, ""), '!'), 0},
  };
  for (const auto& c : cases) {
    Start([] { return ProbePlatform(1); });
    EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), kPlatformProbe) << c.name;
    peer_.Send(c.answer);
    EXPECT_EQ(Result(), c.result) << c.name;
  }
}

TEST_F(ProbeTest, ReceivingSideAcknowledgesOnlyAnInitWithTheProbeCheck) {
  const std::string init = KermitPacket('S', 0, "~/ @-#");
  Start([] { return ProbePlatform(0); });
  peer_.Send(WithCheck(init, 'G'));
  EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), "01 23 20 59 3E 0D");
  EXPECT_EQ(Result(), 1);

  Start([] { return ProbePlatform(0); });
  peer_.Send(init);
  EXPECT_EQ(Result(), 0);
  ExpectSilence(100);
}

TEST_F(ProbeTest, ClassicProbeSendsAWrongCheckAndTakesAnyAnswer) {
  const struct {
    char answer;
    int result;
  } cases[] = {{'Y', 1}, {'N', 0}};
  for (const auto& c : cases) {
    Start([] { return ClassicProbe(); });
    EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), kClassicProbe);
    Reply(c.answer, 0);
    EXPECT_EQ(Result(), c.result) << c.answer;
  }
}

TEST_F(ProbeTest, SilentLineGivesNoDecisionAfterTheTimeLimit) {
  const struct {
    const char* name;
    std::function<int()> probe;
    std::size_t minPackets;
    std::size_t maxPackets;
  } cases[] = {
      {"platform, sending", [] { return ProbePlatform(1); }, 3, 5},
      {"platform, receiving", [] { return ProbePlatform(0); }, 0, 0},
      {"classic", [] { return ClassicProbe(); }, 1, 1},
  };
  for (const auto& c : cases) {
    {
      FastClock clock;
      Start(c.probe);
      EXPECT_EQ(Result(), -1) << c.name;
    }
    const std::size_t sent = SplitPackets(peer_.ReceiveUntilQuiet(100)).size();
    EXPECT_GE(sent, c.minPackets) << c.name;
    EXPECT_LE(sent, c.maxPackets) << c.name;
  }
}

TEST_F(ProbeTest, CancelEndsAProbeAtOnce) {
  Session().cancelEvent.Set();
  Start([] { return ProbePlatform(1); });
  EXPECT_EQ(Result(), -1);
  EXPECT_EQ(SplitPackets(peer_.ReceiveUntilQuiet(100)).size(), 1u);
}

}  // namespace
}  // namespace corvane::testing
