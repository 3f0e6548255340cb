#include "platform/file.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scratch_directory.h"

namespace corvane {
namespace {

class StdioFileTest : public ::testing::Test {
 protected:
  std::string ReadAll(const std::string& name, FileKind kind, std::size_t chunk) {
    StdioFile file;
    EXPECT_TRUE(file.Open(scratch_.PathOf(name), FileOpen::Read, kind));
    std::string all;
    std::vector<char> buffer(chunk);
    long count = 0;
    while ((count = file.Read(buffer.data(), chunk)) > 0) all.append(buffer.data(), static_cast<std::size_t>(count));
    EXPECT_EQ(count, 0);
    return all;
  }
  testing::ScratchDirectory scratch_;
};

struct TextCase {
  std::string disk;
  std::string text;
};

class TextReadTest : public StdioFileTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextReadTest, ConvertsLineEndsAndStopsAtCtrlZ) {
  scratch_.WriteFile("t", GetParam().disk);
  EXPECT_EQ(ReadAll("t", FileKind::Text, 4096), GetParam().text);
  EXPECT_EQ(ReadAll("t", FileKind::Text, 1), GetParam().text);
  EXPECT_EQ(ReadAll("t", FileKind::Binary, 3), GetParam().disk);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextReadTest,
    ::testing::Values(TextCase{"", ""}, TextCase{"a\nb\n", "a\nb\n"}, TextCase{"a\r\nb\r\n", "a\nb\n"},
                      TextCase{"a\rb", "a\rb"}, TextCase{"end\r", "end\r"}, TextCase{"\r\r\n", "\r\n"},
                      TextCase{"a\x1a" "b\r\n", "a"}, TextCase{"a\r\x1a\r\n", "a\r"},
                      TextCase{std::string("\0\xff\r\n", 4), std::string("\0\xff\n", 3)},
                      // CR LF split across the read-ahead block
                      TextCase{std::string(16383, 'x') + "\r\ny", std::string(16383, 'x') + "\ny"}));

TEST_F(StdioFileTest, ReadLineSplitsLongLinesLikeFgets) {
  scratch_.WriteFile("lines", "first\r\nsecond line\r\n\r\nlast\x1a" "after");
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch_.PathOf("lines"), FileOpen::Read, FileKind::Text));
  char buffer[8];
  std::vector<std::string> lines;
  while (file.ReadLine(buffer, sizeof buffer)) lines.emplace_back(buffer);
  EXPECT_EQ(lines, (std::vector<std::string>{"first\n", "second ", "line\n", "\n", "last"}));
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(file.ReadLine(buffer, 1));
  EXPECT_FALSE(file.ReadLine(buffer, 0));
}

TEST_F(StdioFileTest, TextWriteEndsLinesWithCrLf) {
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch_.PathOf("out"), FileOpen::CreateReadWrite, FileKind::Text));
  EXPECT_TRUE(file.Write("one\ntwo\r\n\n"));
  EXPECT_EQ(file.Tell(), 13);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(scratch_.ReadFile("out"), "one\r\ntwo\r\r\n\r\n");
}

TEST_F(StdioFileTest, BinaryPositionsAreDiskOffsets) {
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch_.PathOf("bin"), FileOpen::CreateReadWrite, FileKind::Binary));
  ASSERT_TRUE(file.Write("0123\n56789"));
  EXPECT_EQ(file.Tell(), 10);
  EXPECT_EQ(file.Length(), 10);
  ASSERT_TRUE(file.Seek(3));
  char pair[2];
  ASSERT_EQ(file.Read(pair, 2), 2);
  EXPECT_EQ(std::string(pair, 2), "3\n");
  EXPECT_EQ(file.Tell(), 5);
  // A write after a read goes where the read stopped, not after the read-ahead.
  ASSERT_TRUE(file.Write("ab"));
  EXPECT_EQ(file.Tell(), 7);
  ASSERT_TRUE(file.SeekToEnd());
  EXPECT_EQ(file.Tell(), 10);
  EXPECT_FALSE(file.Seek(-1));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(scratch_.ReadFile("bin"), "0123\nab789");
}

TEST_F(StdioFileTest, TextTellCountsDiskBytes) {
  scratch_.WriteFile("t", "ab\r\ncd\x1a" "zz");
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch_.PathOf("t"), FileOpen::Read, FileKind::Text));
  char buffer[16];
  ASSERT_EQ(file.Read(buffer, 3), 3);
  EXPECT_EQ(file.Tell(), 4);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 2);
  EXPECT_EQ(file.Tell(), 6);  // at the Ctrl-Z
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
  ASSERT_TRUE(file.Seek(7));  // past the Ctrl-Z, reading goes on
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 2);
  EXPECT_EQ(file.Length(), 9);
}

TEST_F(StdioFileTest, OpensExistingFilesWhateverTheirCase) {
  scratch_.MakeDirectory("Sub");
  scratch_.WriteFile("Sub/Data.Txt", "x\r\n");
  StdioFile file;
  ASSERT_TRUE(file.Open(scratch_.PathOf("SUB/DATA.TXT"), FileOpen::ReadWrite, FileKind::Text));
  char buffer[8];
  EXPECT_TRUE(file.ReadLine(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "x\n");

  // Created under exactly the name given, in the directory that matched.
  ASSERT_TRUE(file.Open(scratch_.PathOf("sub/NEW.TXT"), FileOpen::CreateReadWrite, FileKind::Binary));
  EXPECT_TRUE(file.Write("new"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(scratch_.ReadFile("Sub/NEW.TXT"), "new");

  // Creating over an existing file of another case empties that file instead of adding a second.
  ASSERT_TRUE(file.Open(scratch_.PathOf("SUB/new.txt"), FileOpen::CreateReadWrite, FileKind::Binary));
  EXPECT_TRUE(file.Write("again"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(scratch_.ReadFile("Sub/NEW.TXT"), "again");
  const auto entries = ListDirectory(scratch_.PathOf("Sub"));
  ASSERT_TRUE(entries.has_value());
  EXPECT_EQ(entries->size(), 4u) << "., .., Data.Txt and NEW.TXT only";
}

TEST_F(StdioFileTest, RefusesWhatCannotBeDone) {
  scratch_.MakeDirectory("dir");
  scratch_.WriteFile("ro", "abc");
  StdioFile file;
  EXPECT_FALSE(file.Open(scratch_.PathOf("missing"), FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(file.Open(scratch_.PathOf("missing"), FileOpen::ReadWrite, FileKind::Binary));
  EXPECT_FALSE(file.Open(scratch_.PathOf("dir"), FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(file.Open(scratch_.PathOf("nodir/new"), FileOpen::CreateReadWrite, FileKind::Binary));
  char byte;
  EXPECT_EQ(file.Read(&byte, 1), -1);
  EXPECT_FALSE(file.Write("x"));
  EXPECT_EQ(file.Tell(), -1);
  EXPECT_FALSE(file.Close());

  ASSERT_TRUE(file.Open(scratch_.PathOf("ro"), FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(file.Write("x"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(scratch_.ReadFile("ro"), "abc");
}

TEST_F(StdioFileTest, MovedFileKeepsPositionAndPendingWrites) {
  StdioFile first;
  ASSERT_TRUE(first.Open(scratch_.PathOf("m"), FileOpen::CreateReadWrite, FileKind::Text));
  ASSERT_TRUE(first.Write("a\n"));
  StdioFile second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  EXPECT_TRUE(second.Write("b\n"));
  {
    StdioFile third;
    third = std::move(second);
    EXPECT_FALSE(second.IsOpen());
  }  // the destructor flushes and closes
  EXPECT_EQ(scratch_.ReadFile("m"), "a\r\nb\r\n");
}

}  // namespace
}  // namespace corvane
