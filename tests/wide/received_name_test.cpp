// A Data Collector's file header names a file, never a path: in a client
// receive and in a get, whatever the header holds, the file lands in the
// current directory under the header's last part, or is refused with 255.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "session/result_codes.h"
#include "session/transfer_session.h"
#include "wide/name_sandbox.h"
#include "wide/server_loop.h"
#include "wide/wide_client.h"

namespace corvane::testing {
namespace {

class WideReceivedNameTest : public NameSandboxTest {
 protected:
  EngineThread StartReceive() {
    return EngineThread([this] { return WideClientTransfer(TransferCommand::Receive, "", name_, false); });
  }

  // The receiver flushes the line as it starts; an S flushed all the same is NAKed and sent again.
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

  // A get as the dispatcher runs it: the request's file-name part is the local
  // name; for a request without one ("JOBS/") the header names the file.
  EngineThread StartGet(const std::string& localName = "") {
    return EngineThread(
        [localName] { return static_cast<int>(WideServerLoop(WideRequest{'r', {}, localName, false})); });
  }

  std::string name_;
};

TEST_F(WideReceivedNameTest, ReceivedHeaderPathsLandHereUnderTheirLastPart) {
  const std::string absolute = (Outside() / "abs.txt").string();
  const struct {
    std::string header;
    std::string stored;
  } cases[] = {
      {"../up.txt 4", "a/b/here/UP.TXT"},
      {absolute + " 4", "a/b/here/ABS.TXT"},
      {"..\\back.txt 4", "a/b/here/BACK.TXT"},
      {"SUB\\..\\..\\..\\deep.txt 4", "a/b/here/DEEP.TXT"},
      {"LINK/through.txt 4", "a/b/here/THROUGH.TXT"},
      {"C:\\DC\\JOBS\\drive.txt 4", "a/b/here/DRIVE.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EngineThread run = StartReceive();
    OpenReceive();
    Send('F', 1, c.header);
    EXPECT_EQ(Next(), "Y1");
    Play({"<D2 data", ">Y2", "<Z3", ">Y3"});
    EXPECT_EQ(run.Result(3000), kResultSuccess);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{c.stored});
    EXPECT_EQ(ReadFile(Here() / c.stored), "data");
    RemoveFilesWritten();
  }
  ExpectOutsideUntouched();
}

TEST_F(WideReceivedNameTest, HeadersThatNameNoPlainFileAreRefused) {
  const std::string headers[] = {
      " 4",          // an empty name
      "SUB/.. 4",    // a path ending in a parent step
      "A\nB.TXT 4",  // control bytes inside the name
      "FILELINK 4",  // an existing file, not replaced unasked
  };
  for (const std::string& header : headers) {
    SCOPED_TRACE(header);
    EngineThread run = StartReceive();
    OpenReceive();
    Send('F', 1, header);
    EXPECT_EQ(Next(), "E1 #255");
    EXPECT_EQ(run.Result(3000), kErrorCannotOpenFile);
  }
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
  ExpectOutsideUntouched();
}

TEST_F(WideReceivedNameTest, GetTakesOnlyTheLastPartOfTheServersHeader) {
  const struct {
    std::string header;
    std::string stored;
  } cases[] = {
      {"../../got.txt 4", "a/b/here/GOT.TXT"},
      {(Outside() / "srv.txt").string() + " 4", "a/b/here/SRV.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EngineThread run = StartGet();
    Play({">I0", "<Y0", ">R0", "<S0", ">Y0"});
    Send('F', 1, c.header);
    EXPECT_EQ(Next(), "Y1");
    Play({"<D2 data", ">Y2", "<Z3", ">Y3"});
    EXPECT_EQ(run.Result(3000), 0);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{c.stored});
    RemoveFilesWritten();
  }
  EngineThread run = StartGet();
  Play({">I0", "<Y0", ">R0", "<S0", ">Y0", "<F1 JOBS/.. 4", ">E1 #255"});
  EXPECT_EQ(run.Result(3000), 1);
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
  ExpectOutsideUntouched();
}

// A request packet in the middle of an exchange names no file of that
// exchange: the file still lands under the name meant for it.
TEST_F(WideReceivedNameTest, AStrayRequestDoesNotRenameTheFileBeingReceived) {
  const std::string stray = (Outside() / "evil.txt").string();
  {
    EngineThread run = StartGet("WANTED.TXT");
    Play({">I0", "<Y0", ">R0 WANTED.TXT", "<R0 " + stray, "~", "<S0", ">Y0"});
    Play({"<F1 WANTED.TXT 4", ">Y1", "<D2 data", ">Y2", "<Z3", ">Y3"});
    EXPECT_EQ(run.Result(3000), 0);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{"a/b/here/WANTED.TXT"});
    RemoveFilesWritten();
  }

  // The same in server mode, served without a root: the upload keeps its header's name.
  EngineThread server([] { return WideServerEntry(false); });
  Play({"~", "<S0", ">Y0", "<R1 " + stray, "~", "<F1 up.txt 2", ">Y1", "<D2 up", ">Y2", "<Z3", ">Y3", "~"});
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{"a/b/here/UP.TXT"});
  Play({"!", ">E0 #258"});
  EXPECT_EQ(server.Result(3000), 0);
  ExpectOutsideUntouched();
}

}  // namespace
}  // namespace corvane::testing
