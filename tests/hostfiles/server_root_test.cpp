#include "host_files_fixture.h"

namespace corvane::testing {
namespace {

using ConfinementTest = HostFilesTest;

// Every path that the Data Collector names, in any command of either engine, is decided here.
TEST_F(ConfinementTest, PathInsideRootDecisions) {
  // The served root is the shared confinement tree's root/, the test's working directory.
  scratch_.MakeConfinementTree();
  const fs::path outside = base_ / "outside";
  Confinement().root = work_.string();
  fs::create_directory(base_ / "root2");
  const std::pair<std::string, bool> cases[] = {
      {".", true}, {"", true}, {"NEW.TXT", true}, {"IN/NEW/DEEPER/../X", true},  // missing tails resolve by name
      {"./IN//F.TXT", true}, {"in\\f.txt", true}, {"INABS/F.TXT", true}, {"INREL/F.TXT", true},
      {work_.string(), true}, {work_.string() + "/", true},
      {(base_ / "root2").string(), false},  // shares the root's spelling as a prefix
      {"../root2/X", false}, {"..", false}, {"/", false}, {"/../..", false}, {outside.string(), false},
      {"OUTABS", false}, {"outabs", false}, {"OUTREL/SECRET.TXT", false}, {"OUTABS/..", false},
      {"IN\\..\\..\\outside", false}, {"MISSING/../..", false}, {"OUTABS/NEW/../NEWER", false},
      {"FILELINK", false}, {"DANGLING", false}, {"LOOP/X", false}, {"TAB\tNAME", false}, {"DEL\x7fNAME", false}};
  for (const auto& [path, inside] : cases) EXPECT_EQ(PathInsideRoot(path), inside) << path;
  // The commands that name a path ask it, and refuse with their own answers.
  EXPECT_EQ(AnswerHostCommand(HostCommand{'E', "OUTREL/SECRET.TXT", false}).result, 0);
  EXPECT_EQ(AnswerHostCommand(HostCommand{'C', "..", false}).result, kAnswerDirectoryFailed);
  EXPECT_TRUE(fs::exists(outside / "SECRET.TXT"));
  EXPECT_EQ(fs::current_path(), work_);

  Confinement().root = (base_ / "no-such-root").string();
  EXPECT_FALSE(PathInsideRoot("."));
  Confinement().root = "/";
  EXPECT_TRUE(PathInsideRoot(outside.string()));
  Confinement().root.clear();
  EXPECT_TRUE(PathInsideRoot("../outside/SECRET.TXT"));
  EXPECT_TRUE(PathInsideRoot("DANGLING"));
  EXPECT_TRUE(PathInsideRoot("TAB\tNAME"));  // control bytes are refused only when confined
}

}  // namespace
}  // namespace corvane::testing
