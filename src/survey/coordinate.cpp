#include "survey/coordinate.h"

#include <algorithm>
#include <bit>

#include "survey/number_text.h"

namespace corvane {

namespace {

template <std::size_t N>
void PutInt32(std::array<std::uint8_t, N>& bytes, std::size_t offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

template <std::size_t N>
std::int32_t GetInt32(const std::array<std::uint8_t, N>& bytes, std::size_t offset) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4; ++i) bits |= std::uint32_t{bytes[offset + i]} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

template <std::size_t N>
void PutDouble(std::array<std::uint8_t, N>& bytes, std::size_t offset, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

template <std::size_t N>
double GetDouble(const std::array<std::uint8_t, N>& bytes, std::size_t offset) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 8; ++i) bits |= std::uint64_t{bytes[offset + i]} << (8 * i);
  return std::bit_cast<double>(bits);
}

// Copies at most `size` characters; the bytes behind them stay zero.
template <std::size_t N>
void PutText(std::array<std::uint8_t, N>& bytes, std::size_t offset, std::size_t size, const std::string& text) {
  const std::size_t count = std::min(size, text.size());
  for (std::size_t i = 0; i < count; ++i) bytes[offset + i] = static_cast<std::uint8_t>(text[i]);
}

template <std::size_t N>
std::string GetText(const std::array<std::uint8_t, N>& bytes, std::size_t offset, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size && bytes[offset + i] != 0; ++i) text.push_back(static_cast<char>(bytes[offset + i]));
  return text;
}

constexpr std::size_t kHeaderHighestOffset = 30;
constexpr std::size_t kHeaderEndMarkOffset = 34;
constexpr std::size_t kRecordDescriptionOffset = 28;

}  // namespace

std::array<std::uint8_t, kCoordinateHeaderSize> CoordinateHeader::Encode() const {
  std::array<std::uint8_t, kCoordinateHeaderSize> bytes{};
  PutText(bytes, 0, kHeaderNameSize, name);
  PutInt32(bytes, kHeaderHighestOffset, highestPoint);
  PutInt32(bytes, kHeaderEndMarkOffset, endMark);
  return bytes;
}

CoordinateHeader CoordinateHeader::Decode(const std::array<std::uint8_t, kCoordinateHeaderSize>& bytes) {
  CoordinateHeader header;
  header.name = GetText(bytes, 0, kHeaderNameSize);
  header.highestPoint = GetInt32(bytes, kHeaderHighestOffset);
  header.endMark = GetInt32(bytes, kHeaderEndMarkOffset);
  return header;
}

std::array<std::uint8_t, kCoordinateRecordSize> CoordinateRecord::Encode() const {
  std::array<std::uint8_t, kCoordinateRecordSize> bytes{};
  PutInt32(bytes, 0, pointNumber);
  for (std::size_t i = 0; i < coordinates.size(); ++i) PutDouble(bytes, 4 + 8 * i, coordinates[i]);
  PutText(bytes, kRecordDescriptionOffset, kDescriptionMaxLength, description);
  return bytes;
}

CoordinateRecord CoordinateRecord::Decode(const std::array<std::uint8_t, kCoordinateRecordSize>& bytes) {
  CoordinateRecord record;
  record.pointNumber = GetInt32(bytes, 0);
  for (std::size_t i = 0; i < record.coordinates.size(); ++i) record.coordinates[i] = GetDouble(bytes, 4 + 8 * i);
  record.description = GetText(bytes, kRecordDescriptionOffset, kDescriptionFieldSize);
  return record;
}

std::string CoordinateSendLine(const CoordinateRecord& record) {
  double third = record.coordinates[2];
  if (third < kMissingCoordinateSent) third = kMissingCoordinateSent;
  std::string line = LongText(record.pointNumber);
  for (const double value : {record.coordinates[0], record.coordinates[1], third}) {
    line += ',';
    line += FixedText(value, 10);
  }
  line += ',';
  line += record.description;
  line += '\n';
  return line;
}

std::optional<CoordinateRecord> ParseCoordinateLine(std::string_view line) {
  // The line is a zero-terminated text to the reader.
  line = line.substr(0, line.find('\0'));
  CoordinateRecord record;
  const ScannedLong point = ScanLong(line);
  if (point.length == 0 || !point.inRange) return std::nullopt;
  record.pointNumber = point.value;
  std::size_t at = point.length;
  for (double& coordinate : record.coordinates) {
    if (at >= line.size() || line[at] != ',') return std::nullopt;
    const ScannedDouble number = ScanDouble(line.substr(at + 1));
    if (number.length == 0) return std::nullopt;
    coordinate = number.value;
    at += 1 + number.length;
  }
  if (record.coordinates[2] == kMissingCoordinateReceived) record.coordinates[2] = kMissingCoordinate;
  if (at < line.size() && line[at] == ',') {
    const std::string_view rest = line.substr(at + 1);
    const std::string_view description = rest.substr(0, rest.find_first_of("\n\r"));
    record.description = std::string(description.substr(0, kDescriptionMaxLength));
  }
  return record;
}

}  // namespace corvane
