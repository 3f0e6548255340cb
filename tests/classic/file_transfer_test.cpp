// Receiving and sending one file against a scripted peer.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane::testing {
namespace {

const std::string kPcInit = FromHex("7A 27 20 40 2D 23");
const std::string kPeerInit = "~/ @-#";  // MAXL 94, TIME 15, EOL CR, prefix '#'

class FileTransferTest : public ClassicPeerTest {
 protected:
  void StartReceive(const std::string& wantedName = "") {
    Slots().headerName = wantedName;
    ClassicLink().pendingPacketType = 'v';
    run_ = std::make_unique<EngineRun>([] { ClassicTransferFile(); });
  }

  void StartSend(const std::string& local, const std::string& announced) {
    Slots().nextFileName = local;
    Slots().headerName = announced;
    Slots().filePending = 1;
    ClassicLink().pendingPacketType = 's';
    run_ = std::make_unique<EngineRun>([] { ClassicTransferFile(); });
  }

  // The peer's S and the file header, both acknowledged.
  void OpenReceivedFile(const std::string& announced) {
    Reply('S', 0, kPeerInit);
    EXPECT_EQ(Hex(Expect('Y', 0).data), Hex(kPcInit));
    Reply('F', 1, KermitEncode(announced));
    EXPECT_EQ(Expect('Y', 1).data, "");
  }

  bool Finished(std::uint32_t waitMs = 3000) { return run_->Finished(waitMs); }

  std::unique_ptr<EngineRun> run_;
};

TEST_F(FileTransferTest, ReceiveStoresTheFileUnderTheHeadersName) {
  StartReceive();
  OpenReceivedFile("out.txt");
  Reply('D', 2, KermitEncode("Hello\r\n"));
  EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), Hex(KermitPacket('Y', 2, "")));
  Reply('D', 3, KermitEncode("W#rld\r\n"));
  Expect('Y', 3);
  Reply('Z', 4);
  Expect('Y', 4);
  Reply('B', 5);
  Expect('Y', 5);
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(Slots().headerName, "OUT.TXT");
  EXPECT_EQ(ReadWholeFile("OUT.TXT"), "Hello\r\nW#rld\r\n");
  EXPECT_EQ(ClassicConfig().timeoutSeconds, 15) << "the peer's TIME";
  EXPECT_FALSE(ReceiveFileOpen());
}

TEST_F(FileTransferTest, ReceiveUsesTheWantedNameAndIgnoresDataBeforeTheHeader) {
  StartReceive("WANTED.TXT");
  Reply('S', 0, kPeerInit);
  Expect('Y', 0);
  Reply('D', 1, "early");
  ExpectSilence(300);
  Reply('F', 1, "OTHER.TXT");
  Expect('Y', 1);
  Reply('D', 2, "late#J");
  Expect('Y', 2);
  Reply('Z', 3);
  Expect('Y', 3);
  Reply('B', 4);
  Expect('Y', 4);
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ReadWholeFile("WANTED.TXT"), "late\r\n");
  EXPECT_FALSE(std::filesystem::exists("OTHER.TXT"));
}

TEST_F(FileTransferTest, PeersErrorEndsTheReceiveAndKeepsWhatArrived) {
  StartReceive();
  OpenReceivedFile("PART.TXT");
  Reply('D', 2, "part#M#J");
  Expect('Y', 2);
  Reply('E', 3, "Disk full");
  ASSERT_TRUE(Finished());
  ExpectSilence(200);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_FALSE(ReceiveFileOpen());
  EXPECT_EQ(ReadWholeFile("PART.TXT"), "part\r\n");
}

TEST_F(FileTransferTest, FailedWaitClosesAndKeepsThePartialFile) {
  StartReceive();
  OpenReceivedFile("HALF.TXT");
  Reply('D', 2, "abc#M#Jde");
  Expect('Y', 2);
  for (int answer = 1; answer < 7; ++answer) {
    peer_.Send("noise\r");
    Expect('N', 3);
  }
  peer_.Send("noise\r");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_FALSE(ReceiveFileOpen());
  EXPECT_EQ(ReadWholeFile("HALF.TXT").substr(0, 5), "abc\r\n");
}

TEST_F(FileTransferTest, CancelSendsOneErrorPacketAndKeepsThePartialFile) {
  StartReceive();
  OpenReceivedFile("CUT.TXT");
  EXPECT_FALSE(Finished(100));
  Session().cancelEvent.Set();
  EXPECT_EQ(Expect('E', 3).data, "Transfer ended by user.");
  ASSERT_TRUE(Finished());
  ExpectSilence(200);
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_FALSE(ReceiveFileOpen());
  EXPECT_TRUE(std::filesystem::exists("CUT.TXT"));
}

TEST_F(FileTransferTest, UnreadableCoordinateLineIsAcknowledgedThenRefused) {
  StartReceive();
  OpenReceivedFile("JOB.CR5");
  Reply('D', 2, "12,abc#M#J");
  Expect('Y', 2);
  EXPECT_EQ(Expect('E', 4).data, "This is not a valid coordinate file. (Message: #KER-120).");
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 1);
  EXPECT_FALSE(ReceiveFileOpen());
}

TEST_F(FileTransferTest, SendGoesOutAsTheExactPacketSequence) {
  WriteWholeFile("up.txt", "one\ntwo\nthree\n");
  StartSend("up.txt", "up.txt");
  EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), "01 29 20 53 7A 27 20 40 2D 23 50 0D");
  Reply('Y', 0, kPeerInit);
  EXPECT_EQ(Expect('F', 1).data, "UP.TXT");
  Reply('Y', 1);
  const char* lines[] = {"one#M#J", "two#M#J", "three#M#J"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Expect('D', 2 + i).data, lines[i]);
    Reply('Y', 2 + i);
  }
  EXPECT_EQ(Expect('Z', 5).data, "");
  Reply('Y', 5);
  Expect('B', 6);
  ASSERT_TRUE(Finished());
  ExpectSilence(200);
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(ClassicConfig().dataBudget, 90);
  EXPECT_EQ(ClassicConfig().timeoutSeconds, 15);
}

TEST_F(FileTransferTest, DataPacketsFillThePeersLengthAndNakOfTheNextCountsAsAck) {
  WriteWholeFile("LONG.TXT", std::string(150, 'x') + "\n");
  StartSend("LONG.TXT", "LONG.TXT");
  Expect('S', 0);
  Reply('Y', 0, kPeerInit);
  Expect('F', 1);
  Reply('N', 2);
  EXPECT_EQ(Expect('D', 2).data, std::string(90, 'x'));
  Reply('Y', 2);
  EXPECT_EQ(Expect('D', 3).data, std::string(60, 'x') + "#M#J");
  Reply('Y', 3);
  Expect('Z', 4);
  Reply('Y', 4);
  Expect('B', 5);
  ASSERT_TRUE(Finished());
  EXPECT_EQ(ClassicLink().errorFlag, 0);
}

TEST_F(FileTransferTest, MissingLocalFileSendsOnlyTheBreakAndSucceeds) {
  StartSend("NOTHERE.TXT", "NOTHERE.TXT");
  Expect('S', 0);
  Reply('Y', 0, kPeerInit);
  Expect('B', 1);
  ASSERT_TRUE(Finished());
  ExpectSilence(200);
  EXPECT_EQ(ClassicLink().errorFlag, 0);
}

TEST_F(FileTransferTest, PeersErrorTextDecidesBetweenFileExistsAndFailure) {
  const struct {
    const char* text;
    int errorFlag;
  } cases[] = {
      {"File exists", -25},
      {"File exists: UP.TXT, not replaced", -25},
      {"file exists", 1},
      {"File exist", 1},
      {"Refused", 1},
  };
  WriteWholeFile("UP.TXT", "data\n");
  for (const auto& c : cases) {
    ResetClassicEngine();
    StartSend("UP.TXT", "UP.TXT");
    Expect('S', 0);
    Reply('Y', 0, kPeerInit);
    Expect('F', 1);
    Reply('E', 1, KermitEncode(c.text));
    ASSERT_TRUE(Finished()) << c.text;
    EXPECT_EQ(ClassicLink().errorFlag, c.errorFlag) << c.text;
    ExpectSilence(100);
    CloseTransferFiles();
  }
}

}  // namespace
}  // namespace corvane::testing
