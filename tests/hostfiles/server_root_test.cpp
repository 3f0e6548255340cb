#include "host_files_fixture.h"
#include "hostfiles/generic_commands.h"
#include "platform/real_path.h"

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
    Confinement().root = work_.string();
  }

  fs::path outside_;
};

TEST_F(ConfinementTest, ChangeDirectoryStaysInsideTheRoot) {
  const std::string refused[] = {
      "..", "../outside", "/", outside_.string(), "LINK", "link", "INSIDE/../../outside",
      "INSIDE\\..\\..\\outside", "MISSING/../../outside", "LINK/..",
  };
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    SetHostCommand("C!" + path);
    EXPECT_EQ(HandleGenericCommand(), kAnswerDirectoryFailed);
    EXPECT_EQ(fs::current_path(), work_);
    EXPECT_FALSE(fs::exists(AnswerPath()));
  }

  struct Accepted {
    std::string path;
    fs::path reached;
  };
  const Accepted accepted[] = {
      {"INSIDE", work_ / "INSIDE"},
      {"..", work_},  // from INSIDE back up to the root itself
      {"inside", work_ / "INSIDE"},
      {"../INLINK", work_ / "INSIDE"},  // the link leads back inside
      {(work_ / "INSIDE").string(), work_ / "INSIDE"},
  };
  for (const Accepted& a : accepted) {
    SCOPED_TRACE(a.path);
    SetHostCommand("C!" + a.path);
    EXPECT_EQ(HandleGenericCommand(), 1);
    EXPECT_EQ(fs::current_path(), a.reached);
  }
  SetHostCommand("C!..");
  ASSERT_EQ(HandleGenericCommand(), 1);
  SetHostCommand("C!..");
  EXPECT_EQ(HandleGenericCommand(), kAnswerDirectoryFailed);
}

TEST_F(ConfinementTest, EraseStaysInsideTheRoot) {
  const std::string refused[] = {
      "../outside/SECRET.TXT", (outside_ / "SECRET.TXT").string(), "LINK/SECRET.TXT", "link\\secret.txt",
      "FILELINK", "DANGLING", "INSIDE/../../outside/SECRET.TXT",
  };
  for (const std::string& name : refused) {
    SCOPED_TRACE(name);
    SetHostCommand("E!" + name);
    EXPECT_EQ(HandleGenericCommand(), 0);
    EXPECT_TRUE(fs::exists(outside_ / "SECRET.TXT"));
    EXPECT_TRUE(fs::is_symlink(work_ / "FILELINK"));
    EXPECT_TRUE(fs::is_symlink(work_ / "DANGLING"));
  }
  SetHostCommand("E!INSIDE\\..\\INLINK\\F.TXT");
  EXPECT_EQ(HandleGenericCommand(), 1);
  EXPECT_FALSE(fs::exists(work_ / "INSIDE" / "F.TXT"));
}

TEST_F(ConfinementTest, NamesWithControlBytesAreRefusedOnlyWhenConfined) {
  const std::string name = "A\x01" "B.TXT";
  WriteWholeFile(work_ / name, "data");
  SetHostCommand("E!" + name);
  EXPECT_EQ(HandleGenericCommand(), 0);
  EXPECT_TRUE(fs::exists(work_ / name));

  Confinement().root.clear();
  SetHostCommand("E!" + name);
  EXPECT_EQ(HandleGenericCommand(), 1);
  EXPECT_FALSE(fs::exists(work_ / name));
}

TEST_F(ConfinementTest, ListingRefusesACurrentDirectoryOutsideTheRoot) {
  Confinement().root = (work_ / "INSIDE").string();
  SetHostCommand("D");
  EXPECT_EQ(HandleGenericCommand(), 0);
  fs::current_path(work_ / "INSIDE");
  EXPECT_EQ(HandleGenericCommand(), 1);
}

TEST_F(ConfinementTest, PathInsideRootDecisions) {
  struct Case {
    std::string path;
    bool inside;
  };
  fs::create_directory(base_ / "work2");
  const Case cases[] = {
      {".", true},
      {"", true},
      {"NEW.TXT", true},
      {"INSIDE/NEW/DEEPER/../X", true},
      {work_.string(), true},
      {work_.string() + "/", true},
      {(base_ / "work2").string(), false},  // shares the root's spelling as a prefix
      {"../work2/X", false},
      {"MISSING/../..", false},
      {"DANGLING", false},
      {"TAB\tNAME", false},
      {"DEL\x7fNAME", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathInsideRoot(c.path), c.inside) << c.path;
  }

  Confinement().root = (base_ / "no-such-root").string();
  EXPECT_FALSE(PathInsideRoot("."));
  Confinement().root = "/";
  EXPECT_TRUE(PathInsideRoot(outside_.string()));
  Confinement().root.clear();
  EXPECT_TRUE(PathInsideRoot("../outside/SECRET.TXT"));
  EXPECT_TRUE(PathInsideRoot("DANGLING"));
}

TEST_F(ConfinementTest, RealPathResolvesLinksAndMissingTails) {
  struct Case {
    std::string path;
    fs::path resolved;
  };
  const Case cases[] = {
      {"LINK/SECRET.TXT", outside_ / "SECRET.TXT"},
      {"LINK/NEW/../NEWER", outside_ / "NEWER"},
      {"./INSIDE//F.TXT", work_ / "INSIDE" / "F.TXT"},
      {"NOPE/./X/..", work_ / "NOPE"},
      {"/../..", "/"},
      {"", work_},
  };
  for (const Case& c : cases) {
    const auto resolved = RealPath(c.path);
    ASSERT_TRUE(resolved.has_value()) << c.path;
    EXPECT_EQ(*resolved, c.resolved.string()) << c.path;
  }
  EXPECT_FALSE(RealPath("DANGLING").has_value());
  fs::create_symlink("LOOP", work_ / "LOOP");
  EXPECT_FALSE(RealPath("LOOP/X").has_value());
}

}  // namespace
}  // namespace corvane::testing
