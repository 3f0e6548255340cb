#include "hostfiles/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/file.h"

namespace corvane {
namespace {

// Runs each test in a new directory under the temporary directory.
class FileNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::random_device random;
    do {
      directory_ = std::filesystem::temp_directory_path() / ("corvane-names-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(directory_));
    std::filesystem::current_path(directory_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(directory_, ignored);
  }
  static void Touch(const std::string& name) { std::ofstream(name) << "x"; }

  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

constexpr NameChecks kNameOnly{.checkName = true};

struct NameCase {
  std::string name;
  int result;
};

TEST_F(FileNamesTest, NameCheckRefusesCharactersNoFileNameMayHold) {
  const NameCase cases[] = {
      {"JOB1.CR5", 0},
      {"C:\\DATA\\JOB1.CR5", 0},
      {"C:\\DATA\\JOB?\\JOB1.CR5", 0},  // only the part behind the last separator counts
      {"/home/survey/JOB1.CR5", 0},
      {"LONGERTHANEIGHT.CR5", 0},
      {"X:", 0},
      {"A:B", 0},
      {"name with blanks~!.txt", 0},
      {"C:\\A\\B\\", 0},
      {"", kNameRefused},
      {"JOB?.CR5", kNameRefused},
      {"JOB*.CR5", kNameRefused},
      {"A>B", kNameRefused},
      {"A<B", kNameRefused},
      {"A|B", kNameRefused},
      {"AB:C", kNameRefused},
      {":A", kNameRefused},
      {"C:\\DATA\\AB:C", kNameRefused},
      {"TAB\tNAME", kNameRefused},
      {"DEL\x7f", kNameRefused},
      {"\xe9T\xe9.TXT", kNameRefused},
  };
  for (const NameCase& c : cases) EXPECT_EQ(CheckFileName(c.name, kNameOnly), c.result) << c.name;
}

TEST_F(FileNamesTest, AccessChecksFollowTheSwitches) {
  Touch("HERE.TXT");
  const NameChecks mustExist{.mustExist = true};
  const NameChecks mustRead{.mustBeReadable = true};
  const NameChecks readWrite{.readWriteIfExists = true};
  EXPECT_EQ(CheckFileName("HERE.TXT", mustExist), 0);
  EXPECT_EQ(CheckFileName("here.txt", mustExist), 0);  // found whatever its case
  EXPECT_EQ(CheckFileName("GONE.TXT", mustExist), kNameMissing);
  EXPECT_EQ(CheckFileName("HERE.TXT", mustRead), 0);
  EXPECT_EQ(CheckFileName("GONE.TXT", mustRead), kNameUnreadable);
  EXPECT_EQ(CheckFileName("GONE.TXT", readWrite), 0);
  EXPECT_EQ(CheckFileName("HERE.TXT", readWrite), 0);
  // The first failing check decides.
  EXPECT_EQ(CheckFileName("GONE?.TXT", NameChecks{.checkName = true, .mustExist = true}), kNameRefused);
  EXPECT_EQ(CheckFileName("GONE.TXT", NameChecks{.mustExist = true, .mustBeReadable = true}), kNameMissing);
}

TEST_F(FileNamesTest, NameCheckLooksInTheCurrentDirectory) {
  std::filesystem::create_directory("SUB");
  Touch("SUB/INSIDE.TXT");
  Touch("HERE.TXT");
  const NameChecks checked{.checkName = true, .mustExist = true};
  EXPECT_EQ(CheckFileName("SUB/INSIDE.TXT", checked), kNameMissing);
  EXPECT_EQ(CheckFileName("C:\\ELSEWHERE\\HERE.TXT", checked), 0);
  EXPECT_EQ(CheckFileName("SUB/INSIDE.TXT", NameChecks{.mustExist = true}), 0);
}

// Whether a read-only file may be written depends on who runs the test (the
// superuser may); the check must agree with what opening the file can do.
TEST_F(FileNamesTest, ReadOnlyFileAgreesWithOpeningForWriting) {
  Touch("LOCKED.CR5");
  std::filesystem::permissions("LOCKED.CR5", std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::others_read);
  StdioFile probe;
  const bool writable = probe.Open("LOCKED.CR5", FileOpen::ReadWrite, FileKind::Binary);
  probe.Close();
  const NameChecks receiving{.checkName = true, .readWriteIfExists = true};
  EXPECT_EQ(CheckFileName("LOCKED.CR5", receiving), writable ? 0 : kNameReadOnly);
  EXPECT_EQ(CheckFileName("C:\\DATA\\LOCKED.CR5", receiving), writable ? 0 : kNameReadOnly);
  EXPECT_TRUE(FileExists("LOCKED.CR5"));
}

TEST_F(FileNamesTest, FileExistsNeedsAReadableFile) {
  Touch("THERE.TXT");
  std::filesystem::create_directory("DIR");
  EXPECT_TRUE(FileExists("THERE.TXT"));
  EXPECT_TRUE(FileExists("There.Txt"));
  EXPECT_TRUE(FileExists((directory_ / "THERE.TXT").string()));
  EXPECT_FALSE(FileExists("MISSING.TXT"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists("DIR/MISSING.TXT"));
}

TEST_F(FileNamesTest, FileNamePartCutsAtTheLastSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"JOB1.CR5", "JOB1.CR5"},
      {"C:\\DATA\\JOB1.CR5", "JOB1.CR5"},
      {"C:\\A\\B\\", ""},
      {"/tmp/x/JOB1.CR5", "JOB1.CR5"},
      {"C:\\MIXED/PATH\\NAME", "NAME"},
      {"C:NAME", "C:NAME"},
      {"", ""},
  };
  for (const auto& [path, part] : cases) {
    EXPECT_EQ(FileNamePart(path), part) << path;
    std::string stripped = path;
    StripDirectory(stripped);
    EXPECT_EQ(stripped, part) << path;
  }
}

TEST_F(FileNamesTest, StoreNameAndTestAlwaysStoresTheName) {
  Touch("THERE.TXT");
  std::string out;
  EXPECT_EQ(StoreNameAndTest("THERE.TXT", out, true), 0);
  EXPECT_EQ(out, "THERE.TXT");
  EXPECT_EQ(StoreNameAndTest("MISSING.TXT", out, true), -1);
  EXPECT_EQ(out, "MISSING.TXT");
  EXPECT_EQ(StoreNameAndTest("MISSING.TXT", out, false), 0);
}

}  // namespace
}  // namespace corvane
