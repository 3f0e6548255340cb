// Which name a received file gets, from the header or the local name, and
// what happens to a file of that name that exists already.
#include <cstring>

#include "wide/wide_files.h"
#include "wide/wide_link.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideOutputTest : public WideTestBed {
 protected:
  // Opens the output for a received header; created_ gets the out name.
  int Open(const std::string& header, const std::string& localName = "") {
    WideReset(context_);
    std::memcpy(context_.rxData, header.data(), header.size());
    context_.rxLength = static_cast<int>(header.size());
    created_.clear();
    return WideOpenOutput(context_, localName, created_);
  }
  WideLinkContext context_;
  std::string created_;
};

TEST_F(WideOutputTest, HeaderNamesAFileInTheCurrentDirectory) {
  const struct {
    std::string header, local;
    int result;
    std::string created;
    int total;
  } cases[] = {
      {"job 1.txt 42", "", kOutputOpened, "JOB 1.TXT", 42},
      {"dir\\sub\\win.txt 7", "", kOutputOpened, "WIN.TXT", 7},
      {"size.txt 12x", "", kOutputOpened, "SIZE.TXT", 12},
      {"nosize.txt x", "", kOutputOpened, "NOSIZE.TXT", 0},
      {"remote.bin 3", "local.bin", kOutputOpened, "LOCAL.BIN", 3},
      {"nospace", "", kOutputRefused, "", 0},
      {"bad?.txt 3", "", kOutputRefused, "", 3},
      {std::string(96, 'a') + " 42", "", kOutputOpened, std::string(96, 'A'), 42},
      {std::string(97, 'a') + " 42", "", kOutputRefused, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(Open(c.header, c.local), c.result);
    EXPECT_EQ(created_, c.created);
    EXPECT_EQ(Session().bytesTotal, c.total);
    EXPECT_EQ(context_.outFile.IsOpen(), c.result == kOutputOpened);
    EXPECT_EQ(!c.created.empty() && Exists(c.created), c.result == kOutputOpened);
    WideCloseFiles(context_);
  }
  EXPECT_FALSE(Exists("REMOTE.BIN"));
}

TEST_F(WideOutputTest, ExistingFileDependsOnTheMode) {
  WriteFile("HAVE.TXT", "old");
  EXPECT_EQ(Open("have.txt 3"), kOutputRefused) << "a client asks; no answer is a cancel";
  WideFlags().serverMode = 1;
  EXPECT_EQ(Open("have.txt 3"), kOutputFileExists);
  Slots().overwriteExisting = 1;
  EXPECT_EQ(Open("have.txt 3"), kOutputOpened);
  EXPECT_EQ(ReadFile("HAVE.TXT"), "");
}

}  // namespace
}  // namespace corvane::testing
