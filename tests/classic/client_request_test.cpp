// Get and generic requests to a scripted Kermit server, and the PC's answer to
// a generic command that the peer sends.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane::testing {
namespace {

// Named like the dispatcher's reply files: the engine writes it under its upper-case name.
const std::string kReplyFile = "$KT1a.tmp";

class ClientRequestTest : public ClassicPeerTest {
 protected:
  // Starts a get of `name`; the I packet is refused, so the R follows at once.
  void StartGet(const std::string& name, bool refuseInit = true) {
    Slots().nextFileName = name;
    Slots().headerName = name;
    Start('r', [] { ClassicRequest(); });
    EXPECT_EQ(Expect('I', 0).data, kPcInit);
    if (refuseInit) {
      EXPECT_EQ(Exchange('E', 0, "Unimplemented", 'R', 0).data, name);
    }
  }

  // Starts a generic command (as the dispatcher builds it) and returns the G data sent.
  std::string StartGeneric(const std::string& command) {
    command.copy(Slots().genericCommand.data(), command.size());
    WriteWholeFile(kReplyFile, "");
    Slots().headerName = kReplyFile;
    Slots().overwriteExisting = 1;
    Start('g', [] { ClassicRequest(); });
    Expect('I', 0);
    return Exchange('Y', 0, kPeerInit, 'G', 0).data;
  }

  // The server's S, a file header and one data packet, all acknowledged.
  void ServeOneFile(char header, const std::string& content) {
    EXPECT_EQ(Exchange('S', 0, kPeerInit, 'Y', 0).data, kPcInit);
    Exchange(header, 1, "ANSWER", 'Y', 1);
    Exchange('D', 2, KermitEncode(content), 'Y', 2);
    Exchange('Z', 3, "", 'Y', 3);
    Exchange('B', 4, "", 'Y', 4);
  }

  void ExpectEnd(int errorFlag) {
    ASSERT_TRUE(Finished());
    ExpectSilence(100);
    EXPECT_EQ(ClassicLink().errorFlag, errorFlag);
    EXPECT_FALSE(ReceiveFileOpen());
  }
};

TEST_F(ClientRequestTest, GetPassesARefusedInfoPacketAndReceivesTheFile) {
  StartGet("JOB1.TXT");
  ServeOneFile('F', "P1,2,3\r\n");
  ExpectEnd(0);
  EXPECT_EQ(ReadWholeFile("JOB1.TXT"), "P1,2,3\r\n");
}

TEST_F(ClientRequestTest, InfoAckSetsParametersAndServersErrorEndsTheGet) {
  for (const auto& [text, errorFlag] : {std::pair{"File not found", 1}, std::pair{"File exists", -25}}) {
    ResetClassicEngine();
    StartGet("A#B.TXT", false);
    EXPECT_EQ(Exchange('Y', 0, FromHex("5E 29 20 40 2D 23"), 'R', 0).data, "A##B.TXT");
    Reply('E', 1, text);
    ExpectEnd(errorFlag);
    EXPECT_EQ(ClassicConfig().peerMaxLength, 62);
    EXPECT_EQ(ClassicConfig().timeoutSeconds, 9);
  }
}

TEST_F(ClientRequestTest, DataThatCannotBeWrittenIsRefusedWithoutAck) {
  StartGet("JOB.CR5");
  Exchange('S', 0, kPeerInit, 'Y', 0);
  Exchange('F', 1, "JOB.CR5", 'Y', 1);
  EXPECT_EQ(Exchange('D', 2, "not a point#M#J", 'E', 3).data,
            "This is not a valid coordinate file. (Message: #KER-120).");
  ExpectEnd(1);
}

TEST_F(ClientRequestTest, GenericCommandGoesOutEncodedOnceAndKeepsAShortAnswer) {
  const struct {
    std::string command, wire, answer, kept;
  } cases[] = {
      {"D ", "D ", "", ""},
      {"C##ABC", "C##ABC", "Now in ABC#M#J", "Now in ABC\r\n"},
      {"D##A#B", "D##A##B", "A##B#M#J", "A#B\r\n"},
      {"D!\x01", "D!#A", "x", "x\r\n"},
  };
  for (const auto& c : cases) {
    ResetClassicEngine();
    EXPECT_EQ(StartGeneric(c.command), c.wire);
    Reply('Y', 0, c.answer);
    ExpectEnd(0);
    EXPECT_EQ(ReadWholeFile(kReplyFile), c.kept) << c.command;
  }
}

TEST_F(ClientRequestTest, GenericCommandAnsweredAsAFileFillsTheReplyFile) {
  StartGeneric("D ");
  ServeOneFile('X', "C:\\DATA\r\n");
  ExpectEnd(0);
  EXPECT_EQ(ReadWholeFile(kReplyFile), "C:\\DATA\r\n");
}

TEST_F(ClientRequestTest, PeersGenericCommandIsAnsweredAsATextFile) {
  WriteWholeFile("GONE.TXT", "bye");
  StartGet("JOB1.TXT");
  EXPECT_EQ(Exchange('G', 0, "E(GONE.TXT", 'S', 0).data, kPcInit);
  EXPECT_EQ(Exchange('Y', 0, kPeerInit, 'X', 1).data, "ERASE");
  EXPECT_EQ(Exchange('Y', 1, "", 'D', 2).data, "Deleted file: GONE.TXT#M#J");
  Exchange('Y', 2, "", 'Z', 3);
  Exchange('Y', 3, "", 'B', 4);
  Reply('Y', 4);
  ExpectEnd(0);
  EXPECT_FALSE(std::filesystem::exists("GONE.TXT"));

  ResetClassicEngine();
  StartGet("JOB1.TXT");
  Exchange('G', 0, "Q", 'S', 0);
  EXPECT_EQ(Expect('E', 1).data, " Unknown server command (Message: #KER-103)");
  ExpectEnd(1);
}

TEST_F(ClientRequestTest, CancelSendsTheUsersErrorOnce) {
  StartGet("JOB1.TXT", false);
  Session().cancelEvent.Set();
  EXPECT_EQ(Expect('E', 1).data, "Transfer ended by user.");
  ExpectEnd(1);
}

}  // namespace
}  // namespace corvane::testing
