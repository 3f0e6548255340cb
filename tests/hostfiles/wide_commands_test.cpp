#include <cstring>

#include "host_files_fixture.h"
#include "hostfiles/argument_field.h"
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
  int Handle(const std::string& data) {
    Receive(data);
    return HandleGenericCommand(context_, answerPath_);
  }

  WideLinkContext context_;
  std::string answerPath_ = "unset";
};

// Of a doubled '#' behind the letter only the second is kept; a field that
// does not fit the 100-byte buffer is refused, not cut.
TEST_F(WideCommandTest, ArgumentFieldIsCopiedWholeOrNotAtAll) {
  const std::string fits(kWideArgumentCapacity - 1, 'A');
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"C##ABC", "#ABC"}, {"C#AB", "AB"},     {"C$DATA", "$DATA"}, {"D", ""},
      {"E#", ""},         {"C" + fits, fits}, {"C#" + fits, fits}, {"C" + fits + "A", std::nullopt}};
  for (const auto& [data, field] : cases) {
    Receive(data);
    WideArgument copied;
    ASSERT_EQ(CopyWideArgument(context_, copied), field.has_value()) << data;
    if (!field) continue;
    EXPECT_STREQ(copied.data(), field->c_str()) << data;
  }
  for (const std::int32_t length : {0, -1, static_cast<std::int32_t>(kWidePacketSize)}) {
    context_.rxLength = length;
    WideArgument copied;
    EXPECT_FALSE(CopyWideArgument(context_, copied)) << length;
  }
}

TEST_F(WideCommandTest, AnswersUnderTheAnnouncedNames) {
  fs::create_directory(work_ / "ABC");
  WriteWholeFile(work_ / "ABC" / "A.TXT", "data");
  ASSERT_EQ(Handle("C##ABC"), 1);
  EXPECT_EQ(fs::current_path(), work_ / "ABC");
  EXPECT_EQ(answerPath_, AnswerPath().string());
  EXPECT_EQ(context_.fileName, "cd");
  ASSERT_EQ(Handle("D"), 1);
  EXPECT_EQ(context_.fileName, "dir");
  EXPECT_NE(Answer().find("A.TXT 4 "), std::string::npos);
  ASSERT_EQ(Handle("E%A.TXT"), 1);
  EXPECT_EQ(context_.fileName, "erase");
  EXPECT_EQ(Answer(), "Deleted file: A.TXT\r\n");
}

TEST_F(WideCommandTest, OverLongNamesAndUnknownLettersAreNotAnswered) {
  // 98 name bytes behind the length character fill the buffer exactly.
  const std::string fits(kWideArgumentCapacity - 2, 'D'), tooLong(kWideArgumentCapacity - 1, 'D');
  fs::create_directory(work_ / fits);
  fs::create_directory(work_ / tooLong);
  const std::string longFile(kWideArgumentCapacity - 1, 'F');
  WriteWholeFile(work_ / longFile, "data");
  EXPECT_EQ(Handle("C~" + tooLong), kAnswerDirectoryFailed);
  EXPECT_EQ(Handle("E~" + longFile), 0);
  for (const std::string data : {"K$DATA", "c$DATA", "#"}) EXPECT_EQ(Handle(data), 0) << data;
  Receive("C$" + fits);
  context_.rxLength = 0;
  EXPECT_EQ(HandleGenericCommand(context_, answerPath_), 0);
  EXPECT_EQ(fs::current_path(), work_);
  EXPECT_TRUE(fs::exists(work_ / longFile));
  EXPECT_EQ(answerPath_, "unset");
  EXPECT_EQ(context_.fileName, "");
  EXPECT_FALSE(fs::exists(AnswerPath()));

  EXPECT_EQ(Handle("C~" + fits), 1);
  EXPECT_EQ(fs::current_path(), work_ / fits);
}

}  // namespace
}  // namespace corvane::testing
