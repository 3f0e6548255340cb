// Client send, receive and get against a scripted Data Collector.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "wide/wide_client.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideClientTest : public WideTestBed {
 protected:
  // Runs a client command on a thread; name_ is the in/out name.
  EngineThread Start(int command, std::string localName, std::string initialName = "") {
    name_ = std::move(initialName);
    return EngineThread([this, command, localName] { return WideClientTransfer(command, localName, name_); });
  }
  // The receiver flushes the line as it starts, so the S goes out a moment
  // later, and once more if it was flushed all the same (the engine NAKs).
  void OpenReceive() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Send('S', 0);
    std::string answer = Next();
    if (answer == "N0") {
      Send('S', 0);
      answer = Next();
    }
    EXPECT_EQ(answer, "Y0");
  }
  std::string name_;
};

TEST_F(WideClientTest, SendsAnEmptyFileAsHeaderThenZ) {
  WriteFile("empty.txt", "");
  EngineThread run = Start(kCommandSend, (Here() / "empty.txt").string());
  Play({">S0", "<Y0", ">F1 empty.txt 0", "<Y1", ">Z2"});
  EXPECT_EQ(run.Result(3000), kResultSuccess);
}

TEST_F(WideClientTest, SendsFullDataPacketsUnderTheAnnouncedName) {
  std::string content;
  for (int i = 0; i < 1024; ++i) content += static_cast<char>((i * 7) % 256);
  WriteFile("local.bin", content);
  EngineThread run = Start(kCommandSend, "local.bin", "REMOTE.DAT");
  Play({">S0", "<Y0"});
  const auto header = NextFrame();
  EXPECT_EQ(Describe(header), "F1 REMOTE.DAT 1024");
  std::string damagedAck = WidePacket('Y', 1, "");
  damagedAck.back() ^= 0x01;
  peer_.Send(damagedAck);
  EXPECT_EQ(NextFrame()->raw, header->raw);  // resent as it stood
  Send('Y', 1);
  std::string received;
  for (int seq = 2; seq <= 3; ++seq) {
    const auto data = NextFrame();
    ASSERT_TRUE(data && data->type == 'D' && data->sequence == seq && data->length == 512);
    EXPECT_EQ(Session().bytesDone, 512 * (seq - 1));
    received += data->data;
    Send('Y', seq);
  }
  EXPECT_EQ(received, content);
  Play({">Z4"});
  EXPECT_EQ(run.Result(3000), kResultSuccess);
}

TEST_F(WideClientTest, MissingFileToSendIsError251) {
  EngineThread run = Start(kCommandSend, "absent.txt");
  Play({">S0", "<Y0", ">E0 #251"});
  EXPECT_EQ(run.Result(3000), kErrorCannotInitiateSend);
}

TEST_F(WideClientTest, ReceivesUnderTheHeaderNameAndWritesARepeatOnce) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  // The second D2 is a repeat after a lost Y: acknowledged again, written once.
  Play({"<F1 job 1.txt 42", ">Y1", "<D2 hello", ">Y2", "<D2 hello", ">Y2", "<D3  world", ">Y3", "<Z4", ">Y4"});
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "JOB 1.TXT");
  EXPECT_EQ(ReadFile("JOB 1.TXT"), "hello world");
  EXPECT_EQ(Session().bytesTotal, 11);
}

TEST_F(WideClientTest, LocalNameWinsOverTheHeader) {
  std::filesystem::create_directory(Here() / "in");
  EngineThread run = Start(kCommandReceive, "in/local.bin");
  OpenReceive();
  Play({"<F1 ../remote.bin 3", ">Y1", "<D2 abc", ">Y2", "<Z3", ">Y3"});
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "IN/LOCAL.BIN");
  EXPECT_EQ(ReadFile("in/LOCAL.BIN"), "abc");
  EXPECT_FALSE(Exists("../remote.bin") || Exists("REMOTE.BIN"));
}

TEST_F(WideClientTest, ErrorFromTheRemoteEndsTheTransaction) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"<E1 File exists on the DC", kResultFileExists},
      {"<E1 file exists", kResultFailed},
      {"<I1", kResultUnexpectedPacket},
  };
  for (const auto& [packet, expected] : cases) {
    SCOPED_TRACE(packet);
    EngineThread run = Start(kCommandReceive, "");
    OpenReceive();
    Play({packet});
    EXPECT_EQ(run.Result(3000), expected);
    EXPECT_EQ(peer_.ReceiveUntilQuiet(50), "");  // nothing is sent back
  }
}

TEST_F(WideClientTest, RefusedHeaderIsError255) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  Play({"<F1 no-size-no-space", ">E1 #255"});
  EXPECT_EQ(run.Result(3000), kErrorCannotOpenFile);
}

TEST_F(WideClientTest, CancelledReceiveLeavesNoFile) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  Play({"<F1 cut.txt 10", ">Y1", "<D2 12345", ">Y2"});
  EXPECT_TRUE(Exists("CUT.TXT"));
  Session().cancelEvent.Set();
  Play({"<D3 67890", ">E3 #258"});
  EXPECT_EQ(run.Result(3000), kErrorCancelledByUser);
  EXPECT_FALSE(Exists("CUT.TXT"));
}

TEST_F(WideClientTest, GetAsksWithRThenNamesTheFileInF) {
  EngineThread run = Start(kCommandGet, "got.txt", "dc/WANTED.TXT");
  Play({">R0", "<Y0", ">F1 WANTED.TXT 1", "<F2 WANTED.TXT 4", ">Y2", "<D3 data", ">Y3", "<Z4", ">Y4"});
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "GOT.TXT");
  EXPECT_EQ(ReadFile("GOT.TXT"), "data");
}

}  // namespace
}  // namespace corvane::testing
