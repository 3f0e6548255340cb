// Get and generic requests to a scripted Kermit server, and the PC's answer to
// a generic command that the peer sends.
#include <cstring>

#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane::testing {
namespace {

const std::string kPcInit = FromHex("7A 27 20 40 2D 23");
const std::string kPeerInit = "~/ @-#";

class ClientRequestTest : public ClassicPeerTest {
 protected:
  void StartGet(const std::string& name) {
    Slots().nextFileName = name;
    Slots().headerName = name;
    Start('r');
  }

  void StartGeneric(std::string_view command) {
    auto& buffer = Slots().genericCommand;
    buffer.fill(0);
    std::memcpy(buffer.data(), command.data(), command.size());
    WriteWholeFile("REPLY.TMP", "");
    Slots().headerName = "REPLY.TMP";
    Slots().overwriteExisting = 1;
    Start('g');
  }

  void Start(int event) {
    ClassicLink().pendingPacketType = event;
    run_ = std::make_unique<EngineRun>([] { ClassicRequest(); });
  }

  // The server's S, a file header and one data packet, all acknowledged.
  void ServeOneFile(char header, std::string_view content) {
    Reply('S', 0, kPeerInit);
    EXPECT_EQ(Hex(Expect('Y', 0).data), Hex(kPcInit));
    Reply(header, 1, "ANSWER");
    Expect('Y', 1);
    Reply('D', 2, KermitEncode(content));
    Expect('Y', 2);
    Reply('Z', 3);
    Expect('Y', 3);
    Reply('B', 4);
    Expect('Y', 4);
  }

  bool Finished(std::uint32_t waitMs = 3000) { return run_->Finished(waitMs); }

  std::unique_ptr<EngineRun> run_;
};

TEST_F(ClientRequestTest, GetPassesARefusedInfoPacketAndReceivesTheFile) {
  StartGet("JOB1.TXT");
  EXPECT_EQ(Hex(Expect('I', 0).data), Hex(kPcInit));
  Reply('E', 0, "Unimplemented packet type");
  EXPECT_EQ(Expect('R', 0).data, "JOB1.TXT");
  ServeOneFile('F', "P1,2,3\r\n");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(ReadWholeFile("JOB1.TXT"), "P1,2,3\r\n");
}

TEST_F(ClientRequestTest, InfoAckSetsParametersAndServersErrorEndsTheGet) {
  const struct {
    const char* text;
    int errorFlag;
  } cases[] = {{"File not found", 1}, {"File exists", -25}};
  for (const auto& c : cases) {
    ResetClassicEngine();
    StartGet("A#B.TXT");
    Expect('I', 0);
    Reply('Y', 0, FromHex("5E 29 20 40 2D 23"));
    EXPECT_EQ(Expect('R', 0).data, "A##B.TXT") << "the name goes out encoded";
    Reply('E', 1, c.text);
    ASSERT_TRUE(Finished()) << c.text;
    ExpectSilence(100);
    EXPECT_EQ(ClassicLink().errorFlag, c.errorFlag) << c.text;
    EXPECT_EQ(ClassicConfig().peerMaxLength, 62);
    EXPECT_EQ(ClassicConfig().timeoutSeconds, 9);
  }
}

TEST_F(ClientRequestTest, DataThatCannotBeWrittenIsRefusedWithoutAck) {
  StartGet("JOB.CR5");
  Expect('I', 0);
  Reply('E', 0);
  Expect('R', 0);
  Reply('S', 0, kPeerInit);
  Expect('Y', 0);
  Reply('F', 1, "JOB.CR5");
  Expect('Y', 1);
  Reply('D', 2, "not a point#M#J");
  EXPECT_EQ(Expect('E', 3).data, "This is not a valid coordinate file. (Message: #KER-120).");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_FALSE(ReceiveFileOpen());
}

TEST_F(ClientRequestTest, GenericCommandGoesOutEncodedOnceAndKeepsAShortAnswer) {
  const struct {
    std::string command;  // as the dispatcher builds it
    std::string wire;
    std::string answer;
    std::string kept;  // the reply file afterwards: text lines end in CR LF
  } cases[] = {
      {"D ", "D ", "", ""},
      {"C##ABC", "C##ABC", "Now in ABC#M#J", "Now in ABC\r\n"},
      {"D##A#B", "D##A##B", "A##B#M#J", "A#B\r\n"},
      {"E'JOB.CR5", "E'JOB.CR5", "Deleted#M#J", "Deleted\r\n"},
      {"D!\x01", "D!#A", "x", "x\r\n"},
  };
  for (const auto& c : cases) {
    ResetClassicEngine();
    StartGeneric(c.command);
    Expect('I', 0);
    Reply('Y', 0, kPeerInit);
    EXPECT_EQ(Hex(Expect('G', 0).data), Hex(c.wire));
    Reply('Y', 0, c.answer);
    ASSERT_TRUE(Finished()) << c.command;
    ExpectSilence(100);
    EXPECT_EQ(ClassicLink().errorFlag, 0);
    EXPECT_EQ(ReadWholeFile("REPLY.TMP"), c.kept) << c.command;
  }
}

TEST_F(ClientRequestTest, GenericCommandAnsweredAsAFileFillsTheReplyFile) {
  StartGeneric("D ");
  Expect('I', 0);
  Reply('Y', 0, kPeerInit);
  Expect('G', 0);
  ServeOneFile('X', "C:\\DATA\r\n");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(ReadWholeFile("REPLY.TMP"), "C:\\DATA\r\n");
}

TEST_F(ClientRequestTest, PeersGenericCommandIsAnsweredAsATextFile) {
  WriteWholeFile("GONE.TXT", "bye");
  StartGet("JOB1.TXT");
  Expect('I', 0);
  Reply('E', 0);
  Expect('R', 0);
  Reply('G', 0, "E(GONE.TXT");
  EXPECT_EQ(Hex(Expect('S', 0).data), Hex(kPcInit));
  Reply('Y', 0, kPeerInit);
  EXPECT_EQ(Expect('X', 1).data, "ERASE");
  Reply('Y', 1);
  EXPECT_EQ(Expect('D', 2).data, "Deleted file: GONE.TXT#M#J");
  Reply('Y', 2);
  Expect('Z', 3);
  Reply('Y', 3);
  Expect('B', 4);
  Reply('Y', 4);
  ASSERT_TRUE(Finished());
  ExpectSilence(100);
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_FALSE(std::filesystem::exists("GONE.TXT"));
}

TEST_F(ClientRequestTest, UnknownGenericCommandFromThePeerIsRefused) {
  StartGet("JOB1.TXT");
  Expect('I', 0);
  Reply('E', 0);
  Expect('R', 0);
  Reply('G', 0, "Q");
  Expect('S', 0);
  EXPECT_EQ(Expect('E', 1).data, " Unknown server command (Message: #KER-103)");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 1);
}

TEST_F(ClientRequestTest, CancelSendsTheUsersErrorOnce) {
  StartGet("JOB1.TXT");
  Expect('I', 0);
  EXPECT_FALSE(Finished(100));
  Session().cancelEvent.Set();
  EXPECT_EQ(Expect('E', 1).data, "Transfer ended by user.");
  ASSERT_TRUE(Finished());
  ExpectSilence(200);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
}

}  // namespace
}  // namespace corvane::testing
