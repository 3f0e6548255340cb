// The engine against C-Kermit as the peer: the engine's pty master is relayed
// to a second pty pair whose slave C-Kermit opens as its line.
#include <atomic>
#include <cstdlib>
#include <thread>

#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/transfer_slots.h"
#include "platform/tty.h"

namespace corvane::testing {
namespace {

class LineRelay {
 public:
  LineRelay(ByteStream& one, ByteStream& other)
      : thread_([this, &one, &other] {
          while (!stop_) Pass(one, other), Pass(other, one);
        }) {}
  ~LineRelay() {
    stop_ = true;
    thread_.join();
  }

 private:
  static void Pass(ByteStream& from, ByteStream& to) {
    std::uint8_t block[256];
    if (!from.WaitReadable(2)) return;
    to.Write(block, from.ReadNow(block, sizeof block));
  }

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class CKermitInteropTest : public ClassicPeerTest {
 protected:
  void SetUp() override {
    ClassicPeerTest::SetUp();
    ASSERT_EQ(std::system("command -v kermit >/dev/null 2>&1"), 0) << "C-Kermit (package ckermit) is needed";
    ASSERT_TRUE(kermitLine_.Open());
    relay_ = std::make_unique<LineRelay>(peer_.Master(), kermitLine_.Master());
    ClassicConfig().timeoutSeconds = 5;
  }

  void TearDown() override {
    relay_.reset();
    ClassicPeerTest::TearDown();
  }

  // C-Kermit's exit status comes through the future; a run left hanging ends after 30 s.
  std::future<int> StartKermit(const std::string& action) {
    const std::string command = "timeout 30 kermit -Y -B -H -l " + kermitLine_.SlavePath() + " -b 9600 " +
                                action + " >kermit.log 2>&1";
    return std::async(std::launch::async, [command] { return std::system(command.c_str()); });
  }

  void RunRequest(int event) {
    ClassicLink().pendingPacketType = event;
    ClassicRequest();
  }

  PtyPair kermitLine_;
  std::unique_ptr<LineRelay> relay_;
};

TEST_F(CKermitInteropTest, ReceivesAFileThatCKermitSends) {
  std::filesystem::create_directory("out");
  WriteWholeFile("out/notes.txt", "first line\nsecond # line\n\tindented\n");
  auto kermit = StartKermit("-s out/notes.txt");
  ClassicLink().pendingPacketType = 'v';
  ClassicTransferFile();
  EXPECT_EQ(kermit.get(), 0) << ReadWholeFile("kermit.log");
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(ReadWholeFile("NOTES.TXT"), "first line\r\nsecond # line\r\n\tindented\r\n");
}

TEST_F(CKermitInteropTest, SendsAFileThatCKermitReceives) {
  std::filesystem::create_directory("in");
  std::string content;
  for (int i = 0; i < 40; ++i) content += "line " + std::to_string(i) + " with #, tab\t and more text\n";
  WriteWholeFile("up.txt", content);
  auto kermit = StartKermit("-a in/ -r");
  Slots().nextFileName = Slots().headerName = "up.txt";
  Slots().filePending = 1;
  ClassicLink().pendingPacketType = 's';
  ClassicTransferFile();
  EXPECT_EQ(kermit.get(), 0) << ReadWholeFile("kermit.log");
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  // C-Kermit lower-cases an all-capital name and, without a text attribute, keeps the CR LF line ends.
  std::string onTheLine;
  for (char c : content) onTheLine += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ReadWholeFile("in/up.txt"), onTheLine);
}

TEST_F(CKermitInteropTest, GetsAFileAndRunsGenericCommandsOnACKermitServer) {
  std::filesystem::create_directory("srv");
  WriteWholeFile("srv/job.txt", "P1,100.5,200.25\nP2,101.5,201.25\n");
  auto server = StartKermit("-x");
  Slots().nextFileName = "srv/job.txt";
  Slots().headerName = "JOB.TXT";
  RunRequest('r');
  EXPECT_EQ(ClassicLink().errorFlag, 0);
  EXPECT_EQ(ReadWholeFile("JOB.TXT"), "P1,100.5,200.25\r\nP2,101.5,201.25\r\n");

  const auto generic = [this](const std::string& command) {
    Slots().genericCommand.fill(0);
    command.copy(Slots().genericCommand.data(), command.size());
    WriteWholeFile("REPLY.TMP", "");
    Slots().headerName = "REPLY.TMP";
    Slots().overwriteExisting = 1;
    RunRequest('g');
    EXPECT_EQ(ClassicLink().errorFlag, 0) << command;
    return ReadWholeFile("REPLY.TMP");
  };
  // A three-character argument: its length character '#' travels prefixed.
  EXPECT_NE(generic("C##srv").find("srv"), std::string::npos);
  EXPECT_NE(generic("D ").find("job.txt"), std::string::npos);
  generic("F");  // FINISH: the server leaves server mode and exits
  EXPECT_EQ(server.get(), 0) << ReadWholeFile("kermit.log");
}

}  // namespace
}  // namespace corvane::testing
