#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>
#include <vector>

#include "host_files_fixture.h"

namespace corvane::testing {
namespace {

using DirectoryListingTest = HostFilesTest;

// Sets the modification time as local time (the fixture's zone is UTC-4, so a
// listing in UTC would show).
void SetModified(const fs::path& path, int year, int month, int day, int hour, int minute) {
  std::tm parts{};
  parts.tm_year = year - 1900, parts.tm_mon = month - 1, parts.tm_mday = day;
  parts.tm_hour = hour, parts.tm_min = minute, parts.tm_isdst = -1;
  fs::last_write_time(path,
                      std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&parts))));
}

TEST_F(DirectoryListingTest, ListsEveryVisibleEntryInTheDataCollectorsFormat) {
  WriteFile(work_ / "A.TXT", std::string(1234, 'x'));
  WriteFile(work_ / "EMPTY.DAT", "");
  WriteFile(work_ / ".hidden", "secret");
  fs::create_directory(work_ / "DATA");
  fs::create_directory(work_ / ".hiddendir");
  // Sizes are shown as signed 32-bit values; sparse files take no room on disk.
  WriteFile(work_ / "BIG.DAT", "");
  fs::resize_file(work_ / "BIG.DAT", (std::uintmax_t{1} << 31) + 5);
  WriteFile(work_ / "HUGE.DAT", "");
  fs::resize_file(work_ / "HUGE.DAT", (std::uintmax_t{1} << 32) + 1234);
  for (const char* name : {"A.TXT", "BIG.DAT", "HUGE.DAT"}) SetModified(work_ / name, 2024, 3, 5, 14, 7);
  SetModified(work_ / "EMPTY.DAT", 2023, 12, 25, 0, 0);
  SetModified(work_ / "DATA", 2024, 3, 5, 9, 5);
  SetModified(work_, 2024, 11, 30, 23, 59);
  SetModified(base_, 2001, 1, 2, 3, 4);

  ASSERT_EQ(Run("D$DATA"), 1);  // the argument is ignored: the current directory is listed
  EXPECT_EQ(answer_.answerPath, AnswerPath().string());
  EXPECT_EQ(answer_.announcedName, "dir");
  // The first line names the directory; the entries follow in the file system's order.
  std::istringstream answer(Answer());
  std::vector<std::string> lines;
  for (std::string line; std::getline(answer, line);) {
    EXPECT_TRUE(line.ends_with('\r')) << line;
    lines.push_back(line.substr(0, line.size() - 1));
  }
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), work_.string());
  std::sort(lines.begin() + 1, lines.end());
  const std::vector<std::string> entries = {
      ".  <DIR>    11-30-2024 23:59", "..  <DIR>    1-2-2001 3:04",  "A.TXT 1234 3-5-2024 14:07",
      "BIG.DAT -2147483643 3-5-2024 14:07", "DATA  <DIR>    3-5-2024 9:05", "EMPTY.DAT 0 12-25-2023 0:00",
      "HUGE.DAT 1234 3-5-2024 14:07"};
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), entries);

  // A current directory that has been deleted is not answered.
  fs::create_directory(work_ / "GONE");
  fs::current_path(work_ / "GONE");
  fs::remove(work_ / "GONE");
  fs::remove(AnswerPath());
  EXPECT_EQ(Run("D"), 0);
  EXPECT_FALSE(fs::exists(AnswerPath()));
  EXPECT_EQ(answer_.announcedName, "");
}

}  // namespace
}  // namespace corvane::testing
