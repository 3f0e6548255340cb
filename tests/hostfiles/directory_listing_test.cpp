#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>
#include <vector>

#include "host_files_fixture.h"
#include "hostfiles/generic_commands.h"

namespace corvane::testing {
namespace {

struct Moment {
  int year, month, day, hour, minute;
};

// Local time in a zone away from UTC, so that a listing in UTC shows.
class DirectoryListingTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    if (const char* old = std::getenv("TZ")) savedZone_ = old;
    ::setenv("TZ", "CVT+4", 1);
  }
  void TearDown() override {
    if (savedZone_) {
      ::setenv("TZ", savedZone_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    HostFilesTest::TearDown();
  }

  static void SetModified(const fs::path& path, Moment at) {
    std::tm parts{};
    parts.tm_year = at.year - 1900;
    parts.tm_mon = at.month - 1;
    parts.tm_mday = at.day;
    parts.tm_hour = at.hour;
    parts.tm_min = at.minute;
    parts.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&parts));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
  }

  // The listing's entry lines in a fixed order; the file system's order is its own.
  static std::vector<std::string> SortedEntryLines(const std::string& answer, std::string& firstLine) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < answer.size()) {
      const std::size_t end = answer.find("\r\n", start);
      EXPECT_NE(end, std::string::npos) << "line without CR LF at " << start;
      if (end == std::string::npos) break;
      lines.push_back(answer.substr(start, end - start));
      start = end + 2;
    }
    if (lines.empty()) return lines;
    firstLine = lines.front();
    lines.erase(lines.begin());
    std::sort(lines.begin(), lines.end());
    return lines;
  }

 private:
  std::optional<std::string> savedZone_;
};

TEST_F(DirectoryListingTest, ListsEveryVisibleEntryInTheDataCollectorsFormat) {
  WriteWholeFile(work_ / "A.TXT", std::string(1234, 'x'));
  WriteWholeFile(work_ / "EMPTY.DAT", "");
  WriteWholeFile(work_ / ".hidden", "secret");
  fs::create_directory(work_ / "DATA");
  fs::create_directory(work_ / ".hiddendir");
  SetModified(work_ / "A.TXT", {2024, 3, 5, 14, 7});
  SetModified(work_ / "EMPTY.DAT", {2023, 12, 25, 0, 0});
  SetModified(work_ / "DATA", {2024, 3, 5, 9, 5});
  SetModified(work_, {2024, 11, 30, 23, 59});
  SetModified(base_, {2001, 1, 2, 3, 4});

  // The argument is ignored: the whole current directory is listed.
  SetHostCommand("D$DATA");
  ASSERT_EQ(HandleGenericCommand(), 1);
  EXPECT_EQ(Slots().currentFileName, AnswerPath().string());
  EXPECT_EQ(Slots().headerName, "dir");

  std::string firstLine;
  const std::vector<std::string> lines = SortedEntryLines(Answer(), firstLine);
  EXPECT_EQ(firstLine, work_.string());
  const std::vector<std::string> expected = {
      ".  <DIR>    11-30-2024 23:59",
      "..  <DIR>    1-2-2001 3:04",
      "A.TXT 1234 3-5-2024 14:07",
      "DATA  <DIR>    3-5-2024 9:05",
      "EMPTY.DAT 0 12-25-2023 0:00",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(DirectoryListingTest, SizesAreShownAsSigned32BitValues) {
  struct Case {
    const char* name;
    std::uintmax_t size;
    const char* shown;
  };
  const Case cases[] = {
      {"BIG.DAT", (std::uintmax_t{1} << 31) + 5, "-2147483643"},
      {"HUGE.DAT", (std::uintmax_t{1} << 32) + 1234, "1234"},
  };
  for (const Case& c : cases) {
    WriteWholeFile(work_ / c.name, "");
    fs::resize_file(work_ / c.name, c.size);  // sparse: takes no room on disk
    SetModified(work_ / c.name, {2024, 3, 5, 14, 7});
  }

  SetHostCommand("D");
  ASSERT_EQ(HandleGenericCommand(), 1);
  const std::string answer = Answer();
  for (const Case& c : cases) {
    EXPECT_NE(answer.find(std::string(c.name) + " " + c.shown + " 3-5-2024 14:07\r\n"), std::string::npos) << c.name;
  }
}

TEST_F(DirectoryListingTest, ADeletedCurrentDirectoryIsNotAnswered) {
  fs::create_directory(work_ / "GONE");
  fs::current_path(work_ / "GONE");
  fs::remove(work_ / "GONE");

  SetHostCommand("D");
  EXPECT_EQ(HandleGenericCommand(), 0);
  EXPECT_FALSE(fs::exists(AnswerPath()));
  EXPECT_EQ(Slots().headerName, "");
}

}  // namespace
}  // namespace corvane::testing
