#include "hostfiles/file_names.h"

#include "host_files_fixture.h"
#include "platform/file.h"

namespace corvane::testing {
namespace {

using FileNamesTest = HostFilesTest;

constexpr NameChecks kName{.checkName = true};
constexpr NameChecks kExists{.mustExist = true};
constexpr NameChecks kReadable{.mustBeReadable = true};
constexpr NameChecks kReadWrite{.readWriteIfExists = true};

TEST_F(FileNamesTest, ChecksFollowTheSwitchesAndLookInTheCurrentDirectory) {
  fs::create_directory("SUB");
  WriteFile("SUB/INSIDE.TXT", "x");
  WriteFile("HERE.TXT", "x");
  // Only the part behind the last separator is checked: it may not hold ? * < > |,
  // a control or high byte, nor a colon but in the second place.
  for (const std::string name : {"JOB1.CR5", "C:\\DATA\\JOB?\\JOB1.CR5", "/home/survey/JOB1.CR5", "LONGERTHANEIGHT.CR5",
                                 "X:", "A:B", "blanks~!.txt", "C:\\A\\B\\"}) {
    EXPECT_EQ(CheckFileName(name, kName), 0) << name;
  }
  for (const std::string name : {"", "JOB?.CR5", "JOB*.CR5", "A>B", "A<B", "A|B", "AB:C", ":A", "C:\\DATA\\AB:C",
                                 "TAB\tNAME", "DEL\x7f", "\xe9T\xe9.TXT"}) {
    EXPECT_EQ(CheckFileName(name, kName), kNameRefused) << name;
  }
  const std::tuple<std::string, NameChecks, int> cases[] = {
      {"here.txt", kExists, 0},          {"GONE.TXT", kExists, kNameMissing}, {"HERE.TXT", kReadable, 0},
      {"GONE.TXT", kReadable, kNameUnreadable}, {"GONE.TXT", kReadWrite, 0}, {"HERE.TXT", kReadWrite, 0},
      {"SUB/INSIDE.TXT", kExists, 0},
      // With the name check on, access is tested on the file-name part, here.
      {"SUB/INSIDE.TXT", {.checkName = true, .mustExist = true}, kNameMissing},
      {"C:\\ELSEWHERE\\HERE.TXT", {.checkName = true, .mustExist = true}, 0},
      // The first failing check decides.
      {"GONE?.TXT", {.checkName = true, .mustExist = true}, kNameRefused},
      {"GONE.TXT", {.mustExist = true, .mustBeReadable = true}, kNameMissing}};
  for (const auto& [name, checks, result] : cases) EXPECT_EQ(CheckFileName(name, checks), result) << name;
}

// Whether a read-only file may be written depends on who runs the test (the
// superuser may); the check must agree with what opening the file can do.
TEST_F(FileNamesTest, ReadOnlyFileAgreesWithOpeningForWriting) {
  WriteFile("LOCKED.CR5", "x");
  fs::permissions("LOCKED.CR5", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  StdioFile probe;
  const bool writable = probe.Open("LOCKED.CR5", FileOpen::ReadWrite, FileKind::Binary);
  probe.Close();
  const NameChecks receiving{.checkName = true, .readWriteIfExists = true};
  EXPECT_EQ(CheckFileName("C:\\DATA\\LOCKED.CR5", receiving), writable ? 0 : kNameReadOnly);
  EXPECT_TRUE(FileExists("locked.cr5"));
  EXPECT_TRUE(FileExists((work_ / "LOCKED.CR5").string()));
  for (const std::string missing : {"MISSING.TXT", "", "SUB/MISSING.TXT"}) EXPECT_FALSE(FileExists(missing)) << missing;
}

// A peer's header names a file, never a path: whatever it holds, only its last part is kept.
TEST(FileNamePart, CutsAtTheLastSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"JOB1.CR5", "JOB1.CR5"}, {"C:\\DATA\\JOB1.CR5", "JOB1.CR5"}, {"C:\\A\\B\\", ""}, {"/tmp/x/JOB1.CR5", "JOB1.CR5"},
      {"C:\\MIXED/PATH\\NAME", "NAME"}, {"C:NAME", "C:NAME"}, {"", ""}, {"../up.txt", "up.txt"},
      {"..\\back.txt", "back.txt"}, {"SUB/../../../deep.txt", "deep.txt"}, {"..//..\\\\mixed.txt", "mixed.txt"},
      {"SUB/..", ".."}, {"../", ""}};
  for (const auto& [path, part] : cases) EXPECT_EQ(FileNamePart(path), part) << path;
  EXPECT_EQ(UpperCaseAscii("job1-\xe9t\xe9.cr5"), "JOB1-\xe9T\xe9.CR5");
}

}  // namespace
}  // namespace corvane::testing
