#include "platform/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "platform/host_seams.h"
#include "platform/locale.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.MakeDirectory("Alpha/Beta");
    scratch_.WriteFile("Alpha/Beta/Gamma.txt", "12345");
    scratch_.WriteFile("Dup", "");
    scratch_.WriteFile("DUP", "");
  }
  testing::ScratchDirectory scratch_;
};

TEST_F(PathsTest, ResolvesEachComponentWithoutRegardToCase) {
  const std::map<std::string, std::string> table = {
      {"Alpha/Beta/Gamma.txt", "Alpha/Beta/Gamma.txt"},
      {"ALPHA/beta/GAMMA.TXT", "Alpha/Beta/Gamma.txt"},
      {"alpha/./BETA/../beta/gamma.txt", "Alpha/./Beta/../Beta/Gamma.txt"},
      {"alpha//beta/", "Alpha//Beta/"},
      // The first component that matches nothing ends the resolving.
      {"ALPHA/missing/GAMMA.TXT", "Alpha/missing/GAMMA.TXT"},
      {"alpha/beta/gamma.txt/more", "Alpha/Beta/Gamma.txt/more"},
      {"Dup", "Dup"},
      {"dup", "DUP"},
  };
  for (const auto& [given, expected] : table) {
    EXPECT_EQ(ResolvePath(scratch_.PathOf(given)), scratch_.PathOf(expected)) << given;
  }
  EXPECT_EQ(ResolvePath(""), "");
  EXPECT_EQ(ResolvePath(scratch_.PathOf("ALPHA/BETA/NEW.TXT")), scratch_.PathOf("Alpha/Beta/NEW.TXT"))
      << "a missing last component keeps the name given";
}

TEST_F(PathsTest, ServicesFindFilesWhateverTheirCase) {
  const std::string gamma = scratch_.PathOf("ALPHA/BETA/GAMMA.TXT");
  EXPECT_TRUE(HasAccess(gamma, Access::Exists));
  EXPECT_TRUE(HasAccess(gamma, Access::Read));
  EXPECT_TRUE(HasAccess(gamma, Access::ReadWrite));
  EXPECT_FALSE(HasAccess(scratch_.PathOf("alpha/beta/delta.txt"), Access::Exists));
  EXPECT_EQ(FileSize(gamma), 5);
  EXPECT_EQ(FileSize(scratch_.PathOf("nothing")), std::nullopt);
  EXPECT_TRUE(IsDirectory(scratch_.PathOf("alpha/BETA")));
  EXPECT_FALSE(IsDirectory(gamma));
  EXPECT_TRUE(RemoveFile(gamma));
  EXPECT_FALSE(RemoveFile(gamma));
  EXPECT_FALSE(std::filesystem::exists(scratch_.PathOf("Alpha/Beta/Gamma.txt")));
}

TEST_F(PathsTest, ChangesDirectoryButNotDrive) {
  const auto start = CurrentDirectory();
  ASSERT_TRUE(start.has_value());
  for (const char* drive : {"C:", "c:\\", "D:/", "a:sub"}) EXPECT_FALSE(ChangeDirectory(drive)) << drive;
  EXPECT_FALSE(ChangeDirectory(scratch_.PathOf("missing")));
  EXPECT_FALSE(ChangeDirectory(""));
  ASSERT_TRUE(ChangeDirectory(scratch_.PathOf("ALPHA/BETA")));
  const auto inside = CurrentDirectory();
  ASSERT_TRUE(ChangeDirectory(*start));
  ASSERT_TRUE(inside.has_value());
  EXPECT_EQ(std::filesystem::path(*inside), std::filesystem::canonical(scratch_.PathOf("Alpha/Beta")));
}

TEST(TemporaryDirectory, ComesFromTmpdirWithoutTrailingSlash) {
  {
    ScopedEnvironment tmpdir("TMPDIR", "/var/spool/x//");
    EXPECT_EQ(TemporaryDirectory(), "/var/spool/x");
  }
  {
    ScopedEnvironment tmpdir("TMPDIR", nullptr);
    EXPECT_EQ(TemporaryDirectory(), "/tmp");
  }
  ScopedEnvironment tmpdir("TMPDIR", "");
  EXPECT_EQ(TemporaryDirectory(), "/tmp");
}

// "<directory>/$KT" + one to four upper-case hex digits + ".tmp".
bool IsReplyFileName(const std::string& name, const std::string& directory) {
  const std::string head = directory + "/$KT";
  const std::string tail = ".tmp";
  if (!name.starts_with(head) || !name.ends_with(tail)) return false;
  const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
  return !digits.empty() && digits.size() <= 4 &&
         digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST_F(PathsTest, UniqueFilesGetFreshHexNames) {
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const auto name = CreateUniqueFile(scratch_.Path() + "/", "$KT");
    ASSERT_TRUE(name.has_value());
    EXPECT_TRUE(IsReplyFileName(*name, scratch_.Path())) << *name;
    EXPECT_EQ(std::filesystem::file_size(*name), 0u);
    names.insert(*name);
  }
  EXPECT_EQ(names.size(), 50u);
  EXPECT_EQ(CreateUniqueFile(scratch_.PathOf("missing"), "$KT"), std::nullopt);

  const auto start = CurrentDirectory();
  ASSERT_TRUE(ChangeDirectory(scratch_.PathOf("Alpha")));
  const auto here = CreateUniqueFile(".", "$KT");
  ASSERT_TRUE(ChangeDirectory(*start));
  ASSERT_TRUE(here.has_value());
  EXPECT_TRUE(IsReplyFileName(*here, ".")) << *here;
}

TEST_F(PathsTest, ListsEveryEntryWithTypeSizeAndLocalTime) {
  scratch_.WriteFile("Alpha/.hidden", "abc");
  scratch_.WriteFile("Alpha/Visible.txt", "1234567");
  // 2021-03-04 05:06:07 UTC, shown in the local time zone.
  const std::time_t stamp = 1614834367;
  std::filesystem::last_write_time(scratch_.PathOf("Alpha/Visible.txt"),
                                   std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(stamp)));

  const auto entries = ListDirectory(scratch_.PathOf("ALPHA"));
  ASSERT_TRUE(entries.has_value());
  std::map<std::string, DirectoryEntry> byName;
  for (const DirectoryEntry& entry : *entries) byName[entry.name] = entry;
  ASSERT_EQ(byName.size(), 5u);
  for (const char* name : {".", "..", "Beta"}) {
    ASSERT_TRUE(byName.count(name)) << name;
    EXPECT_TRUE(byName[name].isDirectory) << name;
    EXPECT_FALSE(byName[name].hidden) << name;
  }
  EXPECT_TRUE(byName[".hidden"].hidden);
  EXPECT_EQ(byName[".hidden"].size, 3);
  const DirectoryEntry& visible = byName["Visible.txt"];
  EXPECT_FALSE(visible.hidden);
  EXPECT_FALSE(visible.isDirectory);
  EXPECT_EQ(visible.size, 7);
  const std::tm local = *std::localtime(&stamp);
  EXPECT_EQ(visible.modified.year, local.tm_year + 1900);
  EXPECT_EQ(visible.modified.month, local.tm_mon + 1);
  EXPECT_EQ(visible.modified.day, local.tm_mday);
  EXPECT_EQ(visible.modified.hour, local.tm_hour);
  EXPECT_EQ(visible.modified.minute, local.tm_min);

  EXPECT_EQ(ListDirectory(scratch_.PathOf("missing")), std::nullopt);
}

TEST(Locale, CLocaleHasNoThousandsSeparator) {
  ScopedEnvironment all("LC_ALL", "C");
  EXPECT_EQ(ThousandsSeparator(), "");
}

class RecordingUi : public HostUi {
 public:
  bool HasPendingMessage() override { return true; }
};

TEST(HostSeams, HeadlessUntilTheHostInstallsItsOwn) {
  EXPECT_FALSE(CurrentHostUi().HasPendingMessage());
  EXPECT_EQ(AskSaveAs("FILE.TXT"), std::nullopt);

  RecordingUi ui;
  TheHostSeams().ui = &ui;
  TheHostSeams().saveAs = [](const std::string& proposed) { return "/new/" + proposed; };
  EXPECT_EQ(&CurrentHostUi(), &ui);
  EXPECT_EQ(AskSaveAs("FILE.TXT"), "/new/FILE.TXT");
  TheHostSeams().saveAs = [](const std::string&) -> std::optional<std::string> { throw std::runtime_error("x"); };
  EXPECT_EQ(AskSaveAs("FILE.TXT"), std::nullopt);

  TheHostSeams() = HostSeams{};
  EXPECT_NE(&CurrentHostUi(), &ui);
}

}  // namespace
}  // namespace corvane
