// Sending and receiving a file, and the requests to a Kermit server, against
// a scripted peer.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane::testing {
namespace {

const std::string kPeerS = "<S0 " + kPeerInit;
const std::string kPcAck = ">Y0 " + kPcInit;
const std::string kNotCoordinates = "This is not a valid coordinate file. (Message: #KER-120).";

class FileTransferTest : public ClassicPeerTest {
 protected:
  void StartReceive(const std::string& wantedName = "") {
    Slots().headerName = wantedName;
    Start('v', [] { ClassicTransferFile(); });
  }

  void StartSend(const std::string& local) {
    Slots().nextFileName = Slots().headerName = local;
    Slots().filePending = 1;
    Start('s', [] { ClassicTransferFile(); });
    Expect('S', 0);
  }

  // A get (event 'r') or a generic command (event 'g') as the dispatcher sets it up.
  void StartRequest(int event, const std::string& name) {
    Slots().headerName = name;
    if (event == 'r') Slots().nextFileName = name;
    Slots().overwriteExisting = event == 'g';
    Start(event, [] { ClassicRequest(); });
    EXPECT_EQ(Expect('I', 0).data, kPcInit);
  }
};

TEST_F(FileTransferTest, ReceiveStoresUnderTheWantedNameAndIgnoresDataBeforeTheHeader) {
  StartReceive("WANTED.TXT");
  Play({kPeerS, kPcAck, "<D1 early"});
  ExpectSilence(300);  // data before the header is not acknowledged
  Play({"<F1 OTHER.TXT", ">Y1", "<D2 late#J", ">Y2", "<Z3", ">Y3", "<B4", ">Y4"});
  ExpectEnd(0);
  EXPECT_EQ(ReadWholeFile("WANTED.TXT"), "late\r\n");
  EXPECT_FALSE(std::filesystem::exists("OTHER.TXT"));
  EXPECT_EQ(ClassicConfig().timeoutSeconds, 15) << "the peer's TIME";
}

// However a receive ends early, the output is closed and what arrived stays.
TEST_F(FileTransferTest, ReceiveEndingEarlyKeepsWhatArrived) {
  const std::vector<std::string> endings[] = {
      {"<E3 Disk full"},
      {"!", ">E4 Transfer ended by user."},
      {"?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?"},
  };
  for (const auto& ending : endings) {
    ResetClassicEngine();
    std::filesystem::remove("PART.TXT");
    StartReceive();
    Play({kPeerS, kPcAck, "<F1 PART.TXT", ">Y1", "<D2 part#M#J", ">Y2"});
    Play(ending);
    ExpectEnd(1);
    EXPECT_EQ(ReadWholeFile("PART.TXT"), "part\r\n") << ending[0];
  }
  ResetClassicEngine();
  StartReceive();
  Play({kPeerS, kPcAck, "<F1 JOB.CR5", ">Y1", "<D2 12,abc#M#J", ">Y2", ">E4 " + kNotCoordinates});
  ExpectEnd(1);
}

TEST_F(FileTransferTest, SendEndsAsThePeerAnswers) {
  WriteWholeFile("up.txt", "one\ntwo\n" + std::string(150, 'x') + "\n");
  const std::string peerAck = "<Y0 " + kPeerInit;
  const struct {
    std::string file;
    std::vector<std::string> script;
    int errorFlag;
  } cases[] = {
      // D packets fill the peer's length; a NAK of the next packet counts as its ACK;
      // the break's ACK is not awaited.
      {"up.txt", {peerAck, ">F1 UP.TXT", "<Y1", ">D2 one#M#J", "<Y2", ">D3 two#M#J", "<N4", ">D4 " + std::string(90, 'x'),
                  "<Y4", ">D5 " + std::string(60, 'x') + "#M#J", "<Y5", ">Z6", "<Y6", ">B7"}, 0},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exists"}, -25},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exists: UP.TXT"}, -25},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 file exists"}, 1},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exist"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.back());
    ResetClassicEngine();
    StartSend(c.file);
    Play(c.script);
    ExpectEnd(c.errorFlag);
    EXPECT_EQ(ClassicConfig().timeoutSeconds, 15) << "the peer's TIME";
    CloseTransferFiles();
  }
}

TEST_F(FileTransferTest, GetTakesTheServersAnswer) {
  WriteWholeFile("GONE.TXT", "bye");
  const struct {
    std::string name;
    std::vector<std::string> script;
    int errorFlag;
  } cases[] = {
      {"A#B.TXT", {"<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File not found"}, 1},
      {"A#B.TXT", {"<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File exists"}, -25},
      {"JOB.CR5", {"<E0 x", ">R0 JOB.CR5", kPeerS, kPcAck, "<F1 JOB.CR5", ">Y1", "<D2 no point#M#J",
                   ">E3 " + kNotCoordinates}, 1},
      {"JOB1.TXT", {"<G0 E(GONE.TXT", ">S0 " + kPcInit, "<Y0 " + kPeerInit, ">X1 ERASE", "<Y1",
                    ">D2 Deleted file: GONE.TXT#M#J", "<Y2", ">Z3", "<Y3", ">B4", "<Y4"}, 0},
      {"JOB1.TXT", {"<G0 Q", ">S0 " + kPcInit, "<Y0 " + kPeerInit, ">E1  Unknown server command (Message: #KER-103)"},
       1},
      {"JOB1.TXT", {"!", ">E1 Transfer ended by user."}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[0]);
    ResetClassicEngine();
    StartRequest('r', c.name);
    Play(c.script);
    ExpectEnd(c.errorFlag);
    if (c.script[0] == "<Y0 ^) @-#") {
      EXPECT_EQ(std::pair(ClassicConfig().peerMaxLength, ClassicConfig().timeoutSeconds), std::pair(62, 9));
    }
  }
  EXPECT_FALSE(std::filesystem::exists("GONE.TXT"));
}

TEST_F(FileTransferTest, GenericCommandGoesOutEncodedOnceAndKeepsAShortAnswer) {
  const struct {
    std::string command, wire, answer, kept;
  } cases[] = {
      {"D ", "D ", "", ""},
      {"C##ABC", "C##ABC", "Now in ABC#M#J", "Now in ABC\r\n"},
      {"D##A#B", "D##A##B", "A##B#M#J", "A#B\r\n"},
      {"D!\x01", "D!#A", "x", "x\r\n"},
  };
  const std::string replyFile = "$KT1a.tmp";  // named as the dispatcher names them
  for (const auto& c : cases) {
    ResetClassicEngine();
    c.command.copy(Slots().genericCommand.data(), c.command.size());
    WriteWholeFile(replyFile, "");
    StartRequest('g', replyFile);
    Play({"<Y0 " + kPeerInit, ">G0 " + c.wire, "<Y0 " + c.answer});
    ExpectEnd(0);
    EXPECT_EQ(ReadWholeFile(replyFile), c.kept) << c.command;
  }
}

}  // namespace
}  // namespace corvane::testing
