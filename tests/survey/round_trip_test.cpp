// Files sent to the Data Collector and received back come home unchanged.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "stream_harness.h"
#include "survey/number_text.h"

namespace corvane {
namespace {

using testing::CoordinateFile;
using testing::ReadBytes;
using testing::ReceiveAll;
using testing::RecordsOf;
using testing::SendAll;
using testing::WriteBytes;

class RoundTripTest : public testing::SurveyStreamTest {
 protected:
  void SetUp() override {
    SurveyStreamTest::SetUp();
    Slots().overwriteExisting = 1;  // every round receives into the same file
  }

  std::mt19937 random_{20240611};

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Values the ten decimals of the text form carry exactly: a few decimals at
  // moderate size, or any double from 2^20 up, whose spacing exceeds 1e-10.
  double Coordinate() {
    if (Between(0, 1) == 0) return Between(-999999999, 999999999) / 10000.0;
    const double magnitude = std::uniform_real_distribution<double>(1048576.0, 8388608.0)(random_);
    return Between(0, 1) == 0 ? magnitude : -magnitude;
  }

  std::string Description() {
    std::string text;
    const int length = Between(0, 16);
    for (int i = 0; i < length; ++i) text.push_back(static_cast<char>(Between(32, 126)));
    return text;
  }
};

TEST_F(RoundTripTest, CoordinateFilesKeepTheirRecords) {
  for (int round = 0; round < 40; ++round) {
    std::vector<CoordinateRecord> all;
    std::vector<CoordinateRecord> points;
    const int count = Between(0, 60);
    for (int i = 0; i < count; ++i) {
      CoordinateRecord record;
      record.pointNumber = Between(0, 4) == 0 ? -Between(0, 5) : Between(1, 2147483647);
      record.coordinates = {Coordinate(), Coordinate(), Between(-99999999, 99999999) / 1000.0};
      // That one value comes back as the missing mark.
      if (record.coordinates[2] == kMissingCoordinateReceived) record.coordinates[2] = 0.0;
      record.description = Description();
      all.push_back(record);
      if (record.pointNumber > 0) points.push_back(record);
    }
    WriteBytes("OUT.CR5", CoordinateFile(all));
    const std::string sent = SendAll("OUT.CR5");
    const testing::ReceiveOutcome outcome = ReceiveAll("BACK.CR5", sent);
    ASSERT_EQ(outcome.open, 0);
    ASSERT_EQ(outcome.store, 1) << sent;

    const std::vector<CoordinateRecord> back = RecordsOf(ReadBytes("BACK.CR5"));
    ASSERT_EQ(back.size(), points.size());
    std::int32_t highest = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
      EXPECT_EQ(back[i].Encode(), points[i].Encode()) << "round " << round << " record " << i << ": " << sent;
      highest = std::max(highest, points[i].pointNumber);
    }
    EXPECT_EQ(testing::HeaderOf(ReadBytes("BACK.CR5")).highestPoint, highest);
  }
}

TEST_F(RoundTripTest, PolylineFilesKeepTheirLines) {
  auto number = [&] { return std::to_string(Between(0, 99999)); };
  auto decimal = [&] { return FixedText(Between(-9999999, 9999999) / 1000.0, 6); };
  auto letter = [&] { return std::string(1, static_cast<char>(Between('A', 'Z'))); };
  auto anyText = [&] {
    std::string text;
    for (int i = Between(0, 40); i > 0; --i) text.push_back(static_cast<char>(Between(32, 126)));
    return text;
  };
  for (int round = 0; round < 40; ++round) {
    std::string file;
    for (int i = Between(0, 40); i > 0; --i) {
      switch (Between(0, 8)) {
        case 0: file += "PT," + number(); break;
        case 1: file += "PR," + number() + "," + number(); break;
        case 2: file += "SS," + number(); break;
        case 3: file += "SR," + number() + "," + number(); break;
        case 4: file += "SA," + anyText(); break;
        case 5: file += "SC," + anyText(); break;
        case 6:
          file += "CR," + number() + "," + number() + "," + decimal() + "," + letter() + "," + letter() + "," +
                  decimal() + "," + decimal() + "," + decimal();
          break;
        case 7: file += "U "; break;
        default: file += "D "; break;
      }
      file += "\r\n";
    }
    WriteBytes("OUT.PL5", file);
    const std::string sent = SendAll("OUT.PL5");
    const testing::ReceiveOutcome outcome = ReceiveAll("BACK.PL5", sent);
    ASSERT_EQ(outcome.open, 0);
    ASSERT_EQ(outcome.store, 1);
    EXPECT_EQ(ReadBytes("BACK.PL5"), file) << "sent:\n" << sent;
  }
}

}  // namespace
}  // namespace corvane
