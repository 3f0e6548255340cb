#include "survey/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <string>

namespace corvane {
namespace {

struct LongCase {
  std::string text;
  std::int32_t value;
  std::size_t length;
  bool inRange;
};

TEST(ScanLong, ReadsLikeAtol) {
  const LongCase cases[] = {
      {"12", 12, 2, true},
      {"  \t-7x", -7, 5, true},
      {"+15,3", 15, 3, true},
      {"007", 7, 3, true},
      {"", 0, 0, true},
      {"-", 0, 0, true},
      {"x12", 0, 0, true},
      {" - 5", 0, 0, true},
      {"2147483647", 2147483647, 10, true},
      {"-2147483648", std::numeric_limits<std::int32_t>::min(), 11, true},
      {"2147483648", 2147483647, 10, false},
      {"-99999999999999999999999", std::numeric_limits<std::int32_t>::min(), 24, false},
  };
  for (const LongCase& c : cases) {
    const ScannedLong scanned = ScanLong(c.text);
    EXPECT_EQ(scanned.value, c.value) << c.text;
    EXPECT_EQ(scanned.length, c.length) << c.text;
    EXPECT_EQ(scanned.inRange, c.inRange) << c.text;
  }
}

struct DoubleCase {
  std::string text;
  double value;
  std::size_t length;
};

TEST(ScanDouble, ReadsLikeStrtod) {
  const DoubleCase cases[] = {
      {"25.5", 25.5, 4},
      {" -1000.5,", -1000.5, 8},
      {"+.5x", 0.5, 3},
      {"5.", 5.0, 2},
      {"1e3", 1000.0, 3},
      {"1e", 1.0, 1},
      {"2E-2,", 0.02, 4},
      {"0x10", 16.0, 4},
      {"0x", 0.0, 1},
      {"--5", 0.0, 0},
      {".", 0.0, 0},
      {"R", 0.0, 0},
      {"", 0.0, 0},
      {"1e999", std::numeric_limits<double>::infinity(), 5},
      {"-1e999", -std::numeric_limits<double>::infinity(), 6},
      {"1e-999", 0.0, 6},
  };
  for (const DoubleCase& c : cases) {
    const ScannedDouble scanned = ScanDouble(c.text);
    EXPECT_EQ(scanned.value, c.value) << c.text;
    EXPECT_EQ(scanned.length, c.length) << c.text;
  }
  EXPECT_TRUE(std::signbit(ScanDouble("-1e-999").value));
  EXPECT_TRUE(std::isnan(ScanDouble("nan").value));
  EXPECT_TRUE(std::isinf(ScanDouble("-INF").value));
}

TEST(FixedText, WritesLikePrintf) {
  EXPECT_EQ(FixedText(1000.5, 10), "1000.5000000000");
  EXPECT_EQ(FixedText(-99999.9999, 10), "-99999.9999000000");
  EXPECT_EQ(FixedText(25.5, 3), "25.500");
  EXPECT_EQ(FixedText(-0.0, 6), "-0.000000");
  EXPECT_EQ(FixedText(-1.7976931348623157e308, 10).size(), 1 + 309 + 1 + 10);
  EXPECT_EQ(LongText(-2147483647 - 1), "-2147483648");
}

// A comma-decimal locale installed for the whole program must not reach the files.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(NumberText, IgnoresTheGlobalLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  EXPECT_EQ(FixedText(1234567.25, 2), "1234567.25");
  EXPECT_EQ(ScanDouble("1234.5").value, 1234.5);
  EXPECT_EQ(LongText(1234567), "1234567");
  std::locale::global(previous);
}

}  // namespace
}  // namespace corvane
