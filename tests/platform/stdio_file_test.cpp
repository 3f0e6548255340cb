#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

class StdioFileTest : public ::testing::Test {
 protected:
  std::string ReadAll(const std::string& name, FileKind kind, std::size_t chunk) {
    StdioFile in;
    EXPECT_TRUE(in.Open(scratch_.PathOf(name), FileOpen::Read, kind));
    std::string all;
    std::vector<char> buffer(chunk);
    long count = 0;
    while ((count = in.Read(buffer.data(), chunk)) > 0) all.append(buffer.data(), static_cast<std::size_t>(count));
    EXPECT_EQ(count, 0);
    return all;
  }
  bool Open(const std::string& name, FileOpen mode, FileKind kind) {
    return file_.Open(scratch_.PathOf(name), mode, kind);
  }
  testing::ScratchDirectory scratch_;
  StdioFile file_;
};

// Text mode: CR LF on disk is LF in memory, and Ctrl-Z ends the text.
TEST_F(StdioFileTest, TextReadConvertsLineEndsAndStopsAtCtrlZ) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"a\nb\n", "a\nb\n"}, {"a\r\nb\r\n", "a\nb\n"}, {"a\rb", "a\rb"}, {"end\r", "end\r"},
      {"\r\r\n", "\r\n"}, {"a\x1a" "b\r\n", "a"}, {"a\r\x1a\r\n", "a\r"},
      {std::string("\0\xff\r\n", 4), std::string("\0\xff\n", 3)},
      {std::string(16383, 'x') + "\r\ny", std::string(16383, 'x') + "\ny"}};  // CR LF across the read-ahead block
  for (const auto& [disk, text] : cases) {
    scratch_.WriteFile("t", disk);
    EXPECT_EQ(ReadAll("t", FileKind::Text, 4096), text);
    EXPECT_EQ(ReadAll("t", FileKind::Text, 1), text);
    EXPECT_EQ(ReadAll("t", FileKind::Binary, 3), disk);
  }

  scratch_.WriteFile("lines", "first\r\nsecond line\r\n\r\nlast\x1a" "after");
  ASSERT_TRUE(Open("lines", FileOpen::Read, FileKind::Text));
  char buffer[8];
  std::vector<std::string> lines;
  while (file_.ReadLine(buffer, sizeof buffer)) lines.emplace_back(buffer);  // split like fgets
  EXPECT_EQ(lines, (std::vector<std::string>{"first\n", "second ", "line\n", "\n", "last"}));
  EXPECT_FALSE(file_.ReadLine(buffer, 1));
  EXPECT_FALSE(file_.ReadLine(buffer, 0));
}

// Positions are disk offsets in both modes.
TEST_F(StdioFileTest, PositionsCountDiskBytes) {
  scratch_.WriteFile("t", "ab\r\ncd\x1a" "zz");
  ASSERT_TRUE(Open("t", FileOpen::Read, FileKind::Text));
  char buffer[16];
  ASSERT_EQ(file_.Read(buffer, 3), 3);
  EXPECT_EQ(file_.Tell(), 4);
  EXPECT_EQ(file_.Read(buffer, sizeof buffer), 2);
  EXPECT_EQ(file_.Tell(), 6);  // at the Ctrl-Z
  ASSERT_TRUE(file_.Seek(7));  // past it, reading goes on
  EXPECT_EQ(file_.Read(buffer, sizeof buffer), 2);
  EXPECT_EQ(file_.Length(), 9);

  ASSERT_TRUE(Open("bin", FileOpen::CreateReadWrite, FileKind::Binary));
  ASSERT_TRUE(file_.Write("0123\n56789"));
  ASSERT_TRUE(file_.Seek(3));
  ASSERT_EQ(file_.Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "3\n");
  ASSERT_TRUE(file_.Write("ab"));  // goes where the read stopped, not after the read-ahead
  EXPECT_EQ(file_.Tell(), 7);
  ASSERT_TRUE(file_.SeekToEnd());
  EXPECT_EQ(file_.Tell(), 10);
  EXPECT_FALSE(file_.Seek(-1));
  EXPECT_TRUE(file_.Close());
  EXPECT_EQ(scratch_.ReadFile("bin"), "0123\nab789");
}

TEST_F(StdioFileTest, OpensExistingFilesWhateverTheirCase) {
  std::filesystem::create_directory(scratch_.PathOf("Sub"));
  scratch_.WriteFile("Sub/Data.Txt", "x\r\n");
  EXPECT_TRUE(Open("SUB/DATA.TXT", FileOpen::ReadWrite, FileKind::Text));
  // Created under the name given, in the directory that matched; creating over a
  // file of another case empties that file instead of adding a second.
  for (const char* name : {"sub/NEW.TXT", "SUB/new.txt"}) {
    ASSERT_TRUE(Open(name, FileOpen::CreateReadWrite, FileKind::Binary));
    EXPECT_TRUE(file_.Write(name));
    EXPECT_TRUE(file_.Close());
  }
  EXPECT_EQ(scratch_.ReadFile("Sub/NEW.TXT"), "SUB/new.txt");
  EXPECT_EQ(ListDirectory(scratch_.PathOf("Sub")).value_or(std::vector<DirectoryEntry>{}).size(), 4u);
}

TEST_F(StdioFileTest, RefusesWhatCannotBeDoneAndFlushesWhenMoved) {
  std::filesystem::create_directory(scratch_.PathOf("dir"));
  scratch_.WriteFile("ro", "abc");
  EXPECT_FALSE(Open("missing", FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(Open("missing", FileOpen::ReadWrite, FileKind::Binary));
  EXPECT_FALSE(Open("dir", FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(Open("nodir/new", FileOpen::CreateReadWrite, FileKind::Binary));
  char byte;
  EXPECT_EQ(file_.Read(&byte, 1), -1);
  EXPECT_FALSE(file_.Write("x"));
  EXPECT_EQ(file_.Tell(), -1);
  EXPECT_FALSE(file_.Close());
  ASSERT_TRUE(Open("ro", FileOpen::Read, FileKind::Binary));
  EXPECT_FALSE(file_.Write("x"));
  EXPECT_TRUE(file_.Close());
  EXPECT_EQ(scratch_.ReadFile("ro"), "abc");

  ASSERT_TRUE(Open("m", FileOpen::CreateReadWrite, FileKind::Text));
  ASSERT_TRUE(file_.Write("a\n"));
  StdioFile moved(std::move(file_));
  EXPECT_FALSE(file_.IsOpen());
  EXPECT_TRUE(moved.Write("b\n"));
  {
    StdioFile last;
    last = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
  }  // the destructor flushes and closes
  EXPECT_EQ(scratch_.ReadFile("m"), "a\r\nb\r\n");
}

}  // namespace
}  // namespace corvane
