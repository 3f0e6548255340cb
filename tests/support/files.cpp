#include "support/files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace corvane::testing {
namespace {

template <typename Number>
void Append(std::string& bytes, Number value) {
  char raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);  // the build machine is little-endian, like the file format
  bytes.append(raw, sizeof raw);
}

}  // namespace

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string MixedBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
  return bytes;
}

std::string TextLines(std::size_t total) {
  std::string text;
  for (std::size_t line = 0; text.size() < total; ++line) {
    std::string body = "line " + std::to_string(line) + " ";
    for (std::size_t i = body.size(); i < 58; ++i) body.push_back(static_cast<char>('!' + (line * 7 + i) % 94));
    text += body + "\r\n";
  }
  return text;
}

std::string CoordinateFileBytes(const std::string& name, std::int32_t highest, const std::vector<Point>& points) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), name.data(), std::min<std::size_t>(name.size(), 8));
  bytes.append(22, '\0');
  Append(bytes, highest);
  Append(bytes, std::int32_t{-1});
  for (const Point& point : points) {
    Append(bytes, point.number);
    Append(bytes, point.x);
    Append(bytes, point.y);
    Append(bytes, point.z);
    std::string description(17, '\0');
    std::memcpy(description.data(), point.description.data(), std::min<std::size_t>(point.description.size(), 16));
    bytes += description;
  }
  return bytes;
}

}  // namespace corvane::testing
