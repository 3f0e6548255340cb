// Survey test helpers: whole .CR5 files built byte by byte.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "survey/coordinate.h"

namespace corvane::testing {

inline CoordinateRecord Point(std::int32_t number, double a, double b, double c, std::string description) {
  return CoordinateRecord{number, {a, b, c}, std::move(description)};
}

template <std::size_t N>
std::string Bytes(const std::array<std::uint8_t, N>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::string CoordinateFile(const std::vector<CoordinateRecord>& records, const CoordinateHeader& header = {}) {
  std::string file = Bytes(header.Encode());
  for (const CoordinateRecord& record : records) file += Bytes(record.Encode());
  return file;
}

}  // namespace corvane::testing
