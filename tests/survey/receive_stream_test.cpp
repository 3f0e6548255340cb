#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "stream_harness.h"

namespace corvane {
namespace {

using testing::HeaderOf;
using testing::Point;
using testing::ReadBytes;
using testing::ReceiveAll;
using testing::ReceiveOutcome;
using testing::RecordsOf;
using testing::WriteBytes;

class ReceiveStreamTest : public testing::SurveyStreamTest {};

void ExpectRecords(const std::vector<CoordinateRecord>& actual, const std::vector<CoordinateRecord>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].pointNumber, expected[i].pointNumber) << i;
    EXPECT_EQ(actual[i].coordinates, expected[i].coordinates) << i;
    EXPECT_EQ(actual[i].description, expected[i].description) << i;
  }
}

TEST_F(ReceiveStreamTest, CoordinateLinesBecomeRecordsUnderANamedHeader) {
  const ReceiveOutcome outcome = ReceiveAll("job1.cr5",
                                            "5,1,2,3,FIRST\r\n"
                                            "17,10.5,20.25,30.125\r\n"
                                            "3,-1,-2,-99999.99,LOW POINT NUMBER\r\n"
                                            "4,1,2,3,NO LINE END");
  EXPECT_EQ(outcome.open, 0);
  EXPECT_EQ(outcome.store, 1);
  EXPECT_EQ(outcome.name, "JOB1.CR5");
  EXPECT_EQ(Slots().currentFileName, "JOB1.CR5");
  EXPECT_EQ(Session().bytesTotal, 38);
  EXPECT_FALSE(ReceiveFileOpen());

  const std::string file = ReadBytes("JOB1.CR5");
  ASSERT_EQ(file.size(), 38u + 3 * 45u);
  const CoordinateHeader header = HeaderOf(file);
  EXPECT_EQ(header.name, "JOB1");
  EXPECT_EQ(header.highestPoint, 17);
  EXPECT_EQ(header.endMark, -1);
  EXPECT_EQ(file.substr(8, 22), std::string(22, '\0'));
  ExpectRecords(RecordsOf(file), {Point(5, 1, 2, 3, "FIRST"), Point(17, 10.5, 20.25, 30.125, ""),
                                  Point(3, -1, -2, kMissingCoordinate, "LOW POINT NUMBER")});
}

TEST_F(ReceiveStreamTest, HeaderNameFollowsTheNameReceivedUnder) {
  const std::pair<std::string, std::string> cases[] = {
      {"A.CR5", "A"},
      {"LONGNAMEX.CR5", "LONGNAME"},
      {".CR5", ""},
  };
  for (const auto& [name, expected] : cases) {
    ASSERT_EQ(ReceiveAll(name, "1,1,1,1\n").open, 0) << name;
    EXPECT_EQ(HeaderOf(ReadBytes(name)).name, expected) << name;
  }
  // A file without points keeps 0 as its highest point number.
  ASSERT_EQ(ReceiveAll("NONE.CR5", "").open, 0);
  EXPECT_EQ(HeaderOf(ReadBytes("NONE.CR5")).highestPoint, 0);
}

TEST_F(ReceiveStreamTest, UnreadableCoordinateLineIsRefused) {
  const ReceiveOutcome outcome = ReceiveAll("BAD.CR5", "1,1,1,1,OK\n12,1000.5,2000.25\n2,2,2,2\n");
  EXPECT_EQ(outcome.store, kStoreNotCoordinateLine);
  EXPECT_EQ(outcome.taken, 11u + 17u);  // refused at the line feed of the second line
  EXPECT_EQ(RecordsOf(ReadBytes("BAD.CR5")).size(), 1u);
}

TEST_F(ReceiveStreamTest, TextLinesAreWrittenWithCrLfAndTheLastLineKept) {
  ASSERT_EQ(ReceiveAll("NOTES.TXT", "a\r\nb\n\r\nlast").store, 1);
  EXPECT_EQ(ReadBytes("NOTES.TXT"), "a\r\nb\r\n\r\nlast\r\n");
  EXPECT_EQ(Session().bytesTotal, 14);  // the whole file, line ends as written
}

TEST_F(ReceiveStreamTest, PolylineLinesAreConvertedAndOthersDropped) {
  ASSERT_EQ(ReceiveAll("ROAD.PL5", "PT 12\r\nPT 12-15\r\nSS4-6\r\nPEN UP\r\nJUNK\r\n"
                                   "CR 10-11,25.5,R,L,100,200\r\nSA,1,2\r\nPEN DOWN")
                .store,
            1);
  EXPECT_EQ(ReadBytes("ROAD.PL5"),
            "PT,12\r\nPR,12,15\r\nSR,4,6\r\nU \r\nCR,10,11,25.500000,L,R,100.000000,200.000000,0.000000\r\n"
            "SA,1,2\r\nD \r\n");
}

TEST_F(ReceiveStreamTest, MissingHeightTravelsBothWays) {
  ASSERT_EQ(ReceiveAll("H.CR5", "7,1,2,-99999.99,GONE\n8,1,2,-99999.9999,LOW\n").store, 1);
  const auto records = RecordsOf(ReadBytes("H.CR5"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].coordinates[2], kMissingCoordinate);
  EXPECT_EQ(records[1].coordinates[2], -99999.9999);
  EXPECT_EQ(testing::SendAll("H.CR5"),
            "7,1.0000000000,2.0000000000,-99999.9999000000,GONE\r\n"
            "8,1.0000000000,2.0000000000,-99999.9999000000,LOW\r\n");
}

// The line buffer holds 511 bytes; nothing received may write past it.
TEST_F(ReceiveStreamTest, OverlongTextLinesArriveWhole) {
  std::string longLine;
  for (int i = 0; i < 2000; ++i) longLine.push_back(static_cast<char>('a' + i % 26));
  const std::string atLimit(510, 'x');  // with its line feed the buffer is full
  const std::string overLimit(511, 'y');
  ASSERT_EQ(ReceiveAll("BIG.TXT", longLine + "\n" + atLimit + "\n" + overLimit + "\nend").store, 1);
  EXPECT_EQ(ReadBytes("BIG.TXT"), longLine + "\r\n" + atLimit + "\r\n" + overLimit + "\r\nend\r\n");
}

TEST_F(ReceiveStreamTest, OverlongPolylineLinesKeepOnlyWhatConverts) {
  const std::string arc = "SA," + std::string(700, '1');
  const std::string point = "PT 5" + std::string(700, ' ');
  const std::string junk = "ZZ" + std::string(700, '-');
  ASSERT_EQ(ReceiveAll("LONG.PL5", arc + "\n" + point + "\n" + junk + "\nPT 6\n").store, 1);
  EXPECT_EQ(ReadBytes("LONG.PL5"), arc + "\r\nPT,5\r\nPT,6\r\n");
}

TEST_F(ReceiveStreamTest, OverlongCoordinateLineIsRefused) {
  const std::string line = "1,1,1,1," + std::string(600, 'D') + "\n";
  const ReceiveOutcome outcome = ReceiveAll("LONG.CR5", "2,2,2,2\n" + line);
  EXPECT_EQ(outcome.store, kStoreNotCoordinateLine);
  EXPECT_EQ(outcome.taken, 8u + 511u);
  EXPECT_EQ(RecordsOf(ReadBytes("LONG.CR5")).size(), 1u);
}

TEST_F(ReceiveStreamTest, ResetForgetsTheLineUnderWay) {
  std::string name = "R.CR5";
  ASSERT_EQ(OpenReceiveFile(name), 0);
  for (const char c : std::string("12,1")) ASSERT_EQ(StoreReceivedByte(static_cast<std::uint8_t>(c)), 1);
  ResetLineState();
  for (const char c : std::string("5,1,2,3\n")) ASSERT_EQ(StoreReceivedByte(static_cast<std::uint8_t>(c)), 1);
  FinishReceiveFile();
  const auto records = RecordsOf(ReadBytes("R.CR5"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].pointNumber, 5);
}

TEST_F(ReceiveStreamTest, ExistingFileIsReplacedOnlyWhenAllowedOrRenamed) {
  WriteBytes("JOB1.CR5", "old");
  std::vector<std::string> asked;
  TheHostSeams().saveAs = [&](const std::string& proposed) -> std::optional<std::string> {
    asked.push_back(proposed);
    return std::nullopt;
  };
  EXPECT_EQ(ReceiveAll("job1.cr5", "1,1,1,1\n").open, -1);
  EXPECT_EQ(asked, std::vector<std::string>{"JOB1.CR5"});
  EXPECT_EQ(ReadBytes("JOB1.CR5"), "old");

  std::filesystem::create_directory("OTHER");
  const std::string chosen = std::filesystem::current_path().string() + "/OTHER/job1.cr5";
  TheHostSeams().saveAs = [&](const std::string&) -> std::optional<std::string> { return chosen; };
  const ReceiveOutcome renamed = ReceiveAll("job1.cr5", "5,1,1,1\n17,1,1,1\n3,1,1,1\n");
  EXPECT_EQ(renamed.open, 0);
  EXPECT_EQ(renamed.name, "job1.cr5");
  EXPECT_EQ(Slots().currentFileName, chosen);
  EXPECT_EQ(ReadBytes("JOB1.CR5"), "old");
  const std::string file = ReadBytes(chosen);
  EXPECT_EQ(HeaderOf(file).name, chosen.substr(0, 8));
  EXPECT_EQ(HeaderOf(file).highestPoint, 17);
  EXPECT_EQ(RecordsOf(file).size(), 3u);

  asked.clear();
  TheHostSeams().saveAs = [&](const std::string& proposed) -> std::optional<std::string> {
    asked.push_back(proposed);
    return std::nullopt;
  };
  Slots().overwriteExisting = 1;
  EXPECT_EQ(ReceiveAll("JOB1.CR5", "9,1,1,1\n").open, 0);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(RecordsOf(ReadBytes("JOB1.CR5")).size(), 1u);
}

TEST_F(ReceiveStreamTest, WithoutAHandlerAnExistingFileIsKept) {
  WriteBytes("KEEP.TXT", "mine\r\n");
  EXPECT_EQ(ReceiveAll("KEEP.TXT", "theirs\n").open, -1);
  EXPECT_EQ(ReadBytes("KEEP.TXT"), "mine\r\n");
}

TEST_F(ReceiveStreamTest, RefusedNamesCreateNothing) {
  for (const std::string name : {"JOB?.CR5", "AB:C", "", "A|B.TXT"}) {
    EXPECT_EQ(ReceiveAll(name, "1,1,1,1\n").open, -1) << name;
  }
  EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::current_path()));
  EXPECT_EQ(ReceiveAll("NODIR/A.TXT", "x\n").open, -1);  // the name is fine, the create fails
}

TEST_F(ReceiveStreamTest, WriteFailureIsNotMistakenForABadLine) {
  WriteBytes("FULL.TXT", "");
  TheHostSeams().saveAs = [](const std::string&) -> std::optional<std::string> { return "/dev/full"; };
  std::string lines;
  for (int i = 0; i < 4000; ++i) lines += "a line of text that will not fit\n";
  const ReceiveOutcome outcome = ReceiveAll("FULL.TXT", lines);
  EXPECT_EQ(outcome.open, 0);
  EXPECT_LT(outcome.store, 0);
  EXPECT_NE(outcome.store, kStoreNotCoordinateLine);

  // Nothing open to write to fails the same way.
  EXPECT_EQ(StoreReceivedByte('x'), 1);
  EXPECT_EQ(StoreReceivedByte('\n'), kStoreWriteFailed);
}

}  // namespace
}  // namespace corvane
