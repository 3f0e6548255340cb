#include "host_files_fixture.h"

namespace corvane::testing {
namespace {

using GenericCommandTest = HostFilesTest;

TEST_F(GenericCommandTest, ChangeDirectoryAndEraseAnswerOnlyWhatTheyDid) {
  struct Case {
    std::string command;
    int result;
    std::string header = "";  // empty: no answer file, nothing changed
    std::string answer = "";
    std::string reached = "";
    std::string gone = "";
  };
  const std::string a = "A.TXT", b = "DATA/SUB/B.TXT", sub = (work_ / "DATA/SUB").string() + "\r\n";
  const Case cases[] = {
      {"C$DATA", 1, "cd", (work_ / "DATA").string() + "\r\n", "DATA"},
      {"C(DATA\\SUB", 1, "cd", sub, "DATA/SUB"},  // the Data Collector's separator
      {"C  (DATA/SUB\xff\x80 \r", 1, "cd", sub, "DATA/SUB"},  // leading blanks and trailing junk go
      {"E%A.TXT", 1, "erase", "Deleted file: A.TXT\r\n", "", a},
      {"E*DATA\\SUB\\B.TXT \xa0", 1, "erase", "Deleted file: DATA\\SUB\\B.TXT\r\n", "", b},
      {"C", kAnswerEmptyArgument}, {"C    ", kAnswerEmptyArgument}, {"C \x90\xff", kAnswerEmptyArgument},
      {"C'NOWHERE", kAnswerDirectoryFailed}, {"C)C:\\DATA", kAnswerDirectoryFailed}, {"C&C:DATA", kAnswerDirectoryFailed},
      {"C$", kAnswerDirectoryFailed},  // a length character and nothing behind it
      {"E", 0}, {"E   ", 0}, {"E%NONE", 0}, {"E%DATA", 0},  // directories are not files
      {"E%*.TXT", 0}, {"E%?.TXT", 0},  // names are literal, never patterns
      {"K$DATA", 0}, {"c$DATA", 0}, {"d", 0}, {"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    fs::current_path(work_);
    fs::create_directories(work_ / "DATA/SUB");
    WriteFile(work_ / a, "data");
    WriteFile(work_ / b, "data");
    fs::remove(AnswerPath());
    EXPECT_EQ(Run(c.command), c.result);
    EXPECT_EQ(fs::current_path(), c.reached.empty() ? work_ : work_ / c.reached);
    EXPECT_EQ(answer_.announcedName, c.header);
    EXPECT_EQ(fs::exists(AnswerPath()), !c.header.empty());
    EXPECT_EQ(answer_.answerPath, c.header.empty() ? "" : AnswerPath().string());
    EXPECT_EQ(Answer(), c.answer);
    for (const std::string& file : {a, b}) EXPECT_EQ(fs::exists(work_ / file), file != c.gone) << file;
  }
}

// The command is still carried out; only the answer is missing.
TEST_F(GenericCommandTest, AnswerFileThatCannotBeCreated) {
  fs::create_directory(work_ / "DATA");
  WriteFile(work_ / "A.TXT", "data");
  environment_.Set("TMPDIR", (base_ / "missing").c_str());
  EXPECT_EQ(Run("E%A.TXT"), kAnswerFileFailed);
  EXPECT_EQ(Run("D"), 0);
  EXPECT_EQ(Run("C$DATA"), kAnswerFileFailed);
  EXPECT_EQ(fs::current_path(), work_ / "DATA");
  EXPECT_FALSE(fs::exists(work_ / "A.TXT"));
  EXPECT_EQ(answer_.announcedName, "");
}

// An argument that did not fit the engine's buffer is never cut to another name.
TEST_F(GenericCommandTest, ArgumentsTooLongAreRefused) {
  WriteFile(work_ / "A.TXT", "data");
  const std::pair<char, int> cases[] = {{'C', kAnswerDirectoryFailed}, {'E', 0}};
  for (const auto& [letter, result] : cases) {
    EXPECT_EQ(AnswerHostCommand(HostCommand{letter, "A.TXT", true}).result, result) << letter;
  }
  EXPECT_TRUE(fs::exists(work_ / "A.TXT"));
  EXPECT_EQ(fs::current_path(), work_);
  EXPECT_EQ(AnswerHostCommand(HostCommand{'D', std::nullopt, true}).result, 1) << "the listing ignores its argument";
}

}  // namespace
}  // namespace corvane::testing
