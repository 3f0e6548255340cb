#include "throughput/media.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace corvane::bench {
namespace {

constexpr std::size_t kWrapColumn = 76;
constexpr std::size_t kHeaderSize = 38;
constexpr std::size_t kRecordSize = 45;
constexpr std::size_t kDescriptionSize = 17;
constexpr std::uint32_t kTextSeed = 7;
constexpr std::uint32_t kPointSeed = 11;
constexpr std::uint32_t kBinarySeed = 13;

std::string MakeText(std::size_t size) {
  static const char* const kWords[] = {"station", "traverse", "benchmark", "north", "east", "elevation", "the",
                                       "of", "and", "survey", "closure", "bearing", "control", "point", "a", "to",
                                       "level", "azimuth", "instrument", "height", "prism", "backsight", "in"};
  std::mt19937 random(kTextSeed);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string text;
  std::string line;
  while (text.size() < size) {
    const std::string word = kWords[pick(random)];
    if (!line.empty() && line.size() + 1 + word.size() > kWrapColumn) {
      text += line + "\r\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  text.resize(size - 2);
  text += "\r\n";
  return text;
}

void PutLittleEndian(std::string& out, std::size_t at, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PutDouble(std::string& out, std::size_t at, double value) { std::memcpy(out.data() + at, &value, sizeof value); }

// A coordinate with four decimals, as the double nearest to that decimal: its
// text form then reads back to the very same double.
double FourDecimals(double base, int tenThousandths) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", base + tenThousandths / 10000.0);
  return std::strtod(text, nullptr);
}

void MakePoints(std::size_t textSize, std::string& binary, std::string& text) {
  std::mt19937 random(kPointSeed);
  std::uniform_int_distribution<int> offset(-999'999, 999'999);
  binary.assign(kHeaderSize, '\0');
  std::memcpy(binary.data(), "POINTS", 6);
  std::int32_t number = 0;
  while (text.size() < textSize) {
    ++number;
    const double north = FourDecimals(5000.0, offset(random));
    const double east = FourDecimals(5000.0, offset(random));
    const double height = FourDecimals(1000.0, offset(random));
    char description[kDescriptionSize] = {};
    std::snprintf(description, sizeof description, "STAKE %d", number);
    char line[160];
    std::snprintf(line, sizeof line, "%d,%.10f,%.10f,%.10f,%s\r\n", number, north, east, height, description);
    text += line;
    std::string record(kRecordSize, '\0');
    PutLittleEndian(record, 0, number);
    PutDouble(record, 4, north);
    PutDouble(record, 12, east);
    PutDouble(record, 20, height);
    std::memcpy(record.data() + 28, description, kDescriptionSize);
    binary += record;
  }
  PutLittleEndian(binary, 30, number);
  PutLittleEndian(binary, 34, -1);
}

}  // namespace

BenchMedia MakeMedia(std::size_t size) {
  BenchMedia media;
  media.text = MakeText(size);
  MakePoints(size, media.points, media.pointsText);
  std::mt19937 random(kBinarySeed);
  media.binary.resize(size);
  for (char& byte : media.binary) byte = static_cast<char>(random() & 0xFF);
  return media;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace corvane::bench
