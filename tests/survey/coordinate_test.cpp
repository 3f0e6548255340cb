#include "survey/coordinate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace corvane {
namespace {

TEST(CoordinateRecord, EncodesLittleEndianWithoutPadding) {
  CoordinateRecord record;
  record.pointNumber = 0x01020304;
  record.coordinates = {1.0, -2.0, 0.5};
  record.description = "TREE";
  const auto bytes = record.Encode();
  const std::uint8_t point[] = {0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(std::memcmp(bytes.data(), point, 4), 0);
  // 1.0 is 0x3FF0000000000000, -2.0 is 0xC000000000000000.
  EXPECT_EQ(bytes[4 + 7], 0x3F);
  EXPECT_EQ(bytes[4 + 6], 0xF0);
  EXPECT_EQ(bytes[12 + 7], 0xC0);
  EXPECT_EQ(bytes[20 + 7], 0x3F);
  EXPECT_EQ(bytes[20 + 6], 0xE0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 28), "TREE");
  for (std::size_t i = 28 + 4; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << i;

  const CoordinateRecord back = CoordinateRecord::Decode(bytes);
  EXPECT_EQ(back.pointNumber, record.pointNumber);
  EXPECT_EQ(back.coordinates, record.coordinates);
  EXPECT_EQ(back.description, "TREE");
}

TEST(CoordinateRecord, DescriptionKeepsSixteenCharactersAndATerminator) {
  CoordinateRecord record;
  record.description = std::string(20, 'D');
  const auto bytes = record.Encode();
  EXPECT_EQ(bytes[44], 0);
  EXPECT_EQ(CoordinateRecord::Decode(bytes).description, std::string(16, 'D'));

  // A record written elsewhere may fill all 17 bytes; none of them is lost.
  auto full = bytes;
  full[44] = 'E';
  EXPECT_EQ(CoordinateRecord::Decode(full).description, std::string(16, 'D') + "E");
}

TEST(CoordinateHeader, BlankHeaderLayout) {
  const auto blank = CoordinateHeader{}.Encode();
  for (std::size_t i = 0; i < 30; ++i) EXPECT_EQ(blank[i], 0) << i;
  const std::uint8_t tail[] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::memcmp(blank.data() + 30, tail, 8), 0);
}

CoordinateRecord Point(std::int32_t number, double a, double b, double c, std::string description) {
  CoordinateRecord record;
  record.pointNumber = number;
  record.coordinates = {a, b, c};
  record.description = std::move(description);
  return record;
}

// Everything below -99999.9999 in coordinate 3, and only there, is a missing height.
TEST(CoordinateSendLine, MarksOnlyMissingHeights) {
  EXPECT_EQ(CoordinateSendLine(Point(1, 0, 0, -100000.0, "")), "1,0.0000000000,0.0000000000,-99999.9999000000,\n");
  EXPECT_EQ(CoordinateSendLine(Point(2, -100000.0, 0, -99999.99, "X")),
            "2,-100000.0000000000,0.0000000000,-99999.9900000000,X\n");
}

struct ParseCase {
  std::string line;
  std::optional<CoordinateRecord> expected;
};

TEST(ParseCoordinateLine, ReadsTheFieldsItFinds) {
  const ParseCase cases[] = {
      {"12,1000.5,2000.25,15.125,TREE\n", Point(12, 1000.5, 2000.25, 15.125, "TREE")},
      {"12,1000.5,2000.25,15.125\n", Point(12, 1000.5, 2000.25, 15.125, "")},
      {"12,1000.5,2000.25,15.125,\n", Point(12, 1000.5, 2000.25, 15.125, "")},
      {" 7, 1, 2, 3, two words \n", Point(7, 1, 2, 3, " two words ")},
      {"3,1,2,-99999.99,GONE\n", Point(3, 1, 2, kMissingCoordinate, "GONE")},
      {"3,1,2,-99999.9899,NEAR\n", Point(3, 1, 2, -99999.9899, "NEAR")},
      {"4,1,2,3,ABCDEFGHIJKLMNOPQRSTU\n", Point(4, 1, 2, 3, "ABCDEFGHIJKLMNOP")},
      {"5,1,2,3,A,B\n", Point(5, 1, 2, 3, "A,B")},
      {"-1,1,2,3,SLOT\n", Point(-1, 1, 2, 3, "SLOT")},
      {"12,1000.5,2000.25\n", std::nullopt},
      {"12,1000.5,2000.25,\n", std::nullopt},
      {"12 ,1,2,3\n", std::nullopt},
      {"PT,1,2,3\n", std::nullopt},
      {"\n", std::nullopt},
      {"12,1,2,x3\n", std::nullopt},
      {"99999999999,1,2,3\n", std::nullopt},
      {std::string("12,1,2\0,3\n", 10), std::nullopt},
  };
  for (const ParseCase& c : cases) {
    const std::optional<CoordinateRecord> parsed = ParseCoordinateLine(c.line);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.line;
    if (!parsed) continue;
    EXPECT_EQ(parsed->pointNumber, c.expected->pointNumber) << c.line;
    EXPECT_EQ(parsed->coordinates, c.expected->coordinates) << c.line;
    EXPECT_EQ(parsed->description, c.expected->description) << c.line;
  }
}

}  // namespace
}  // namespace corvane
