#include "platform/paths.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/locale.h"
#include "scratch_directory.h"
#include "session/host_seams.h"
#include "support/environment.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  PathsTest() {
    fs::create_directories(scratch_.PathOf("Alpha/Beta"));
    scratch_.WriteFile("Alpha/Beta/Gamma.txt", "12345");
    scratch_.WriteFile("Dup", "");
    scratch_.WriteFile("DUP", "");
  }
  testing::ScratchDirectory scratch_;
};

// The exact name first, else a match in any case, component by component; the
// first component that matches nothing ends the resolving.
TEST_F(PathsTest, ResolvesEachComponentWithoutRegardToCase) {
  const std::map<std::string, std::string> table = {
      {"ALPHA/beta/GAMMA.TXT", "Alpha/Beta/Gamma.txt"}, {"alpha//beta/", "Alpha//Beta/"},
      {"alpha/./BETA/../beta/gamma.txt", "Alpha/./Beta/../Beta/Gamma.txt"},
      {"ALPHA/missing/GAMMA.TXT", "Alpha/missing/GAMMA.TXT"}, {"ALPHA/BETA/NEW.TXT", "Alpha/Beta/NEW.TXT"},
      {"alpha/beta/gamma.txt/more", "Alpha/Beta/Gamma.txt/more"}, {"Dup", "Dup"}, {"dup", "DUP"}};
  for (const auto& [given, expected] : table) {
    EXPECT_EQ(ResolvePath(scratch_.PathOf(given)), scratch_.PathOf(expected)) << given;
  }
  EXPECT_EQ(ResolvePath(""), "");

  // The services resolve the same way.
  const std::string gamma = scratch_.PathOf("ALPHA/BETA/GAMMA.TXT");
  EXPECT_TRUE(HasAccess(gamma, Access::ReadWrite));
  EXPECT_EQ(FileSize(gamma), 5);
  EXPECT_TRUE(RemoveFile(gamma));
  EXPECT_FALSE(RemoveFile(gamma));
  EXPECT_EQ(FileSize(gamma), std::nullopt);
}

// Reply files go to the current directory: "./$KT" + one to four upper-case hex digits + ".tmp".
TEST_F(PathsTest, ChangesDirectoryButNotDriveAndCreatesFreshReplyFiles) {
  const auto start = CurrentDirectory();
  ASSERT_TRUE(start.has_value());
  for (const char* path : {"C:", "c:\\", "D:/", "a:sub", "", "missing"}) EXPECT_FALSE(ChangeDirectory(path)) << path;
  fs::create_directories(scratch_.PathOf("Alpha/Beta/9:x"));
  ASSERT_TRUE(ChangeDirectory(scratch_.PathOf("ALPHA/BETA")));
  EXPECT_TRUE(ChangeDirectory("9:X"));  // a drive is a letter and a colon, nothing else
  ASSERT_TRUE(ChangeDirectory(".."));
  EXPECT_EQ(fs::path(CurrentDirectory().value_or("")), fs::canonical(scratch_.PathOf("Alpha/Beta")));
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const std::string name = CreateUniqueFile(".", "$KT").value_or("");
    EXPECT_TRUE(name.starts_with("./$KT") && name.ends_with(".tmp") && name.size() >= 10 && name.size() <= 13 &&
                name.find_first_not_of("0123456789ABCDEF", 5) == name.size() - 4)
        << name;
    EXPECT_EQ(fs::file_size(name), 0u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u);
  EXPECT_EQ(CreateUniqueFile(scratch_.PathOf("missing"), "$KT"), std::nullopt);
  ASSERT_TRUE(ChangeDirectory(*start));
}

TEST(Environment, TemporaryDirectoryAndThousandsSeparator) {
  testing::ScopedEnvironment environment;
  for (const auto& [value, expected] : {std::pair{"/var/spool/x//", "/var/spool/x"}, {"", "/tmp"}, {nullptr, "/tmp"}}) {
    environment.Set("TMPDIR", value);
    EXPECT_EQ(TemporaryDirectory(), expected);
  }
  environment.Set("LC_ALL", "C");
  EXPECT_EQ(ThousandsSeparator(), "");
}

TEST(HostSeams, HeadlessUntilTheHostInstallsItsOwn) {
  EXPECT_FALSE(CurrentHostUi().HasPendingMessage());
  EXPECT_EQ(AskSaveAs("FILE.TXT"), std::nullopt);
  // A handler that throws must not take the worker thread down.
  TheHostSeams().saveAs = [](const std::string&) -> std::optional<std::string> { throw std::runtime_error("x"); };
  EXPECT_EQ(AskSaveAs("FILE.TXT"), std::nullopt);
  TheHostSeams() = HostSeams{};
}

}  // namespace
}  // namespace corvane
