// Reading and writing the numbers of survey files. The files are exchanged with
// software that always writes '.', so nothing here looks at any locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

struct ScannedLong {
  std::int32_t value = 0;   // saturated to 32 bits, as the Data Collector's longs are
  std::size_t length = 0;   // characters taken, blanks included; 0 when there is no number
  bool inRange = true;      // false when the digits did not fit in 32 bits
};

struct ScannedDouble {
  double value = 0.0;
  std::size_t length = 0;  // characters taken, blanks included; 0 when there is no number
};

// Like atol/strtol: leading white space, an optional sign, decimal digits.
ScannedLong ScanLong(std::string_view text);
// Like strtod: leading white space, sign, decimal or hexadecimal forms, inf and
// nan; an out-of-range value becomes +-infinity or a signed zero.
ScannedDouble ScanDouble(std::string_view text);

inline std::int32_t ReadLong(std::string_view text) { return ScanLong(text).value; }
inline double ReadDouble(std::string_view text) { return ScanDouble(text).value; }

// printf "%.<decimals>f" and "%ld".
std::string FixedText(double value, int decimals);
std::string LongText(std::int32_t value);

}  // namespace corvane
