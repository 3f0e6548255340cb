#include "soak/soak_files.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace corvane::bench {

namespace fs = std::filesystem;

std::string SoakText(std::size_t total, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  for (std::size_t line = 0; text.size() < total; ++line) {
    std::string body = "line " + std::to_string(line) + " ";
    const std::size_t length = 20 + random() % 60;
    while (body.size() < length) body.push_back(static_cast<char>('!' + random() % 94));
    text += body + "\r\n";
  }
  return text;
}

std::string SoakBinary(std::size_t total, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes;
  for (std::size_t i = 0; i < total; ++i) bytes.push_back(static_cast<char>(i < 256 ? i : random() & 0xFF));
  std::shuffle(bytes.begin(), bytes.end(), random);
  return bytes;
}

namespace {

constexpr std::size_t kHeaderSize = 38;
constexpr std::size_t kRecordSize = 45;
constexpr std::size_t kDescriptionAt = 28;
constexpr std::size_t kDescriptionLength = 16;

struct Point {
  std::int32_t number;
  double x, y, z;
  std::string description;
};

// Coordinates in quarter and eighth units, which print exactly with ten decimals.
std::vector<Point> Points(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Point> points;
  for (int i = 1; i <= count; ++i) {
    points.push_back({i, 1000 + (random() % 40000) / 4.0, 2000 + (random() % 40000) / 8.0,
                      (random() % 4000) / 4.0, "PT" + std::to_string(i)});
  }
  return points;
}

template <typename T>
void Put(std::string& bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

}  // namespace

std::string CoordinateFile(int points, unsigned seed) {
  std::string file(kHeaderSize, '\0');
  std::memcpy(file.data(), "SOAKJOB", 7);
  Put(file, 30, std::int32_t{points});
  Put(file, 34, std::int32_t{-1});
  for (const Point& point : Points(points, seed)) {
    std::string record(kRecordSize, '\0');
    Put(record, 0, point.number);
    Put(record, 4, point.x);
    Put(record, 12, point.y);
    Put(record, 20, point.z);
    std::memcpy(record.data() + kDescriptionAt, point.description.data(),
                std::min(point.description.size(), kDescriptionLength));
    file += record;
  }
  return file;
}

std::string CoordinateLines(int points, unsigned seed) {
  std::string text;
  for (const Point& point : Points(points, seed)) {
    char line[160];
    std::snprintf(line, sizeof line, "%d,%.10f,%.10f,%.10f,%s\r\n", point.number, point.x, point.y, point.z,
                  point.description.c_str());
    text += line;
  }
  return text;
}

void WriteWhole(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string ReadWhole(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<fs::path> FindIgnoringCase(const fs::path& directory, const std::string& name) {
  auto lower = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
  };
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    if (lower(entry.path().filename().string()) == lower(name)) return entry.path();
  }
  return std::nullopt;
}

std::size_t FileCount(const fs::path& directory) {
  std::size_t count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) count += entry.is_regular_file();
  return count;
}

std::string ExpectedListing(const fs::path& directory, const std::string& shownPath) {
  std::vector<std::string> lines;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    lines.push_back(entry.is_directory() ? name + " <DIR>" : name + " " + std::to_string(entry.file_size()));
  }
  std::sort(lines.begin(), lines.end());
  std::string listing = shownPath + "\r\n";
  for (const std::string& line : lines) listing += line + "\r\n";
  return listing;
}

}  // namespace corvane::bench
