#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "platform/paths.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// root/ is the tree; outside/ sits beside it, reachable by links of both kinds.
class BeneathTest : public ::testing::Test {
 protected:
  BeneathTest() {
    fs::create_directories(scratch_.PathOf("root/IN"));
    fs::create_directories(scratch_.PathOf("outside"));
    scratch_.WriteFile("root/IN/F.TXT", "inside");
    scratch_.WriteFile("outside/SECRET.TXT", "secret");
    fs::create_directory_symlink(scratch_.PathOf("outside"), scratch_.PathOf("root/OUTABS"));
    fs::create_directory_symlink("../outside", scratch_.PathOf("root/OUTREL"));
    fs::create_directory_symlink(scratch_.PathOf("root/IN"), scratch_.PathOf("root/INABS"));
    fs::create_directory_symlink("IN", scratch_.PathOf("root/INREL"));
  }
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
