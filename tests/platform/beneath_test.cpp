#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "platform/paths.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class BeneathTest : public ::testing::Test {
 protected:
  BeneathTest() { scratch_.MakeConfinementTree(); }
  std::string Root() const { return scratch_.PathOf("root"); }
  std::string In(const std::string& relative) const { return scratch_.PathOf("root/" + relative); }
  testing::ScratchDirectory scratch_;
};

TEST_F(BeneathTest, OpensOnlyWhatLiesInsideTheTree) {
  const std::pair<std::string, bool> cases[] = {
      {In("IN/F.TXT"), true},
      {In("INREL/F.TXT"), true},
      {In("INABS/F.TXT"), true},  // an absolute link that points back inside
      {In("in/f.txt"), true},     // case is resolved first
      {In("OUTABS/SECRET.TXT"), false},
      {In("OUTREL/SECRET.TXT"), false},
      {In("FILELINK"), false},
      {In("IN/../../outside/SECRET.TXT"), false},
      {scratch_.PathOf("outside/SECRET.TXT"), false},
  };
  for (const auto& [path, opens] : cases) {
    StdioFile file;
    EXPECT_EQ(file.Open(path, FileOpen::Read, FileKind::Binary, Root()), opens) << path;
  }
  // A link swapped in after a confinement check leads nowhere; without the
  // tree the same open would have gone where it leads.
  StdioFile created;
  EXPECT_FALSE(created.Open(In("OUTABS/NEW.TXT"), FileOpen::CreateReadWrite, FileKind::Binary, Root()));
  EXPECT_FALSE(fs::exists(scratch_.PathOf("outside/NEW.TXT")));
  EXPECT_TRUE(created.Open(In("OUTABS/NEW.TXT"), FileOpen::CreateReadWrite, FileKind::Binary));
  EXPECT_TRUE(fs::exists(scratch_.PathOf("outside/NEW.TXT")));

  EXPECT_FALSE(ListDirectory(In("OUTREL"), Root()).has_value());
  const auto listed = ListDirectory(In("INABS"), Root());
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(listed->size(), 3u);  // ".", ".." and F.TXT

  EXPECT_FALSE(RemoveFile(In("OUTREL/SECRET.TXT"), Root()));
  EXPECT_FALSE(RemoveFile(In("IN"), Root()));  // directories are not removed
  EXPECT_TRUE(fs::exists(scratch_.PathOf("outside/SECRET.TXT")));
  EXPECT_TRUE(RemoveFile(In("INABS/F.TXT"), Root()));
  EXPECT_FALSE(fs::exists(In("IN/F.TXT")));

  const auto start = CurrentDirectory();
  ASSERT_TRUE(start.has_value());
  EXPECT_FALSE(ChangeDirectory(In("OUTABS"), Root()));
  EXPECT_TRUE(ChangeDirectory(In("INABS"), Root()));
  EXPECT_EQ(fs::path(CurrentDirectory().value_or("")), fs::canonical(In("IN")));
  ASSERT_TRUE(ChangeDirectory(*start));
}

}  // namespace
}  // namespace corvane
