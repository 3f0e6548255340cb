// Receiving and sending one file against a scripted peer.
#include "api/transfer_session.h"
#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane::testing {
namespace {

class FileTransferTest : public ClassicPeerTest {
 protected:
  void StartReceive(const std::string& wantedName = "") {
    Slots().headerName = wantedName;
    Start('v', [] { ClassicTransferFile(); });
  }

  void StartSend(const std::string& local, const std::string& announced) {
    Slots().nextFileName = local;
    Slots().headerName = announced;
    Slots().filePending = 1;
    Start('s', [] { ClassicTransferFile(); });
  }

  // The peer's S and file header, both acknowledged.
  void OpenReceivedFile(const std::string& announced) {
    EXPECT_EQ(Exchange('S', 0, kPeerInit, 'Y', 0).data, kPcInit);
    EXPECT_EQ(Exchange('F', 1, announced, 'Y', 1).data, "");
  }

  void ExpectEnd(int errorFlag) {
    ASSERT_TRUE(Finished());
    ExpectSilence();
    EXPECT_EQ(ClassicLink().errorFlag, errorFlag);
    EXPECT_FALSE(ReceiveFileOpen());
  }
};

TEST_F(FileTransferTest, ReceiveStoresTheFileUnderTheHeadersName) {
  StartReceive();
  OpenReceivedFile("../out.txt");
  Reply('D', 2, "Hello#M#J");
  EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), Hex(KermitPacket('Y', 2, "")));
  Exchange('D', 3, "W##rld#M#J", 'Y', 3);
  Exchange('Z', 4, "", 'Y', 4);
  Exchange('B', 5, "", 'Y', 5);
  ExpectEnd(0);
  EXPECT_EQ(Slots().headerName, "OUT.TXT");
  EXPECT_EQ(ReadWholeFile("OUT.TXT"), "Hello\r\nW#rld\r\n") << "in the current directory, not above it";
  EXPECT_EQ(ClassicConfig().timeoutSeconds, 15) << "the peer's TIME";
}

TEST_F(FileTransferTest, ReceiveUsesTheWantedNameAndIgnoresDataBeforeTheHeader) {
  StartReceive("WANTED.TXT");
  Exchange('S', 0, kPeerInit, 'Y', 0);
  Reply('D', 1, "early");
  ExpectSilence(300);
  Exchange('F', 1, "OTHER.TXT", 'Y', 1);
  Exchange('D', 2, "late#J", 'Y', 2);
  Exchange('Z', 3, "", 'Y', 3);
  Exchange('B', 4, "", 'Y', 4);
  ExpectEnd(0);
  EXPECT_EQ(ReadWholeFile("WANTED.TXT"), "late\r\n");
  EXPECT_FALSE(std::filesystem::exists("OTHER.TXT"));
}

// However a receive ends early, the output is closed and what arrived stays.
TEST_F(FileTransferTest, ReceiveEndingEarlyKeepsWhatArrived) {
  const struct {
    const char* name;
    std::function<void()> end;
  } cases[] = {
      {"peer's error", [this] { Reply('E', 3, "Disk full"); }},
      {"cancel",
       [this] {
         Session().cancelEvent.Set();
         EXPECT_EQ(Expect('E', 4).data, "Transfer ended by user.");
       }},
      {"failed wait",
       [this] {
         for (int answer = 1; answer < 7; ++answer) {
           peer_.Send("noise\r");
           Expect('N', 3);
         }
         peer_.Send("noise\r");
       }},
  };
  for (const auto& c : cases) {
    ResetClassicEngine();
    Session().cancelEvent.Reset();
    std::filesystem::remove("PART.TXT");
    StartReceive();
    OpenReceivedFile("PART.TXT");
    Exchange('D', 2, "part#M#J", 'Y', 2);
    c.end();
    ExpectEnd(1);
    EXPECT_EQ(ReadWholeFile("PART.TXT"), "part\r\n") << c.name;
  }
}

TEST_F(FileTransferTest, UnreadableCoordinateLineIsAcknowledgedThenRefused) {
  StartReceive();
  OpenReceivedFile("JOB.CR5");
  Exchange('D', 2, "12,abc#M#J", 'Y', 2);
  EXPECT_EQ(Expect('E', 4).data, "This is not a valid coordinate file. (Message: #KER-120).");
  ExpectEnd(1);
}

TEST_F(FileTransferTest, SendGoesOutAsTheExactPacketSequence) {
  WriteWholeFile("up.txt", "one\ntwo\nthree\n");
  StartSend("up.txt", "up.txt");
  EXPECT_EQ(Hex(peer_.ReceiveUntil('\r', 3000)), "01 29 20 53 7A 27 20 40 2D 23 50 0D");
  EXPECT_EQ(Exchange('Y', 0, kPeerInit, 'F', 1).data, "UP.TXT");
  EXPECT_EQ(Exchange('Y', 1, "", 'D', 2).data, "one#M#J");
  EXPECT_EQ(Exchange('Y', 2, "", 'D', 3).data, "two#M#J");
  EXPECT_EQ(Exchange('Y', 3, "", 'D', 4).data, "three#M#J");
  EXPECT_EQ(Exchange('Y', 4, "", 'Z', 5).data, "");
  Exchange('Y', 5, "", 'B', 6);
  ExpectEnd(0);
  EXPECT_EQ(ClassicConfig().timeoutSeconds, 15);
}

TEST_F(FileTransferTest, DataPacketsFillThePeersLengthAndNakOfTheNextCountsAsAck) {
  WriteWholeFile("LONG.TXT", std::string(150, 'x') + "\n");
  StartSend("LONG.TXT", "LONG.TXT");
  Expect('S', 0);
  Exchange('Y', 0, kPeerInit, 'F', 1);
  EXPECT_EQ(Exchange('N', 2, "", 'D', 2).data, std::string(90, 'x'));
  EXPECT_EQ(Exchange('Y', 2, "", 'D', 3).data, std::string(60, 'x') + "#M#J");
  Exchange('Y', 3, "", 'Z', 4);
  Exchange('Y', 4, "", 'B', 5);
  ExpectEnd(0);
}

TEST_F(FileTransferTest, MissingLocalFileSendsOnlyTheBreakAndSucceeds) {
  StartSend("NOTHERE.TXT", "NOTHERE.TXT");
  Expect('S', 0);
  Exchange('Y', 0, kPeerInit, 'B', 1);
  ExpectEnd(0);
}

TEST_F(FileTransferTest, PeersErrorTextDecidesBetweenFileExistsAndFailure) {
  const std::pair<const char*, int> cases[] = {
      {"File exists", -25}, {"File exists: UP.TXT", -25}, {"file exists", 1}, {"File exist", 1}};
  WriteWholeFile("UP.TXT", "data\n");
  for (const auto& [text, errorFlag] : cases) {
    ResetClassicEngine();
    StartSend("UP.TXT", "UP.TXT");
    Expect('S', 0);
    Exchange('Y', 0, kPeerInit, 'F', 1);
    Reply('E', 1, text);
    ExpectEnd(errorFlag);
    CloseTransferFiles();
  }
}

}  // namespace
}  // namespace corvane::testing
