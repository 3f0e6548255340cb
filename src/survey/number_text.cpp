#include "survey/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

// White space as the C locale knows it.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// Whether a decimal text that from_chars found out of range was too large
// (rather than too small): the place of its first significant digit plus its
// exponent tells.
bool DecimalTextOverflows(std::string_view text) {
  long magnitude = 0;
  bool seenPoint = false;
  bool seenSignificant = false;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    if (!IsDigit(c)) break;
    if (!seenSignificant && c != '0') seenSignificant = true;
    if (seenSignificant && !seenPoint) ++magnitude;
    if (!seenSignificant && seenPoint) --magnitude;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    const ScannedLong exponent = ScanLong(text.substr(i + 1));
    magnitude += exponent.value;
  }
  return magnitude > 0;
}

bool HexTextOverflows(std::string_view text) {
  const std::size_t p = text.find_first_of("pP");
  return p == std::string_view::npos || p + 1 >= text.size() || text[p + 1] != '-';
}

}  // namespace

ScannedLong ScanLong(std::string_view text) {
  ScannedLong result;
  std::size_t i = SkipBlanks(text);
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::uint64_t magnitude = 0;
  const char* digits = text.data() + i;
  const auto [end, error] = std::from_chars(digits, text.data() + text.size(), magnitude);
  if (end == digits) return result;
  result.length = static_cast<std::size_t>(end - text.data());
  // Digits beyond 64 bits are simply more than any 32-bit value.
  if (error == std::errc::result_out_of_range) magnitude = std::numeric_limits<std::uint64_t>::max();
  constexpr std::uint64_t kHigh = std::numeric_limits<std::int32_t>::max();
  const std::uint64_t limit = negative ? kHigh + 1 : kHigh;
  result.inRange = magnitude <= limit;
  const auto clamped = static_cast<std::int64_t>(std::min(magnitude, limit));
  result.value = static_cast<std::int32_t>(negative ? -clamped : clamped);
  return result;
}

ScannedDouble ScanDouble(std::string_view text) {
  ScannedDouble result;
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // from_chars takes a minus sign of its own; a second sign is no number.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return result;

  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  const bool hex = last - first >= 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X');
  double value = 0.0;
  std::from_chars_result parsed{};
  if (hex) {
    parsed = std::from_chars(first + 2, last, value, std::chars_format::hex);
    if (parsed.ec == std::errc::invalid_argument) {
      // "0x" without hexadecimal digits reads as the number 0.
      parsed = {first + 1, std::errc{}};
      value = 0.0;
    }
  } else {
    parsed = std::from_chars(first, last, value, std::chars_format::general);
  }
  if (parsed.ec == std::errc::invalid_argument) return result;
  if (parsed.ec == std::errc::result_out_of_range) {
    const std::string_view matched(first, static_cast<std::size_t>(parsed.ptr - first));
    const bool overflow = hex ? HexTextOverflows(matched) : DecimalTextOverflows(matched);
    value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
  }
  result.value = negative ? -value : value;
  result.length = static_cast<std::size_t>(parsed.ptr - text.data());
  return result;
}

std::string FixedText(double value, int decimals) {
  // Room for the largest double written out in full (309 digits) and its decimals.
  std::array<char, 400> buffer{};
  const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                     std::chars_format::fixed, decimals);
  if (written.ec != std::errc{}) return {};
  return std::string(buffer.data(), written.ptr);
}

std::string LongText(std::int32_t value) {
  std::array<char, 16> buffer{};
  const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), written.ptr);
}

}  // namespace corvane
