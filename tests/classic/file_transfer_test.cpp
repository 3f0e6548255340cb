// Sending and receiving a file, and the requests to a Kermit server, against
// a scripted peer.
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "session/transfer_session.h"

namespace corvane::testing {
namespace {

const std::string kPeerS = "<S0 " + kPeerInit;
const std::string kPcAck = ">Y0 " + kPcInit;
const std::string kNotCoordinates = "This is not a valid coordinate file. (Message: #KER-120).";

class FileTransferTest : public ClassicPeerTest {
 protected:
  void StartReceive(const std::string& wantedName = "") {
    Link().files.headerName = wantedName;
    Start('v', [this] { ClassicTransferFile(Link()); });
  }

  void StartSend(const std::string& local) {
    Link().files.nextFileName = Link().files.headerName = local;
    Link().files.filePending = true;
    Start('s', [this] { ClassicTransferFile(Link()); });
    Play({">S0 " + kPcInit});
  }

  // A get of `name` (event 'r') or a generic command (event 'g', the letter
  // and its argument) answered into `name`, as the dispatcher sets them up.
  void StartRequest(int event, const std::string& name, const std::string& command = {}) {
    Link().files.headerName = name;
    Link().overwriteExisting = event == 'g';
    Start(event, [this, request = event == 'r' ? name : command] { ClassicRequest(request, Link()); });
    Play({">I0 " + kPcInit});
  }
};

TEST_F(FileTransferTest, ReceiveStoresUnderTheWantedNameAndIgnoresDataBeforeTheHeader) {
  StartReceive("WANTED.TXT");
  Play({kPeerS, kPcAck, "<D1 early"});
  ExpectSilence(300);  // data before the header is not acknowledged
  Play({"<F1 OTHER.TXT", ">Y1", "<D2 late#J", ">Y2", "<Z3", ">Y3", "<B4", ">Y4"});
  ExpectEnd(EngineOutcome::Success);
  EXPECT_EQ(ReadFile("WANTED.TXT"), "late\r\n");
  EXPECT_FALSE(std::filesystem::exists("OTHER.TXT"));
  EXPECT_EQ(Link().settings.timeoutSeconds, 15) << "the peer's TIME";
}

// A header names a file, never a path: its last part lands here, and one that
// names no plain file is refused.
TEST_F(FileTransferTest, HeaderNamesAFileHereOrIsRefused) {
  std::filesystem::create_directory("SUB");
  const std::vector<std::string> delivered = {">Y1", "<D2 data", ">Y2", "<Z3", ">Y3", "<B4", ">Y4"};
  const std::vector<std::string> refused = {">E2  Can't open remote file (Message: #KER-109)"};
  const struct {
    std::string header;  // as it goes on the wire, encoded
    std::string stored;  // empty: refused
  } cases[] = {
      {"../up.txt", "UP.TXT"}, {"C:\\DC\\drive.txt", "DRIVE.TXT"}, {"", ""}, {"SUB", ""}, {"SUB/..", ""},
      {"A#JB.TXT", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    NewExchange();
    StartReceive();
    Play({kPeerS, kPcAck, "<F1 " + c.header});
    Play(c.stored.empty() ? refused : delivered);
    ExpectEnd(c.stored.empty() ? EngineOutcome::Failed : EngineOutcome::Success);
    if (!c.stored.empty()) {
      EXPECT_EQ(ReadFile(c.stored), "data\r\n");
    }
  }
  EXPECT_FALSE(std::filesystem::exists("../up.txt") || std::filesystem::exists("../UP.TXT"));
}

// However a receive ends early, the output is closed and what arrived stays.
TEST_F(FileTransferTest, ReceiveEndingEarlyKeepsWhatArrived) {
  const std::vector<std::string> endings[] = {
      {"<E3 Disk full"},
      {"!", ">E4 Transfer ended by user."},
      {"?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?"},
  };
  for (const auto& ending : endings) {
    NewExchange();
    std::filesystem::remove("PART.TXT");
    StartReceive();
    Play({kPeerS, kPcAck, "<F1 PART.TXT", ">Y1", "<D2 part#M#J", ">Y2"});
    Play(ending);
    ExpectEnd(EngineOutcome::Failed);
    EXPECT_EQ(ReadFile("PART.TXT"), "part\r\n") << ending[0];
  }
  NewExchange();
  StartReceive();
  Play({kPeerS, kPcAck, "<F1 JOB.CR5", ">Y1", "<D2 12,abc#M#J", ">Y2", ">E4 " + kNotCoordinates});
  ExpectEnd(EngineOutcome::Failed);
}

TEST_F(FileTransferTest, SendEndsAsThePeerAnswers) {
  WriteFile("up.txt", "one\ntwo\n" + std::string(150, 'x') + "\n");
  const std::string peerAck = "<Y0 " + kPeerInit;
  const struct {
    std::string file;
    std::vector<std::string> script;
    EngineOutcome outcome;
  } cases[] = {
      // D packets fill the peer's length; a NAK of the next packet counts as its ACK;
      // the break's ACK is not awaited.
      {"up.txt", {peerAck, ">F1 UP.TXT", "<Y1", ">D2 one#M#J", "<Y2", ">D3 two#M#J", "<N4", ">D4 " + std::string(90, 'x'),
                  "<Y4", ">D5 " + std::string(60, 'x') + "#M#J", "<Y5", ">Z6", "<Y6", ">B7"}, EngineOutcome::Success},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exists"}, EngineOutcome::FileExists},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exists: UP.TXT"}, EngineOutcome::FileExists},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 file exists"}, EngineOutcome::Failed},
      {"up.txt", {peerAck, ">F1 UP.TXT", "<E1 File exist"}, EngineOutcome::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.back());
    NewExchange();
    StartSend(c.file);
    Play(c.script);
    ExpectEnd(c.outcome);
    EXPECT_EQ(Link().settings.timeoutSeconds, 15) << "the peer's TIME";
    Link().streams.CloseSendFile();
  }
}

TEST_F(FileTransferTest, GetTakesTheServersAnswer) {
  WriteFile("GONE.TXT", "bye");
  const struct {
    std::string name;
    std::vector<std::string> script;
    EngineOutcome outcome;
  } cases[] = {
      {"A#B.TXT", {"<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File not found"}, EngineOutcome::Failed},
      {"A#B.TXT", {"<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File exists"}, EngineOutcome::FileExists},
      {"JOB.CR5", {"<E0 x", ">R0 JOB.CR5", kPeerS, kPcAck, "<F1 JOB.CR5", ">Y1", "<D2 no point#M#J",
                   ">E3 " + kNotCoordinates}, EngineOutcome::Failed},
      {"JOB1.TXT", {"<G0 E(GONE.TXT", ">S0 " + kPcInit, "<Y0 " + kPeerInit, ">X1 ERASE", "<Y1",
                    ">D2 Deleted file: GONE.TXT#M#J", "<Y2", ">Z3", "<Y3", ">B4", "<Y4"}, EngineOutcome::Success},
      {"JOB1.TXT", {"<G0 Q", ">S0 " + kPcInit, "<Y0 " + kPeerInit, ">E1  Unknown server command (Message: #KER-103)"},
       EngineOutcome::Failed},
      {"JOB1.TXT", {"!", ">E1 Transfer ended by user."}, EngineOutcome::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[0]);
    NewExchange();
    StartRequest('r', c.name);
    Play(c.script);
    ExpectEnd(c.outcome);
    if (c.script[0] == "<Y0 ^) @-#") {
      EXPECT_EQ(std::pair(Link().settings.peerMaxLength, Link().settings.timeoutSeconds), std::pair(62, 9));
    }
  }
  EXPECT_FALSE(std::filesystem::exists("GONE.TXT"));
}

TEST_F(FileTransferTest, GenericCommandGoesOutEncodedOnceAndKeepsAShortAnswer) {
  const struct {
    std::string command, wire, answer, kept;
  } cases[] = {
      {"D", "D ", "", ""},
      {"CABC", "C##ABC", "Now in ABC#M#J", "Now in ABC\r\n"},
      {"DA#B", "D##A##B", "A##B#M#J", "A#B\r\n"},
      {"D\x01", "D!#A", "x", "x\r\n"},
  };
  const std::string replyFile = "$KT1a.tmp";  // named as the dispatcher names them
  for (const auto& c : cases) {
    NewExchange();
    WriteFile(replyFile, "");
    StartRequest('g', replyFile, c.command);
    Play({"<Y0 " + kPeerInit, ">G0 " + c.wire, "<Y0 " + c.answer});
    ExpectEnd(EngineOutcome::Success);
    EXPECT_EQ(ReadFile(replyFile), c.kept) << c.command;
  }
}

}  // namespace
}  // namespace corvane::testing
