// Server mode confined to its served root, driven by a hostile Data Collector:
// "..", absolute paths, links leading out, over-long names and control bytes
// in uploads, downloads, cd and erase are refused, and nothing outside the
// root is written, read or removed.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "hostfiles/server_root.h"
#include "session/transfer_session.h"
#include "wide/name_sandbox.h"
#include "wide/server_loop.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

// Longer than the 99 bytes that a wide name or argument may hold.
const std::string kOverlongName = std::string(120, 'N') + ".TXT";

class ServerConfinementTest : public NameSandboxTest {
 protected:
  void SetUp() override {
    NameSandboxTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    Confinement().root = HereDirectory().string();
    server_ = std::make_unique<EngineThread>([] { return WideServerEntry(false); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  void TearDown() override {
    if (server_) {
      Session().cancelEvent.Set();
      // Answered with E 258 under whatever number the last exchange left.
      const std::optional<WideFrame> answer = NextFrame();
      EXPECT_TRUE(answer && answer->type == 'E' && answer->length == 258) << Describe(answer);
      EXPECT_EQ(server_->Result(3000), 0);
      server_.reset();
    }
    NameSandboxTest::TearDown();
  }

  // The reply to an upload's header: "Y1" when taken, else the error.
  std::string OfferUpload(const std::string& header) {
    Send('S', 0);
    EXPECT_EQ(Next(), "Y0");
    Send('F', 1, header);
    return Next();
  }

  void FinishUpload() { Play({"<D2 up", ">Y2", "<Z3", ">Y3"}); }

  // The reply to a download request once the server's S is acknowledged.
  std::string RequestDownload(const std::string& name) {
    Send('R', 0, name);
    EXPECT_EQ(Next(), "S0");
    Send('Y', 0);
    return Next();
  }

  // Sends a generic command; the server opens its answer with an S either way.
  void SendGeneric(char letter, const std::string& argument) {
    std::string data(1, letter);
    data += static_cast<char>(32 + argument.size());
    if (data.back() == '#') data += '#';
    Send('G', 0, data + argument);
    EXPECT_EQ(Next(), "S0");
  }

  // A refused command ends the answer with an error before its header.
  std::string RefusedGeneric(char letter, const std::string& argument) {
    SendGeneric(letter, argument);
    return Next();
  }

  // Takes a carried-out command's answer; true when it came as a text reply.
  bool AnsweredGeneric(char letter, const std::string& argument) {
    SendGeneric(letter, argument);
    Send('Y', 0);
    const auto header = NextFrame();
    Send('Y', 1);
    for (int seq = 2;; ++seq) {
      const auto frame = NextFrame();
      Send('Y', seq);
      if (!frame || frame->type != 'D') break;
    }
    // The server flushes the line after the last Y; a Data Collector waits before it speaks again.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return header && header->type == 'X';
  }

  std::unique_ptr<EngineThread> server_;
};

TEST_F(ServerConfinementTest, UploadsLandInsideTheRootOrAreRefused) {
  const struct {
    std::string header;
    std::string stored;
  } taken[] = {
      {"../esc.txt 2", "a/b/here/ESC.TXT"},
      {(Outside() / "abs.txt").string() + " 2", "a/b/here/ABS.TXT"},
      {"LINK/through.txt 2", "a/b/here/THROUGH.TXT"},
      {"..\\..\\back.txt 2", "a/b/here/BACK.TXT"},
  };
  for (const auto& t : taken) {
    SCOPED_TRACE(t.header);
    EXPECT_EQ(OfferUpload(t.header), "Y1");
    FinishUpload();
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{t.stored});
    RemoveFilesWritten();
  }

  const std::string refused[] = {
      "FILELINK 6",          // an existing link to a file outside
      "LINK 1",              // a link to a directory outside
      "A\x01" "B.TXT 1",     // control bytes
      kOverlongName + " 1",  // cut, it could name another file
  };
  for (const std::string& header : refused) {
    SCOPED_TRACE(header);
    EXPECT_EQ(OfferUpload(header), "E1 #255");
  }
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
  ExpectOutsideUntouched();
}

TEST_F(ServerConfinementTest, DownloadsOfFilesOutsideTheRootAreRefused) {
  WriteFile(HereDirectory() / "SUB" / "IN.TXT", "in");
  const std::string refused[] = {
      "../outside/SECRET.TXT", "..\\outside\\SECRET.TXT", (Outside() / "SECRET.TXT").string(), "LINK/SECRET.TXT",
      "FILELINK", kOverlongName,
  };
  for (const std::string& name : refused) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RequestDownload(name), "E0 #251");
  }
  // The Data Collector writes the path with backslashes.
  EXPECT_EQ(RequestDownload("SUB\\in.txt"), "F1 in.txt 2");
  Play({"<Y1", ">D2 in", "<Y2", ">Z3", "<Y3"});
  ExpectOutsideUntouched();
}

TEST_F(ServerConfinementTest, ChangeDirectoryAndEraseStayInsideTheRoot) {
  // Trailing blanks and control bytes are trimmed from an argument; inside it they refuse it.
  const std::string directories[] = {"..", Outside().string(), "LINK", "S\x01UB"};
  for (const std::string& directory : directories) {
    SCOPED_TRACE(directory);
    EXPECT_EQ(RefusedGeneric('C', directory), "E0 #249");
    EXPECT_EQ(fs::current_path(), HereDirectory());
  }
  const std::string erased[] = {"LINK\\secret.txt", "FILELINK"};
  for (const std::string& name : erased) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RefusedGeneric('E', name), "E0 #249");
  }
  ExpectOutsideUntouched();

  // Inside the root both work, and an upload after the cd lands in the new directory.
  EXPECT_TRUE(AnsweredGeneric('C', "SUB"));
  EXPECT_EQ(fs::current_path(), HereDirectory() / "SUB");
  EXPECT_EQ(OfferUpload("../../moved.txt 2"), "Y1");
  FinishUpload();
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{"a/b/here/SUB/MOVED.TXT"});
  EXPECT_TRUE(AnsweredGeneric('C', ".."));
  EXPECT_EQ(RefusedGeneric('C', ".."), "E0 #249");
  EXPECT_TRUE(AnsweredGeneric('E', "SUB/MOVED.TXT"));
  EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
  ExpectOutsideUntouched();
}

}  // namespace
}  // namespace corvane::testing
