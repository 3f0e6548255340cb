// The bytes the engine puts on the line, how it reads what comes back, and
// its wait for the expected packet, and the probes that tell a wide-framing
// peer from a classic one.
#include <optional>

#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "session/transfer_session.h"
#include "support/byte_examples.h"

namespace corvane::testing {
namespace {

class ClassicLinkTest : public ClassicPeerTest {
 protected:
  // The engine has sent D `sequence` "abc" and waits for the answer.
  void SendDataAndWait(int sequence) {
    Link().sequence = sequence;
    ClassicSendPacket('D', sequence, 3, reinterpret_cast<const std::uint8_t*>("abc"), Link());
    peer_.Play({">D" + std::to_string(sequence) + " abc"});
    Link().settings.timeoutSeconds = 3;
    Start(0, [this] { received_ = ClassicReceive(Link()); });
  }

  void StartProbe(std::function<int(ClassicLinkState&)> probe) {
    Link().settings.timeoutSeconds = 5;
    Start(0, [this, probe] { result_ = probe(Link()); });
  }

  int Result() {
    EXPECT_TRUE(Finished(5000));
    EXPECT_EQ(Link().settings.timeoutSeconds, 5) << "the caller's time-out is back";
    return result_;
  }

  std::uint8_t received_ = 0xFF;
  int result_ = 99;
};

// The exchanges pin the plain packets up to their end of line; here the line ends and the probes.
TEST_F(ClassicLinkTest, PacketsGoOutByteForByte) {
  const struct {
    std::function<void(ClassicLinkState&)> send;
    const char* bytes;
  } cases[] = {
      {[](ClassicLinkState& link) { ClassicSendAck(link); }, bytes::kClassicAck},
      {[](ClassicLinkState& link) { ProbeSendInit(link); }, bytes::kFramingProbe},
      {[](ClassicLinkState& link) { ClassicProbeSend(link); }, bytes::kClassicPresenceProbe},
      {[](ClassicLinkState& link) { link.settings.sendEol = 10, ClassicSendAck(link); }, bytes::kClassicAckLf},
  };
  for (const auto& c : cases) {
    NewExchange();
    c.send(Link());
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), c.bytes);
  }
  EXPECT_EQ(Session().bytesDone.load(), 0) << "probes and empty packets count nothing";
  ClassicSendAckData("abc", Link());
  EXPECT_EQ(Session().bytesDone.load(), 3);
}

TEST_F(ClassicLinkTest, ErrorPacketAndResends) {
  Link().sequence = 4;
  ClassicSendError(258, Link());
  EXPECT_EQ(Link().errorFlag, EngineOutcome::Failed);
  ClassicSendAckData("hello", Link());  // for 5, stays stored
  ClassicResend(Link());
  ClassicSendAck(Link());  // for 6, no longer stored: a resend asks for 7
  ClassicResend(Link());
  peer_.Play({">E5 Transfer ended by user.", ">Y5 hello", ">Y5 hello", ">Y6", ">N7"});
}

TEST_F(ClassicLinkTest, ReadPacketSortsLines) {
  const std::pair<std::string, std::uint8_t> lines[] = {
      {"abc" + peer_.Packet('Y', 0, ""), 'Y'},
      {"hello\r", 'Q'},
      {"\x01\x20\x20Y>\r", 'Q'},  // negative length
      {"\x01~ Y>\r", 'Q'},        // check beyond the line
      {"abc\x01\r", 'Q'},
      {"\x01#\r", 'Q'},
      {std::string("\x01# \0#\r", 6), 'Q'},  // zero type
      {std::string(600, 'A') + "\r", 'Q'},   // over-long: read as two lines
      {peer_.Packet('D', 5, "a#Mb"), 'D'},
  };
  for (const auto& [line, type] : lines) peer_.Send(line);
  Link().settings.timeoutSeconds = 2;
  for (const auto& [line, type] : lines) {
    EXPECT_EQ(ClassicReadPacket(Link()), type) << Hex(line.substr(0, 8));
    if (line.size() > kClassicLineLimit) {
      EXPECT_EQ(ClassicReadPacket(Link()), 'Q') << "the rest of the over-long line";
    }
  }
  EXPECT_EQ(Link().receivedSequence, 5);
  EXPECT_STREQ(reinterpret_cast<const char*>(Link().receivedData), "a#Mb");
  Link().settings.timeoutSeconds = 0;
  EXPECT_EQ(ClassicReadPacket(Link()), 'T');
}

TEST_F(ClassicLinkTest, WaitEndsOnTheExpectedAnswerOrOnTypesThatEndItAnyway) {
  const struct {
    int waitingFor;
    std::vector<std::string> script;
    char result;
  } cases[] = {
      {1, {"<Y0", ">D1 abc", "<N1", ">D1 abc", "?", ">D1 abc", "<Y1 ok"}, 'Y'},  // old, NAK, damage: resend
      {1, {"<N2"}, 'Y'}, {63, {"<N0"}, 'Y'}, {5, {"<E17"}, 'E'}, {5, {"<G40"}, 'G'}, {4, {"!"}, 'E'}};
  for (const auto& c : cases) {
    SendDataAndWait(c.waitingFor);
    peer_.Play(c.script);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(received_, c.result) << c.script[0];
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), "");
    if (c.script.size() > 1) {
      EXPECT_STREQ(reinterpret_cast<const char*>(Link().receivedData), "ok");
    }
  }
  Session().cancelEvent.Reset();
  Link().sequence = 0;
  Link().pendingPacketType = 'v';
  peer_.SendPacket('Y', 0);
  EXPECT_EQ(ClassicReceive(Link()), 'v');
  EXPECT_EQ(ClassicReceive(Link()), 'Y') << "the pending type is handed out once";
}

// The probes' answers as numbers: 1 wide, 0 classic, -1 no decision.
int FramingNumber(PeerFraming framing) {
  return framing == PeerFraming::Wide ? 1 : framing == PeerFraming::Classic ? 0 : -1;
}
const auto kPlatform = [](ClassicLinkState& link) { return FramingNumber(ProbePlatform(ProbeSide::PcSends, link)); };
const auto kPlatformListening = [](ClassicLinkState& link) {
  return FramingNumber(ProbePlatform(ProbeSide::PcReceives, link));
};
const auto kClassic = [](ClassicLinkState& link) { return ClassicProbe(link); };

// The plain answers (Y, N, and what each device sends to a listening probe) are
// pinned by the transfers on platform 1 against both devices; here the odd ones.
TEST_F(ClassicLinkTest, ProbeAnswersTellTheFraming) {
  std::string badCheck = peer_.Packet('Y', 0, "");
  badCheck[badCheck.size() - 2] = '!';
  const std::pair<std::function<int(ClassicLinkState&)>, std::string> cases[] = {
      {kPlatform, badCheck}, {kClassic, peer_.Packet('N', 0, "")}};
  for (const auto& [probe, answer] : cases) {
    StartProbe(probe);
    peer_.ReceiveUntil('\r', 3000);  // the probe's S (its bytes are pinned above)
    peer_.Send(answer);
    EXPECT_EQ(Result(), 0) << Hex(answer);
    EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), "");
  }
}

TEST_F(ClassicLinkTest, ProbeSilenceOrCancelGivesNoDecision) {
  const struct {
    std::function<int(ClassicLinkState&)> probe;
    bool cancel;
    std::size_t minPackets, maxPackets;
  } cases[] = {
      {kPlatform, false, 3, 5},  // about four 4-second reads in 15 s
      {kPlatformListening, false, 0, 0},
      {kClassic, false, 2, 2},  // a probe or its answer may be lost: one more
      {kPlatform, true, 1, 1},
  };
  for (const auto& c : cases) {
    {
      std::optional<FastClock> clock;
      if (!c.cancel) clock.emplace();
      StartProbe(c.probe);
      if (c.cancel) peer_.Play({"!"});
      EXPECT_EQ(Result(), -1);
    }
    const std::size_t sent = CountPackets(peer_.ReceiveUntilQuiet(100));
    EXPECT_GE(sent, c.minPackets);
    EXPECT_LE(sent, c.maxPackets);
  }
}

}  // namespace
}  // namespace corvane::testing
