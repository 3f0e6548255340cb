#include <gtest/gtest.h>

#include <string>

#include "stream_harness.h"

namespace corvane {
namespace {

using testing::CoordinateFile;
using testing::Point;
using testing::SendAll;
using testing::WriteBytes;

class SendStreamTest : public testing::SurveyStreamTest {};

TEST_F(SendStreamTest, CoordinateRecordsGoOutAsTextLines) {
  WriteBytes("JOB1.CR5", CoordinateFile({
                             Point(12, 1000.5, 2000.25, 15.125, "TREE"),
                             Point(0, 1, 1, 1, "EMPTY"),
                             Point(-1, 2, 2, 2, "FREE"),
                             Point(13, -5.5, 0, kMissingCoordinate, "NO HEIGHT"),
                             Point(14, 1, 2, -99999.9999, "SIXTEEN CHARS OK"),
                         }) + std::string(20, '\x7f'));  // a partial record at the end is ignored
  Session().bytesDone = 99;
  EXPECT_EQ(SendAll("JOB1.CR5"),
            "12,1000.5000000000,2000.2500000000,15.1250000000,TREE\r\n"
            "13,-5.5000000000,0.0000000000,-99999.9999000000,NO HEIGHT\r\n"
            "14,1.0000000000,2.0000000000,-99999.9999000000,SIXTEEN CHARS OK\r\n");
  EXPECT_EQ(Session().bytesDone, 0);
  EXPECT_EQ(Session().bytesTotal, 0);  // the size of the text form is unknown
}

TEST_F(SendStreamTest, CoordinateFileOfEmptySlotsSendsNothing) {
  WriteBytes("SLOTS.CR5", CoordinateFile({Point(0, 1, 2, 3, "A"), Point(-7, 1, 2, 3, "B")}));
  EXPECT_EQ(SendAll("SLOTS.CR5"), "");
  WriteBytes("SHORT.CR5", "tiny");
  EXPECT_EQ(SendAll("SHORT.CR5"), "");
}

TEST_F(SendStreamTest, ExtensionIsMatchedInAnyCase) {
  const std::string records = CoordinateFile({Point(1, 2, 3, 4, "P")});
  WriteBytes("job1.cr5", records);
  EXPECT_EQ(SendAll("job1.cr5"), "1,2.0000000000,3.0000000000,4.0000000000,P\r\n");
  WriteBytes("lines.pl5", "PT,5\n");
  EXPECT_EQ(SendAll("Lines.Pl5"), "PT 5\r\n");
}

TEST_F(SendStreamTest, MissingFileIsReported) {
  EXPECT_EQ(OpenSendFile("NOSUCH.TXT"), -2);
  EXPECT_EQ(OpenSendFile(""), -2);
}

struct TextCase {
  const char* label;
  std::string disk;
  std::string sent;
};

TEST_F(SendStreamTest, TextLineEndsGoOutAsCrLf) {
  const TextCase cases[] = {
      {"LF", "a\nbc\n", "a\r\nbc\r\n"},
      {"CR LF", "a\r\nbc\r\n", "a\r\nbc\r\n"},
      {"lone CR", "a\rbc\r", "a\r\nbc\r\n"},
      {"mixed", "a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd"},
      {"empty lines", "\n\r\n", "\r\n\r\n"},
      {"high bytes", "\xff\xfe\x80\n", "\xff\xfe\x80\r\n"},
      {"Ctrl-Z ends the text", "ab\ncd\x1aignored\n", "ab\r\ncd"},
      {"zero byte cuts its line", std::string("ab\0cd\nef\n", 9), "abef\r\n"},
      {"empty file", "", ""},
  };
  for (const TextCase& c : cases) {
    WriteBytes("T.TXT", c.disk);
    EXPECT_EQ(SendAll("T.TXT"), c.sent) << c.label;
    EXPECT_EQ(Session().bytesTotal, static_cast<std::int32_t>(c.disk.size())) << c.label;
  }
}

TEST_F(SendStreamTest, LongTextLinesGoOutWhole) {
  std::string line;
  for (int i = 0; i < 300; ++i) line.push_back(static_cast<char>('A' + i % 26));
  WriteBytes("LONG.TXT", line + "\n" + line);
  EXPECT_EQ(SendAll("LONG.TXT"), line + "\r\n" + line);
}

TEST_F(SendStreamTest, PolylineLinesAreConvertedAndOthersSkipped) {
  WriteBytes("ROAD.PL5",
             "PT,5\r\nX,1\r\nPR,1,9\r\nPR,1\r\nU \r\nCR,10,11,25.5,L,R,100,200,300\r\nSA,1,2\r\n\r\nD \r\n");
  EXPECT_EQ(SendAll("ROAD.PL5"),
            "PT 5\r\nPT 1-9\r\nPEN UP\r\nCR 10-11,25.500,R,L,100.000,200.000,300.000\r\nSA,1,2\r\nPEN DOWN\r\n");
}

TEST_F(SendStreamTest, ResetDropsTheRestOfTheLineUnderWay) {
  WriteBytes("R.TXT", "first\nsecond\n");
  ASSERT_EQ(OpenSendFile("R.TXT"), 0);
  EXPECT_EQ(NextSendByte(), 'f');
  ResetLineState();
  std::string rest;
  for (int byte = NextSendByte(); byte != -1; byte = NextSendByte()) rest.push_back(static_cast<char>(byte));
  EXPECT_EQ(rest, "second\r\n");
}

TEST_F(SendStreamTest, ReopeningStartsAfresh) {
  WriteBytes("A.TXT", "abc\n");
  WriteBytes("B.TXT", "xyz\n");
  ASSERT_EQ(OpenSendFile("A.TXT"), 0);
  for (int i = 0; i < 4; ++i) NextSendByte();  // "abc" and the CR; the LF is still owed
  EXPECT_EQ(SendAll("B.TXT"), "xyz\r\n");
}

TEST_F(SendStreamTest, CloseEmptiesTheHeaderName) {
  WriteBytes("A.TXT", "abc\n");
  Slots().headerName = "REMOTE.TXT";
  ASSERT_EQ(OpenSendFile("A.TXT"), 0);
  EXPECT_EQ(CloseTransferFiles(), 0);
  EXPECT_EQ(Slots().headerName, "");
  EXPECT_EQ(NextSendByte(), -1);
}

}  // namespace
}  // namespace corvane
