// Files of a test: whole-file reads and writes, bytes of every value, and .CR5
// files built byte by byte here, never with the product's own encoder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane::testing {

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Bytes of every value, in an order that is not a plain count.
std::string MixedBytes(std::size_t count);
// CR LF ended lines of printable characters, `total` bytes in all (a multiple of 60).
std::string TextLines(std::size_t total);

struct Point {
  std::int32_t number;
  double x, y, z;
  std::string description;  // up to 16 characters are kept
};
// A 38-byte header (the name, the highest point number at 30, -1 at 34), then
// 45-byte little-endian records.
std::string CoordinateFileBytes(const std::string& name, std::int32_t highest, const std::vector<Point>& points);

}  // namespace corvane::testing
