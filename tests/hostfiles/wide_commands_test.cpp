#include <cstring>

#include "host_files_fixture.h"
#include "hostfiles/argument_field.h"
#include "hostfiles/generic_commands.h"
#include "wide/wide_context.h"

namespace corvane::testing {
namespace {

class WideCommandTest : public HostFilesTest {
 protected:
  // Bytes after the data are filled with junk: only rxLength may count.
  void Receive(const std::string& data) {
    std::memset(context_.rxPacket, 'Q', sizeof context_.rxPacket);
    std::memcpy(context_.rxData, data.data(), data.size());
    context_.rxLength = static_cast<std::int32_t>(data.size());
  }

  int Handle() { return HandleGenericCommand(context_, answerPath_); }

  WideLinkContext context_;
  std::string answerPath_ = "unset";
};

TEST_F(WideCommandTest, ArgumentFieldKeepsTheSecondOfADoubledHash) {
  struct Case {
    std::string data;
    std::string field;
  };
  const Case cases[] = {
      {"C##ABC", "#ABC"},
      {"C#AB", "AB"},  // any '#' right behind the letter is dropped
      {"C$DATA", "$DATA"},
      {"D", ""},
      {"E#", ""},
  };
  for (const Case& c : cases) {
    Receive(c.data);
    WideArgument field;
    ASSERT_TRUE(CopyWideArgument(context_, field)) << c.data;
    EXPECT_STREQ(field.data(), c.field.c_str()) << c.data;
  }
}

TEST_F(WideCommandTest, ArgumentFieldsBeyondTheBufferAreRefused) {
  WideArgument field;
  Receive("C" + std::string(kWideArgumentCapacity - 1, 'A'));
  EXPECT_TRUE(CopyWideArgument(context_, field));
  EXPECT_EQ(std::strlen(field.data()), kWideArgumentCapacity - 1);
  Receive("C" + std::string(kWideArgumentCapacity, 'A'));
  EXPECT_FALSE(CopyWideArgument(context_, field));
  Receive("C#" + std::string(kWideArgumentCapacity - 1, 'A'));
  EXPECT_TRUE(CopyWideArgument(context_, field));

  for (const std::int32_t length : {0, -1, static_cast<std::int32_t>(kWidePacketSize)}) {
    context_.rxLength = length;
    EXPECT_FALSE(CopyWideArgument(context_, field)) << length;
  }
}

TEST_F(WideCommandTest, AnswersUnderTheAnnouncedNames) {
  fs::create_directory(work_ / "ABC");
  WriteWholeFile(work_ / "ABC" / "A.TXT", "data");
  Receive("C##ABC");
  ASSERT_EQ(Handle(), 1);
  EXPECT_EQ(fs::current_path(), work_ / "ABC");
  EXPECT_EQ(answerPath_, AnswerPath().string());
  EXPECT_EQ(context_.fileName, "cd");

  Receive("D");
  ASSERT_EQ(Handle(), 1);
  EXPECT_EQ(context_.fileName, "dir");
  EXPECT_NE(Answer().find("A.TXT 4 "), std::string::npos);

  Receive("E%A.TXT");
  ASSERT_EQ(Handle(), 1);
  EXPECT_EQ(context_.fileName, "erase");
  EXPECT_EQ(Answer(), "Deleted file: A.TXT\r\n");
}

TEST_F(WideCommandTest, OverLongNamesAreRefusedRatherThanCut) {
  // 98 name bytes behind the length character fill the buffer exactly.
  const std::string fits(kWideArgumentCapacity - 2, 'D');
  const std::string tooLong(kWideArgumentCapacity - 1, 'D');
  fs::create_directory(work_ / fits);
  fs::create_directory(work_ / tooLong);
  WriteWholeFile(work_ / std::string(kWideArgumentCapacity - 1, 'F'), "data");
  WriteWholeFile(work_ / std::string(kWideArgumentCapacity - 2, 'F'), "data");

  Receive("C~" + tooLong);
  EXPECT_EQ(Handle(), kAnswerDirectoryFailed);
  EXPECT_EQ(fs::current_path(), work_);
  Receive("E~" + std::string(kWideArgumentCapacity - 1, 'F'));
  EXPECT_EQ(Handle(), 0);
  EXPECT_TRUE(fs::exists(work_ / std::string(kWideArgumentCapacity - 1, 'F')));
  EXPECT_TRUE(fs::exists(work_ / std::string(kWideArgumentCapacity - 2, 'F')));
  EXPECT_EQ(answerPath_, "unset");
  EXPECT_EQ(context_.fileName, "");

  Receive("C~" + fits);
  EXPECT_EQ(Handle(), 1);
  EXPECT_EQ(fs::current_path(), work_ / fits);
}

TEST_F(WideCommandTest, UnknownLettersAndEmptyPacketsAreNotAnswered) {
  fs::create_directory(work_ / "DATA");
  for (const std::string data : {"K$DATA", "c$DATA", "#"}) {
    Receive(data);
    EXPECT_EQ(Handle(), 0) << data;
  }
  Receive("C$DATA");
  context_.rxLength = 0;
  EXPECT_EQ(Handle(), 0);
  EXPECT_EQ(fs::current_path(), work_);
  EXPECT_EQ(answerPath_, "unset");
  EXPECT_FALSE(fs::exists(AnswerPath()));
}

}  // namespace
}  // namespace corvane::testing
