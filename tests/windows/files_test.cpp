// The win32 file backend: text mode on disk, names found in any case, reply
// file names, the temporary directory, and the directory listing with hidden
// entries and local times.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/scratch_directory.h"

namespace corvane {
namespace {

TEST(WindowsFiles, TextModeWritesCrLfAndFindsNamesInAnyCase) {
  testing::ScratchDirectory scratch;
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch.PathOf("Notes.TXT"), FileOpen::CreateReadWrite, FileKind::Text));
  ASSERT_TRUE(file.Write("one\ntwo\n"));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(scratch.ReadFile("Notes.TXT"), "one\r\ntwo\r\n");

  // What text mode makes of the bytes is the shared code's; here, that the system's file carries them.
  ASSERT_TRUE(file.Open(scratch.PathOf("NOTES.txt"), FileOpen::Read, FileKind::Text));
  EXPECT_EQ(file.Length(), 10);
  ASSERT_TRUE(file.Seek(5));
  char text[3] = {};
  EXPECT_EQ(file.Read(text, 3), 3);
  EXPECT_EQ(std::string(text, 3), "two");

  // A created file empties one of the same name in another case; a directory is not a file.
  ASSERT_TRUE(file.Open(scratch.PathOf("notes.txt"), FileOpen::CreateReadWrite, FileKind::Binary));
  EXPECT_EQ(file.Length(), 0);
  file.Close();
  EXPECT_FALSE(file.Open(scratch.Path(), FileOpen::Read, FileKind::Binary));
  EXPECT_TRUE(HasAccess(scratch.PathOf("NOTES.TXT"), Access::ReadWrite));
  EXPECT_TRUE(RemoveFile(scratch.PathOf("NOTES.TXT")));
  EXPECT_FALSE(HasAccess(scratch.PathOf("Notes.TXT"), Access::Exists));
}

TEST(WindowsFiles, ReplyFilesGetFreshNamesAndTheTemporaryDirectoryIsTheSystems) {
  testing::ScratchDirectory scratch;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = CreateUniqueFile(scratch.Path(), "$KT").value_or("");
    // In the directory: "$KT", one to four hex digits, ".tmp", in either case.
    EXPECT_TRUE(std::regex_match(name, std::regex(R"((.*)\\\$KT[0-9A-Fa-f]{1,4}\.(tmp|TMP))")) &&
                name.starts_with(scratch.Path() + "\\"))
        << name;
    EXPECT_EQ(FileSize(name), 0);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_EQ(CreateUniqueFile(scratch.PathOf("missing"), "$KT"), std::nullopt);

  char saved[MAX_PATH] = {};
  ::GetEnvironmentVariableA("TMP", saved, sizeof saved);
  ASSERT_TRUE(::SetEnvironmentVariableA("TMP", (scratch.Path() + "\\").c_str()));
  EXPECT_EQ(TemporaryDirectory(), scratch.Path());
  ::SetEnvironmentVariableA("TMP", saved);
}

// 15 January 2024, 17:04 UTC: 12:04 in New York, where the test runs (TZ).
FILETIME JanuaryAfternoon() {
  const SYSTEMTIME utc{2024, 1, 1, 15, 17, 4, 0, 0};  // year, month, day of the week (a Monday), day, hour, minute
  FILETIME time{};
  ::SystemTimeToFileTime(&utc, &time);
  return time;
}

TEST(WindowsFiles, ListingMarksHiddenEntriesAndGivesLocalTimes) {
  testing::ScratchDirectory scratch;
  scratch.WriteFile("A.TXT", "12345");
  scratch.WriteFile("SECRET.TXT", "");
  ASSERT_TRUE(::CreateDirectoryA(scratch.PathOf("DATA").c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesA(scratch.PathOf("SECRET.TXT").c_str(), FILE_ATTRIBUTE_HIDDEN));
  {
    const HANDLE file = ::CreateFileA(scratch.PathOf("A.TXT").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME written = JanuaryAfternoon();
    EXPECT_TRUE(::SetFileTime(file, nullptr, nullptr, &written));
    ::CloseHandle(file);
  }

  const auto entries = ListDirectory(scratch.Path());
  ASSERT_TRUE(entries.has_value());
  std::set<std::string> shown, hidden;
  for (const DirectoryEntry& entry : *entries) (entry.hidden ? hidden : shown).insert(entry.name);
  EXPECT_EQ(shown, (std::set<std::string>{".", "..", "A.TXT", "DATA"}));
  EXPECT_EQ(hidden, std::set<std::string>{"SECRET.TXT"});
  for (const DirectoryEntry& entry : *entries) {
    EXPECT_EQ(entry.isDirectory, entry.name == "." || entry.name == ".." || entry.name == "DATA") << entry.name;
    if (entry.name != "A.TXT") continue;
    EXPECT_EQ(entry.size, 5);
    const LocalTime& at = entry.modified;
    EXPECT_EQ(std::vector<int>({at.year, at.month, at.day, at.hour, at.minute}), std::vector<int>({2024, 1, 15, 12, 4}));
  }
  EXPECT_EQ(ListDirectory(scratch.PathOf("missing")), std::nullopt);
}

TEST(WindowsFiles, ChangingDirectoryTakesDrivesAndMixedSeparators) {
  testing::ScratchDirectory scratch;
  ASSERT_TRUE(::CreateDirectoryA(scratch.PathOf("Job").c_str(), nullptr));
  const auto start = CurrentDirectory();
  ASSERT_TRUE(start.has_value());
  EXPECT_TRUE(ChangeDirectory(scratch.Path() + "/JOB"));
  EXPECT_TRUE(HasAccess("..\\job", Access::Exists));
  EXPECT_FALSE(ChangeDirectory("missing"));
  EXPECT_TRUE(ChangeDirectory("C:\\"));
  EXPECT_EQ(CurrentDirectory(), "C:\\");
  ASSERT_TRUE(ChangeDirectory(*start));
}

}  // namespace
}  // namespace corvane
