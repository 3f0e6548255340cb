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
  // Runs a client command on a thread; `name` is the in/out name.
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
  EXPECT_EQ(Next(), "S0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "F1 empty.txt 0");
  Send('Y', 1);
  EXPECT_EQ(Next(), "Z2");
  EXPECT_EQ(run.Result(3000), kResultSuccess);
}

TEST_F(WideClientTest, SendsFullDataPacketsUnderTheAnnouncedName) {
  std::string content;
  for (int i = 0; i < 1024; ++i) content += static_cast<char>((i * 7) % 256);
  WriteFile("local.bin", content);
  EngineThread run = Start(kCommandSend, "local.bin", "REMOTE.DAT");
  EXPECT_EQ(Next(), "S0");
  Send('Y', 0);
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
    ASSERT_EQ(Describe(data), "D" + std::to_string(seq));
    EXPECT_EQ(data->length, 512);
    EXPECT_EQ(Session().bytesDone, 512 * (seq - 1));
    received += data->data;
    Send('Y', seq);
  }
  EXPECT_EQ(received, content);
  EXPECT_EQ(Next(), "Z4");
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "REMOTE.DAT");
}

TEST_F(WideClientTest, MissingFileToSendIsError251) {
  EngineThread run = Start(kCommandSend, "absent.txt");
  EXPECT_EQ(Next(), "S0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "E0 #251");
  EXPECT_EQ(run.Result(3000), kErrorCannotInitiateSend);
}

TEST_F(WideClientTest, ReceivesUnderTheHeaderNameAndWritesARepeatOnce) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  Send('F', 1, "job 1.txt 42");
  EXPECT_EQ(Next(), "Y1");
  Send('D', 2, "hello");
  EXPECT_EQ(Next(), "Y2");
  Send('D', 2, "hello");  // our Y was lost
  EXPECT_EQ(Next(), "Y2");
  Send('D', 3, " world");
  EXPECT_EQ(Next(), "Y3");
  Send('Z', 4);
  EXPECT_EQ(Next(), "Y4");
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "JOB 1.TXT");
  EXPECT_EQ(ReadFile("JOB 1.TXT"), "hello world");
  EXPECT_EQ(Session().bytesTotal, 11);
}

TEST_F(WideClientTest, LocalNameWinsAndPathsInTheHeaderAreIgnored) {
  std::filesystem::create_directory(Here() / "in");
  EngineThread run = Start(kCommandReceive, "in/local.bin");
  OpenReceive();
  Send('F', 1, "../remote.bin 3");
  EXPECT_EQ(Next(), "Y1");
  Send('D', 2, "abc");
  EXPECT_EQ(Next(), "Y2");
  Send('Z', 3);
  EXPECT_EQ(Next(), "Y3");
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "IN/LOCAL.BIN");
  EXPECT_EQ(ReadFile("in/LOCAL.BIN"), "abc");
  EXPECT_FALSE(Exists("../remote.bin") || Exists("REMOTE.BIN"));
}

TEST_F(WideClientTest, ErrorFromTheRemoteEndsTheTransaction) {
  struct Case {
    std::string text;
    int expected;
  };
  const std::vector<Case> cases = {
      {"File exists on the DC", kResultFileExists},
      {"file exists", kResultFailed},
      {"Disk full", kResultFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EngineThread run = Start(kCommandReceive, "");
    OpenReceive();
    Send('E', 1, c.text);
    EXPECT_EQ(run.Result(3000), c.expected);
    EXPECT_EQ(peer_.ReceiveUntilQuiet(50), "");
  }
}

TEST_F(WideClientTest, UnexpectedPacketEndsWithoutAnswer) {
  EngineThread run = Start(kCommandReceive, "");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Send('I', 0);
  EXPECT_EQ(run.Result(3000), kResultUnexpectedPacket);
  EXPECT_EQ(peer_.ReceiveUntilQuiet(100), "");
}

TEST_F(WideClientTest, RefusedHeaderIsError255) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  Send('F', 1, "no-size-no-space");
  EXPECT_EQ(Next(), "E1 #255");
  EXPECT_EQ(run.Result(3000), kErrorCannotOpenFile);
}

TEST_F(WideClientTest, CancelledReceiveLeavesNoFile) {
  EngineThread run = Start(kCommandReceive, "");
  OpenReceive();
  Send('F', 1, "cut.txt 10");
  EXPECT_EQ(Next(), "Y1");
  Send('D', 2, "12345");
  EXPECT_EQ(Next(), "Y2");
  EXPECT_TRUE(Exists("CUT.TXT"));
  Session().cancelEvent.Set();
  Send('D', 3, "67890");
  EXPECT_EQ(Next(), "E3 #258");
  EXPECT_EQ(run.Result(3000), kErrorCancelledByUser);
  EXPECT_FALSE(Exists("CUT.TXT"));
}

TEST_F(WideClientTest, GetAsksWithRThenNamesTheFileInF) {
  EngineThread run = Start(kCommandGet, "got.txt", "dc/WANTED.TXT");
  EXPECT_EQ(Next(), "R0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "F1 WANTED.TXT 1");
  Send('F', 2, "WANTED.TXT 4");
  EXPECT_EQ(Next(), "Y2");
  Send('D', 3, "data");
  EXPECT_EQ(Next(), "Y3");
  Send('Z', 4);
  EXPECT_EQ(Next(), "Y4");
  EXPECT_EQ(run.Result(3000), kResultSuccess);
  EXPECT_EQ(name_, "GOT.TXT");
  EXPECT_EQ(ReadFile("GOT.TXT"), "data");
}

}  // namespace
}  // namespace corvane::testing
