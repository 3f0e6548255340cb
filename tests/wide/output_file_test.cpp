// Where a received file goes: the header's name, the local name, existing files.
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
  void Write(const std::string& data) {
    std::memcpy(context_.rxData, data.data(), data.size());
    context_.rxLength = static_cast<int>(data.size());
    ASSERT_TRUE(WideWriteData(context_));
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
      {"../up.txt 5", "", kOutputOpened, "UP.TXT", 5},
      {"/tmp/abs.txt 5", "", kOutputOpened, "ABS.TXT", 5},
      {"dir\\sub\\win.txt 7", "", kOutputOpened, "WIN.TXT", 7},
      {"size.txt 12x", "", kOutputOpened, "SIZE.TXT", 12},
      {"nosize.txt x", "", kOutputOpened, "NOSIZE.TXT", 0},
      {"remote.bin 3", "local.bin", kOutputOpened, "LOCAL.BIN", 3},
      {"nospace", "", kOutputRefused, "", 0},
      {" 3", "", kOutputRefused, "", 3},
      {".. 3", "", kOutputRefused, "", 3},
      {"sub/ 3", "", kOutputRefused, "", 3},
      {std::string("ctl\x01.txt 3"), "", kOutputRefused, "", 3},
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
  EXPECT_FALSE(Exists("../up.txt") || Exists("../UP.TXT") || Exists("REMOTE.BIN"));
}

TEST_F(WideOutputTest, UnfinishedOutputIsDeletedAndFinishedOutputStays) {
  ASSERT_EQ(Open("partial.txt 9"), kOutputOpened);
  Write("part");
  WideCloseFiles(context_);
  EXPECT_FALSE(Exists("PARTIAL.TXT"));
  ASSERT_EQ(Open("whole.txt 9"), kOutputOpened);
  Write("whole");
  EXPECT_TRUE(WideFinishOutput(context_));
  WideCloseFiles(context_);
  EXPECT_EQ(ReadFile("WHOLE.TXT"), "whole");
  EXPECT_EQ(Session().bytesTotal, 5);
}

TEST_F(WideOutputTest, ExistingFileDependsOnTheModeAndServerUploadsStayInsideTheRoot) {
  WriteFile("HAVE.TXT", "old");
  EXPECT_EQ(Open("have.txt 3"), kOutputRefused) << "a client asks; no answer is a cancel";
  std::string proposed;
  TheHostSeams().saveAs = [&](const std::string& name) -> std::optional<std::string> {
    proposed = name;
    return std::string("other.txt");
  };
  EXPECT_EQ(Open("have.txt 3"), kOutputOpened);
  EXPECT_EQ(std::pair(proposed, created_), std::pair(std::string("HAVE.TXT"), std::string("other.txt")));
  EXPECT_TRUE(Exists("other.txt"));
  WideCloseFiles(context_);

  WideFlags().serverMode = 1;
  EXPECT_EQ(Open("have.txt 3"), kOutputFileExists);
  Slots().overwriteExisting = 1;
  EXPECT_EQ(Open("have.txt 3"), kOutputOpened);
  EXPECT_EQ(ReadFile("HAVE.TXT"), "");
  WideCloseFiles(context_);

  std::filesystem::create_directory("served");
  Confinement().root = (directory_ / "served").string();
  EXPECT_EQ(Open("a.txt 1", "../outside.txt"), kOutputRefused);
  EXPECT_EQ(Open("a.txt 1"), kOutputRefused);  // the current directory is above the root
  Confinement().root = directory_.string();
  EXPECT_EQ(Open("a.txt 1", "served/inside.txt"), kOutputOpened);
}

}  // namespace
}  // namespace corvane::testing
