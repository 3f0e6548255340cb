// A peer's file header names a file, never a path: in a receive and in a get,
// whatever the header holds, the file lands in the current directory or is
// refused, and nothing is written anywhere else.
#include <filesystem>
#include <string>
#include <vector>

#include "classic/classic_fixture.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

// The engine works in a/b/here/, deep enough that every "../" of the headers
// below stays in the scratch directory; outside/ is for no header to reach.
class ReceivedNameTest : public ClassicPeerTest {
 protected:
  void SetUp() override {
    ClassicPeerTest::SetUp();
    base_ = fs::current_path();
    fs::create_directories(base_ / "a" / "b" / "here" / "SUB");
    fs::create_directories(base_ / "outside");
    fs::current_path(base_ / "a" / "b" / "here");
  }

  void TearDown() override {
    fs::current_path(base_);
    ClassicPeerTest::TearDown();
  }

  // Every file below the scratch directory, as paths relative to it.
  std::vector<std::string> FilesWritten() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(base_)) {
      if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), base_).generic_string());
    }
    return files;
  }

  void RemoveFilesWritten() const {
    for (const std::string& file : FilesWritten()) fs::remove(base_ / file);
  }

  void StartReceive() {
    NewExchange();
    Start('v', [this] { ClassicTransferFile(Link()); });
    EXPECT_EQ(Exchange('S', 0, kPeerInit, 'Y', 0).data, kPcInit);
  }

  // The dispatcher's get of `requested`: the header names the file only when
  // the request has no file-name part of its own.
  void StartGet(const std::string& requested) {
    NewExchange();
    Link().files.headerName = "";
    Start('r', [this, requested] { ClassicRequest(requested, Link()); });
    Expect('I', 0);
    EXPECT_EQ(Exchange('E', 0, "Unimplemented", 'R', 0).data, requested);
    EXPECT_EQ(Exchange('S', 0, kPeerInit, 'Y', 0).data, kPcInit);
  }

  // The header (on the wire, encoded), one data packet and the end of the exchange.
  void DeliverFile(char headerType, const std::string& header) {
    Exchange(headerType, 1, header, 'Y', 1);
    Exchange('D', 2, "data#M#J", 'Y', 2);
    Exchange('Z', 3, "", 'Y', 3);
    Exchange('B', 4, "", 'Y', 4);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Link().errorFlag, EngineOutcome::Success);
    EXPECT_FALSE(Link().streams.ReceiveFileOpen());
  }

  void ExpectRefused(const std::string& header) {
    Reply('F', 1, header);
    EXPECT_EQ(Expect('E', 2).data, " Can't open remote file (Message: #KER-109)");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Link().errorFlag, EngineOutcome::Failed);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
  }

  fs::path base_;
};

TEST_F(ReceivedNameTest, HeaderPathsLandInTheCurrentDirectoryUnderTheirLastPart) {
  const std::string outside = (base_ / "outside" / "abs.txt").string();
  const struct {
    std::string header;  // as it goes on the wire
    std::string stored;  // below the scratch directory
  } cases[] = {
      {"../up.txt", "a/b/here/UP.TXT"},
      {outside, "a/b/here/ABS.TXT"},
      {"..\\back.txt", "a/b/here/BACK.TXT"},
      {"SUB/../../../deep.txt", "a/b/here/DEEP.TXT"},
      {"C:\\DC\\JOBS\\drive.txt", "a/b/here/DRIVE.TXT"},
      {"sub/inner.txt", "a/b/here/INNER.TXT"},
      {"..//..\\\\mixed.txt", "a/b/here/MIXED.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    StartReceive();
    DeliverFile('F', c.header);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{c.stored});
    EXPECT_EQ(ReadWholeFile(base_ / c.stored), "data\r\n");
    RemoveFilesWritten();
  }
}

TEST_F(ReceivedNameTest, HeadersThatNameNoPlainFileAreRefused) {
  const std::string headers[] = {
      "",          // no name at all
      "..",        // the parent directory itself
      "SUB/..",    // ends in a parent step
      "../",       // ends in a separator
      "SUB",       // an existing directory
      "A#JB.TXT",  // a line feed inside the name once decoded
      "DEL#?.TXT",
  };
  for (const std::string& header : headers) {
    SCOPED_TRACE(header);
    StartReceive();
    ExpectRefused(header);
  }
}

TEST_F(ReceivedNameTest, GetWithoutAFileNameTakesOnlyTheLastPartOfTheServersHeader) {
  const struct {
    char headerType;
    std::string header;
    std::string stored;
  } cases[] = {
      {'F', "../../got.txt", "a/b/here/GOT.TXT"},
      {'X', "..\\text.txt", "a/b/here/TEXT.TXT"},
      {'F', (base_ / "outside" / "srv.txt").string(), "a/b/here/SRV.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    StartGet("JOBS/");
    DeliverFile(c.headerType, c.header);
    EXPECT_EQ(FilesWritten(), std::vector<std::string>{c.stored});
    RemoveFilesWritten();
  }
  StartGet("JOBS/");
  ExpectRefused("JOBS/..");
}

}  // namespace
}  // namespace corvane::testing
