// The binary layout of a .CR5 coordinate file (a 38-byte header, then 45-byte
// point records, all little-endian without padding) and the text line that
// carries one point to and from the Data Collector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::size_t kCoordinateHeaderSize = 38;
inline constexpr std::size_t kCoordinateRecordSize = 45;
inline constexpr std::size_t kHeaderNameSize = 8;
inline constexpr std::size_t kDescriptionFieldSize = 17;
// The longest description a record holds; the field keeps a terminating zero.
inline constexpr std::size_t kDescriptionMaxLength = kDescriptionFieldSize - 1;

// Coordinate 3 of a point that has none.
inline constexpr double kMissingCoordinate = -9.99e27;
// How the Data Collector writes and reads a missing coordinate 3.
inline constexpr double kMissingCoordinateSent = -99999.9999;
inline constexpr double kMissingCoordinateReceived = -99999.99;

struct CoordinateHeader {
  std::string name;                // at most 8 characters are stored
  std::int32_t highestPoint = 1;   // a blank header holds 1
  std::int32_t endMark = -1;

  std::array<std::uint8_t, kCoordinateHeaderSize> Encode() const;
  static CoordinateHeader Decode(const std::array<std::uint8_t, kCoordinateHeaderSize>& bytes);
};

struct CoordinateRecord {
  std::int32_t pointNumber = -1;  // 0 or less: an empty slot
  std::array<double, 3> coordinates{5000.0, 5000.0, 1000.0};
  std::string description;  // at most 16 characters are stored

  std::array<std::uint8_t, kCoordinateRecordSize> Encode() const;
  // The description runs to the first zero byte of its field, or over all 17 bytes.
  static CoordinateRecord Decode(const std::array<std::uint8_t, kCoordinateRecordSize>& bytes);
};

// "%ld,%.10lf,%.10lf,%.10lf,%s\n", a missing coordinate 3 written as -99999.9999.
std::string CoordinateSendLine(const CoordinateRecord& record);

// Reads "%ld,%lf,%lf,%lf,%[^\n\r]". Nothing when the point number and the three
// coordinates are not all there, or the point number does not fit in 32 bits.
// The description is cut to 16 characters, which is all the record keeps, and
// -99999.99 as coordinate 3 becomes the missing mark.
std::optional<CoordinateRecord> ParseCoordinateLine(std::string_view line);

}  // namespace corvane
