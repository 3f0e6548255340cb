#include <vector>

#include "host_files_fixture.h"

namespace corvane::testing {
namespace {

// work/ is the served root; outside/ sits beside it, reachable by links.
class ConfinementTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    outside_ = fs::canonical(base_) / "outside";
    fs::create_directories(work_ / "INSIDE");
    fs::create_directories(outside_);
    WriteWholeFile(work_ / "INSIDE" / "F.TXT", "data");
    WriteWholeFile(outside_ / "SECRET.TXT", "secret");
    fs::create_directory_symlink(outside_, work_ / "LINK");
    fs::create_symlink(outside_ / "SECRET.TXT", work_ / "FILELINK");
    fs::create_directory_symlink(work_ / "INSIDE", work_ / "INLINK");
    fs::create_symlink(work_ / "NOWHERE", work_ / "DANGLING");
    fs::create_symlink("LOOP", work_ / "LOOP");
    Confinement().root = work_.string();
  }
  fs::path outside_;
};

TEST_F(ConfinementTest, ChangeDirectoryEraseAndListingStayInsideTheRoot) {
  for (const std::string& path :
       std::vector<std::string>{"..", "../outside", "/", outside_.string(), "LINK", "link", "INSIDE/../../outside",
                                "INSIDE\\..\\..\\outside", "MISSING/../../outside", "LINK/.."}) {
    EXPECT_EQ(Run("C!" + path), kAnswerDirectoryFailed) << path;
    EXPECT_EQ(fs::current_path(), work_) << path;
    EXPECT_FALSE(fs::exists(AnswerPath())) << path;
  }
  // From the root into INSIDE and back up to the root itself, by several spellings.
  const std::pair<std::string, fs::path> accepted[] = {
      {"INSIDE", work_ / "INSIDE"}, {"..", work_}, {"inside", work_ / "INSIDE"}, {"../INLINK", work_ / "INSIDE"},
      {(work_ / "INSIDE").string(), work_ / "INSIDE"}, {"..", work_}};
  for (const auto& [path, reached] : accepted) {
    EXPECT_EQ(Run("C!" + path), 1) << path;
    EXPECT_EQ(fs::current_path(), reached) << path;
  }
  EXPECT_EQ(Run("C!.."), kAnswerDirectoryFailed);

  for (const std::string& name :
       std::vector<std::string>{"../outside/SECRET.TXT", (outside_ / "SECRET.TXT").string(), "LINK/SECRET.TXT",
                                "link\\secret.txt", "FILELINK", "DANGLING", "INSIDE/../../outside/SECRET.TXT"}) {
    EXPECT_EQ(Run("E!" + name), 0) << name;
  }
  EXPECT_TRUE(fs::exists(outside_ / "SECRET.TXT"));
  EXPECT_TRUE(fs::is_symlink(work_ / "FILELINK"));
  EXPECT_TRUE(fs::is_symlink(work_ / "DANGLING"));
  EXPECT_EQ(Run("E!INSIDE\\..\\INLINK\\F.TXT"), 1);
  EXPECT_FALSE(fs::exists(work_ / "INSIDE" / "F.TXT"));

  // A listing of a current directory outside the root is refused.
  Confinement().root = (work_ / "INSIDE").string();
  EXPECT_EQ(Run("D"), 0);
  fs::current_path(work_ / "INSIDE");
  EXPECT_EQ(Run("D"), 1);
}

TEST_F(ConfinementTest, PathInsideRootDecisions) {
  fs::create_directory(base_ / "work2");
  const std::pair<std::string, bool> cases[] = {
      {".", true}, {"", true}, {"NEW.TXT", true}, {"INSIDE/NEW/DEEPER/../X", true},  // missing tails resolve by name
      {"./INSIDE//F.TXT", true}, {"INLINK/F.TXT", true}, {work_.string(), true}, {work_.string() + "/", true},
      {(base_ / "work2").string(), false},  // shares the root's spelling as a prefix
      {"../work2/X", false}, {"MISSING/../..", false}, {"LINK/NEW/../NEWER", false}, {"/../..", false},
      {"DANGLING", false}, {"LOOP/X", false}, {"TAB\tNAME", false}, {"DEL\x7fNAME", false}};
  for (const auto& [path, inside] : cases) EXPECT_EQ(PathInsideRoot(path), inside) << path;

  Confinement().root = (base_ / "no-such-root").string();
  EXPECT_FALSE(PathInsideRoot("."));
  Confinement().root = "/";
  EXPECT_TRUE(PathInsideRoot(outside_.string()));
  Confinement().root.clear();
  EXPECT_TRUE(PathInsideRoot("../outside/SECRET.TXT"));
  EXPECT_TRUE(PathInsideRoot("DANGLING"));
  EXPECT_TRUE(PathInsideRoot("TAB\tNAME"));  // control bytes are refused only when confined
}

}  // namespace
}  // namespace corvane::testing
