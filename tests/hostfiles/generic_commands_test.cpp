#include <cstring>

#include "host_files_fixture.h"
#include "hostfiles/generic_commands.h"

namespace corvane::testing {
namespace {

using ChangeDirectoryTest = HostFilesTest;
using EraseFileTest = HostFilesTest;
using GenericCommandTest = HostFilesTest;
using NextFileToSendTest = HostFilesTest;

TEST_F(ChangeDirectoryTest, ChangesToAnExistingDirectoryAndAnswersItsPath) {
  struct Case {
    const char* command;
    const char* reached;
  };
  const Case cases[] = {
      {"C$DATA", "DATA"},
      {"C(DATA\\SUB", "DATA/SUB"},           // the Data Collector's separator
      {"C  (DATA/SUB\xff\x80 \r", "DATA/SUB"},  // leading spaces and trailing junk go
  };
  fs::create_directories(work_ / "DATA" / "SUB");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    fs::current_path(work_);
    Slots() = TransferSlots{};
    SetHostCommand(c.command);
    ASSERT_EQ(HandleGenericCommand(), 1);
    EXPECT_EQ(fs::current_path(), work_ / c.reached);
    EXPECT_EQ(Answer(), (work_ / c.reached).string() + "\r\n");
    EXPECT_EQ(Slots().currentFileName, AnswerPath().string());
    EXPECT_EQ(Slots().headerName, "cd");
  }
}

TEST_F(ChangeDirectoryTest, FailuresLeaveTheDirectoryAndWriteNoAnswer) {
  struct Case {
    const char* command;
    int result;
  };
  const Case cases[] = {
      {"C", kAnswerEmptyArgument},
      {"C    ", kAnswerEmptyArgument},
      {"C \x90\xff", kAnswerEmptyArgument},
      {"C'NOWHERE", kAnswerDirectoryFailed},
      {"C$", kAnswerDirectoryFailed},  // a length character and nothing behind it
      {"C)C:\\DATA", kAnswerDirectoryFailed},
      {"C&C:DATA", kAnswerDirectoryFailed},
  };
  fs::create_directory(work_ / "DATA");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    SetHostCommand(c.command);
    EXPECT_EQ(HandleGenericCommand(), c.result);
    EXPECT_EQ(fs::current_path(), work_);
    EXPECT_FALSE(fs::exists(AnswerPath()));
    EXPECT_EQ(Slots().headerName, "");
  }
}

TEST_F(EraseFileTest, DeletesOnceAndAnswersWithTheName) {
  WriteWholeFile(work_ / "A.TXT", "data");
  SetHostCommand("E%A.TXT");
  ASSERT_EQ(HandleGenericCommand(), 1);
  EXPECT_FALSE(fs::exists(work_ / "A.TXT"));
  EXPECT_EQ(Answer(), "Deleted file: A.TXT\r\n");
  EXPECT_EQ(Slots().currentFileName, AnswerPath().string());
  EXPECT_EQ(Slots().headerName, "erase");

  Slots() = TransferSlots{};
  fs::remove(AnswerPath());
  SetHostCommand("E%A.TXT");
  EXPECT_EQ(HandleGenericCommand(), 0);
  EXPECT_FALSE(fs::exists(AnswerPath()));
  EXPECT_EQ(Slots().headerName, "");
}

TEST_F(EraseFileTest, BackslashPathsReachIntoSubdirectories) {
  fs::create_directory(work_ / "DATA");
  WriteWholeFile(work_ / "DATA" / "B.TXT", "data");
  SetHostCommand("E*DATA\\B.TXT \xa0");
  ASSERT_EQ(HandleGenericCommand(), 1);
  EXPECT_FALSE(fs::exists(work_ / "DATA" / "B.TXT"));
  EXPECT_EQ(Answer(), "Deleted file: DATA\\B.TXT\r\n");
}

TEST_F(EraseFileTest, RefusalsDeleteNothing) {
  const char* commands[] = {
      "E",
      "E   ",
      "E%*.TXT",  // names are literal, never patterns
      "E%?.TXT",
      "E%DIR",    // directories are not files
      "E%NONE",
  };
  WriteWholeFile(work_ / "A.TXT", "data");
  fs::create_directory(work_ / "DIR");
  for (const char* command : commands) {
    SCOPED_TRACE(command);
    SetHostCommand(command);
    EXPECT_EQ(HandleGenericCommand(), 0);
    EXPECT_TRUE(fs::exists(work_ / "A.TXT"));
    EXPECT_TRUE(fs::exists(work_ / "DIR"));
    EXPECT_FALSE(fs::exists(AnswerPath()));
  }
}

TEST_F(GenericCommandTest, OtherLettersAreNotAnswered) {
  fs::create_directory(work_ / "DATA");
  for (const char* command : {"K$DATA", "c$DATA", "d", "e", "", "R$DATA"}) {
    SCOPED_TRACE(command);
    SetHostCommand(command);
    EXPECT_EQ(HandleGenericCommand(), 0);
    EXPECT_EQ(fs::current_path(), work_);
    EXPECT_FALSE(fs::exists(AnswerPath()));
  }
}

// The command is still carried out; only the answer is missing.
TEST_F(GenericCommandTest, AnswerFileThatCannotBeCreated) {
  struct Case {
    const char* command;
    int result;
  };
  const Case cases[] = {{"E%A.TXT", kAnswerFileFailed}, {"D", 0}, {"C$DATA", kAnswerFileFailed}};
  fs::create_directory(work_ / "DATA");
  WriteWholeFile(work_ / "A.TXT", "data");
  ::setenv("TMPDIR", (base_ / "missing").c_str(), 1);
  for (const Case& c : cases) {
    SetHostCommand(c.command);
    EXPECT_EQ(HandleGenericCommand(), c.result) << c.command;
  }
  EXPECT_EQ(fs::current_path(), work_ / "DATA");
  EXPECT_FALSE(fs::exists(work_ / "A.TXT"));
  EXPECT_EQ(Slots().headerName, "");
}

TEST_F(GenericCommandTest, AnswerFileIsRecreatedForEachAnswer) {
  WriteWholeFile(AnswerPath(), std::string(500, 'o'));
  WriteWholeFile(work_ / "A.TXT", "data");
  SetHostCommand("E%A.TXT");
  ASSERT_EQ(HandleGenericCommand(), 1);
  EXPECT_EQ(Answer(), "Deleted file: A.TXT\r\n");
}

TEST_F(GenericCommandTest, FullHostCommandBufferIsReadWithinBounds) {
  std::string command = "E";
  command.append(kHostCommandCapacity - 1, 'X');
  auto& buffer = Slots().hostCommand;
  std::memcpy(buffer.data(), command.data(), buffer.size());
  EXPECT_EQ(HandleGenericCommand(), 0);
}

TEST(TrimTrailingTest, StripsBlanksControlsAndHighBytesFromTheEnd) {
  struct Case {
    const char* input;
    const char* trimmed;
  };
  const Case cases[] = {
      {"DATA \t\r\n\x01", "DATA"},
      {"DATA\x80\xff\xa0 ", "DATA"},
      {"A B", "A B"},
      {" A", " A"},
      {"X\x7f", "X\x7f"},  // DEL is above 32 as a signed byte
      {"\xe9t\xe9", "\xe9t"},
      {"   ", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    char buffer[32] = {};
    std::strcpy(buffer, c.input);
    TrimTrailing(buffer);
    EXPECT_STREQ(buffer, c.trimmed) << '"' << c.input << '"';
  }
}

TEST_F(NextFileToSendTest, YieldsThePendingFileOncePerTransaction) {
  WriteWholeFile(work_ / "A.TXT", "data");
  Slots().nextFileName = "A.TXT";
  Slots().filePending = 1;
  EXPECT_EQ(NextFileToSend(), 1);
  EXPECT_EQ(Slots().currentFileName, "A.TXT");
  EXPECT_EQ(Slots().filePending, 0);
  EXPECT_EQ(NextFileToSend(), 0);
}

TEST_F(NextFileToSendTest, NothingToSendGivesZero) {
  struct Case {
    const char* name;
    int pending;
  };
  const Case cases[] = {{"MISSING.TXT", 1}, {"", 1}, {"A.TXT", 0}};
  WriteWholeFile(work_ / "A.TXT", "data");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Slots().nextFileName = c.name;
    Slots().filePending = c.pending;
    Slots().currentFileName = "untouched";
    EXPECT_EQ(NextFileToSend(), 0);
    EXPECT_EQ(Slots().filePending, 0);
    EXPECT_EQ(Slots().currentFileName, "untouched");
  }
}

}  // namespace
}  // namespace corvane::testing
