// The .CR5 byte layout's edges (the streams' tests pin whole files), the
// coordinate text line, number texts and polyline line conversions.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <locale>
#include <sstream>

#include "support/serial_peer.h"
#include "survey/coordinate.h"
#include "survey/number_text.h"
#include "survey/polyline.h"

namespace corvane::testing {
namespace {

CoordinateRecord Record(std::int32_t number, double a, double b, double c, std::string description) {
  return CoordinateRecord{number, {a, b, c}, std::move(description)};
}

template <std::size_t N>
std::string Bytes(const std::array<std::uint8_t, N>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string HexRun(int count, const std::string& byte = "00") {
  std::string hex;
  while (count-- > 0) hex += byte;
  return hex;
}

// Seventeen digits tell every double apart, so equal texts mean equal records.
std::string Text(const std::optional<CoordinateRecord>& record) {
  if (!record) return "none";
  std::ostringstream out;
  out.precision(17);
  out << record->pointNumber;
  for (const double value : record->coordinates) out << '|' << value;
  out << '|' << record->description;
  return out.str();
}

TEST(CoordinateLayout, HeaderAndRecordBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {Bytes(CoordinateHeader{}.Encode()), HexRun(30) + "01000000 FFFFFFFF"},
      // A longer description keeps 16 characters and the terminating zero.
      {Bytes(Record(-1, 0, 0, 0, std::string(20, 'D')).Encode()), "FFFFFFFF" + HexRun(24) + HexRun(16, "44") + "00"},
  };
  for (const auto& [bytes, hex] : cases) EXPECT_EQ(Hex(bytes), Hex(FromHex(hex)));

  // 0.1's first byte (0x9A) follows the point number: reading one byte too many shows.
  const CoordinateRecord record = Record(7, 0.1, -2.25, kMissingCoordinate, "TREE");
  EXPECT_EQ(Text(CoordinateRecord::Decode(record.Encode())), Text(record));
  // A record written elsewhere may fill all 17 description bytes; none is lost.
  auto full = Record(1, 0, 0, 0, std::string(16, 'D')).Encode();
  full[44] = 'E';
  EXPECT_EQ(CoordinateRecord::Decode(full).description, std::string(16, 'D') + "E");
}

TEST(CoordinateLine, ParsesWhatItFindsAndRefusesTheRest) {
  const std::pair<std::string, std::optional<CoordinateRecord>> cases[] = {
      {"12,1000.5,2000.25,15.125,\n", Record(12, 1000.5, 2000.25, 15.125, "")},
      {" 7, 1, 2, 3, two words \n", Record(7, 1, 2, 3, " two words ")},
      {"3,1,2,-99999.9899,NEAR\n", Record(3, 1, 2, -99999.9899, "NEAR")},
      {"4,1e3,0x10,3,ABCDEFGHIJKLMNOPQRSTU\n", Record(4, 1000, 16, 3, "ABCDEFGHIJKLMNOP")},
      {"5,1,2,3,A,B\r\n", Record(5, 1, 2, 3, "A,B")},
      {"6,+.5,5.,-0x1p1\n", Record(6, 0.5, 5, -2, "")},
      {"8,-1e999,1e-999,nan,X\n", Record(8, -INFINITY, 0, NAN, "X")},
      {"-2147483648,1,2,3,SLOT\n", Record(-2147483647 - 1, 1, 2, 3, "SLOT")},
      {"12,1000.5,2000.25\n", std::nullopt},
      {"12,1000.5,2000.25,\n", std::nullopt},
      {"12 ,1,2,3\n", std::nullopt},
      {"PT,1,2,3\n", std::nullopt},
      {"\n", std::nullopt},
      {"12,1,2,x3\n", std::nullopt},
      {"7,1e,2,3\n", std::nullopt},
      {"2147483648,1,2,3\n", std::nullopt},
      {std::string("12,1,2\0,3\n", 10), std::nullopt},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Text(ParseCoordinateLine(line)), Text(expected)) << line;

  // Only coordinate 3 below -99999.9999 is a missing height.
  EXPECT_EQ(CoordinateSendLine(Record(2, -100000.0, -100000.0, -1e30, "X")),
            "2,-100000.0000000000,-100000.0000000000,-99999.9999000000,X\n");
}

// A comma-decimal locale installed for the whole program must not reach the files.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(NumberText, IgnoresTheGlobalLocaleAndFitsEveryDouble) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  EXPECT_EQ(FixedText(1234567.25, 2), "1234567.25");
  EXPECT_EQ(ScanDouble("1234.5").value, 1234.5);
  EXPECT_EQ(LongText(1234567), "1234567");
  EXPECT_EQ(FixedText(-1.7976931348623157e308, 10).size(), 1 + 309 + 1 + 10u);  // the widest double fits
  std::locale::global(previous);
}

// The usual lines are pinned by the survey files' round trip through the device.
TEST(Polyline, SendRewritesPcLinesForTheDataCollector) {
  const std::pair<std::string, std::string> cases[] = {
      {"PR, 1 , 9x\n", "PT 1-9\n"}, {"PR,1\n", ""},         {"SS,7\n", "SS 7\n"},    {"SR,3\n", ""},
      {"SA,1,2,3\n", "SA,1,2,3\n"}, {"SC,9\n", "SC,9\n"},   {"Up and away\n", "PEN UP\n"}, {"D \n", "PEN DOWN\n"},
      {"pt,5\n", ""},                {"PT5\n", ""},           {"X,1\n", ""},             {"\n", ""},
      {"CR,10,11,25.5,Left,Right,1e2,-2.5,0\n", "CR 10-11,25.500,R,L,100.000,-2.500,0.000\n"},
      {"CR,10,11,25.5,L,R,100,200\n", ""},
      {"CR,99999,0,0.001,R,L,-0.005,99999.999,-12.345\n", "CR 99999-0,0.001,L,R,-0.005,99999.999,-12.345\n"},
  };
  for (const auto& [in, out] : cases) {
    std::string line = in;
    ConvertPolylineLineForSend(line);
    EXPECT_EQ(line, out) << in;
  }
}

TEST(Polyline, ReceiveRewritesDataCollectorLinesForThePc) {
  const std::tuple<std::string, std::string, int> cases[] = {
      {"PT 12\n", "PT,12\n", 1}, {"PT 12-15\n", "PR,12,15\n", 1}, {"PT -5\n", "PR,0,5\n", 1}, {"PT 99999999999\n", "PT,2147483647\n", 1},
      {"SS 4\n", "SS,4\n", 1},   {"SS 4-6\n", "SR,4,6\n", 1},     {"SS4-6\n", "SR,4,6\n", 1},
      {"SA,1,2\n", "SA,1,2\n", 0}, {"SC,3\n", "SC,3\n", 0},      {"PEN UP\n", "U \n", 0},
      {"PEN DOWN\n", "D \n", 0}, {"PEN\n", "", 0},               {"pt 12\n", "", 0},
      {"PT,12\n", "", 0},        {"\n", "", 0},
      {"CR 10-11,25.500,R,L,100.000,200.000,300.000\n", "CR,10,11,25.500000,L,R,100.000000,200.000000,300.000000\n", 1},
      {"CR 10-11,25.5,R,L,100,-200\n", "CR,10,11,25.500000,L,R,100.000000,-200.000000,0.000000\n", 1},
      {"CR 99999-0,0.001,L,R,-0.005,99999.999,-12.345\n", "CR,99999,0,0.001000,R,L,-0.005000,99999.999000,-12.345000\n", 1},
      {"CR 10-11,25.5,R,L,100\n", "", 0},
      {"CR 10,11,25.5,R,L,100,200,300\n", "", 0},
  };
  for (const auto& [in, out, rewritten] : cases) {
    std::string line = in;
    EXPECT_EQ(ConvertPolylineLineForReceive(line), rewritten) << in;
    EXPECT_EQ(line, out) << in;
  }
}

}  // namespace
}  // namespace corvane::testing
