// Where a received file goes: the header's name, the local name, existing files.
#include <cstring>
#include <string>
#include <vector>

#include "api/transfer_session.h"
#include "hostfiles/server_root.h"
#include "hostfiles/transfer_slots.h"
#include "platform/host_seams.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideOutputTest : public WideTestBed {
 protected:
  // Opens the output for a received header; `created` gets the out name.
  int Open(WideLinkContext& context, const std::string& header, const std::string& localName = "") {
    WideReset(context);
    std::memcpy(context.rxData, header.data(), header.size());
    context.rxLength = static_cast<int>(header.size());
    created_.clear();
    return WideOpenOutput(context, localName, created_);
  }
  std::string created_;
};

TEST_F(WideOutputTest, HeaderNamesAFileInTheCurrentDirectory) {
  struct Case {
    std::string header;
    int result;
    std::string created;
    int total;
  };
  const std::vector<Case> cases = {
      {"job 1.txt 42", kOutputOpened, "JOB 1.TXT", 42},
      {"../up.txt 5", kOutputOpened, "UP.TXT", 5},
      {"/tmp/abs.txt 5", kOutputOpened, "ABS.TXT", 5},
      {"dir\\sub\\win.txt 7", kOutputOpened, "WIN.TXT", 7},
      {"size.txt 12x", kOutputOpened, "SIZE.TXT", 12},
      {"nosize.txt x", kOutputOpened, "NOSIZE.TXT", 0},
      {"nospace", kOutputRefused, "", 0},
      {" 3", kOutputRefused, "", 3},
      {".. 3", kOutputRefused, "", 3},
      {"sub/ 3", kOutputRefused, "", 3},
      {std::string("ctl\x01.txt 3"), kOutputRefused, "", 3},
      {"bad?.txt 3", kOutputRefused, "", 3},
      {std::string(96, 'a') + " 42", kOutputOpened, std::string(96, 'A'), 42},
      {std::string(97, 'a') + " 42", kOutputRefused, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    WideLinkContext context;
    EXPECT_EQ(Open(context, c.header), c.result);
    EXPECT_EQ(created_, c.created);
    EXPECT_EQ(Session().bytesTotal, c.total);
    EXPECT_EQ(context.outFile.IsOpen(), c.result == kOutputOpened);
    EXPECT_EQ(!c.created.empty() && Exists(c.created), c.result == kOutputOpened);
    EXPECT_FALSE(Exists("../up.txt") || Exists("../UP.TXT"));
  }
}

TEST_F(WideOutputTest, LocalNameWinsOverTheHeader) {
  WideLinkContext context;
  EXPECT_EQ(Open(context, "remote.bin 3", "local.bin"), kOutputOpened);
  EXPECT_EQ(created_, "LOCAL.BIN");
  EXPECT_TRUE(Exists("LOCAL.BIN"));
  EXPECT_FALSE(Exists("REMOTE.BIN"));
}

TEST_F(WideOutputTest, UnfinishedOutputIsDeletedAndFinishedOutputStays) {
  WideLinkContext context;
  ASSERT_EQ(Open(context, "partial.txt 9"), kOutputOpened);
  context.rxLength = 4;
  std::memcpy(context.rxData, "part", 4);
  ASSERT_TRUE(WideWriteData(context));
  WideCloseFiles(context);
  EXPECT_FALSE(Exists("PARTIAL.TXT"));

  ASSERT_EQ(Open(context, "whole.txt 9"), kOutputOpened);
  std::memcpy(context.rxData, "whole", 5);
  context.rxLength = 5;
  ASSERT_TRUE(WideWriteData(context));
  EXPECT_TRUE(WideFinishOutput(context));
  WideCloseFiles(context);
  EXPECT_EQ(ReadFile("WHOLE.TXT"), "whole");
  EXPECT_EQ(Session().bytesTotal, 5);
}

TEST_F(WideOutputTest, ExistingFileDependsOnTheMode) {
  WriteFile("HAVE.TXT", "old");
  WideLinkContext context;
  std::string proposed;
  // Client without overwrite asks; no answer is a cancel.
  EXPECT_EQ(Open(context, "have.txt 3"), kOutputRefused);
  TheHostSeams().saveAs = [&](const std::string& name) -> std::optional<std::string> {
    proposed = name;
    return std::string("other.txt");
  };
  EXPECT_EQ(Open(context, "have.txt 3"), kOutputOpened);
  EXPECT_EQ(proposed, "HAVE.TXT");
  EXPECT_EQ(created_, "other.txt");
  EXPECT_TRUE(Exists("other.txt"));
  WideCloseFiles(context);

  WideFlags().serverMode = 1;
  EXPECT_EQ(Open(context, "have.txt 3"), kOutputFileExists);
  Slots().overwriteExisting = 1;
  EXPECT_EQ(Open(context, "have.txt 3"), kOutputOpened);
  EXPECT_EQ(ReadFile("HAVE.TXT"), "");
  WideFlags().serverMode = 0;
}

TEST_F(WideOutputTest, ServerUploadsStayInsideTheServedRoot) {
  std::filesystem::create_directory(Here() / "served");
  WideFlags().serverMode = 1;
  WideLinkContext context;
  Confinement().root = (Here() / "served").string();
  EXPECT_EQ(Open(context, "a.txt 1", "../outside.txt"), kOutputRefused);
  EXPECT_EQ(Open(context, "a.txt 1"), kOutputRefused);  // the current directory is above the root
  Confinement().root = Here().string();
  EXPECT_EQ(Open(context, "a.txt 1", "served/inside.txt"), kOutputOpened);
  WideFlags().serverMode = 0;
}

}  // namespace
}  // namespace corvane::testing
