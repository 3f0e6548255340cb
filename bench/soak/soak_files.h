// The files a soak run moves, and how it reads them back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvane::bench {

// Text lines ending in CR LF, as the classic line carries them unchanged.
std::string SoakText(std::size_t total, unsigned seed);
// Every byte value in a seed-dependent order, for the wide line.
std::string SoakBinary(std::size_t total, unsigned seed);

// A coordinate file of `points` numbered points (a 38-byte header, then
// 45-byte records), and the text lines the classic line carries for it.
std::string CoordinateFile(int points, unsigned seed);
std::string CoordinateLines(int points, unsigned seed);

void WriteWhole(const std::filesystem::path& path, const std::string& bytes);
std::string ReadWhole(const std::filesystem::path& path);
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory, const std::string& name);
// Regular files directly in `directory`.
std::size_t FileCount(const std::filesystem::path& directory);
// The listing a directory request should return for `directory`: its path
// from the served root, then one line per entry in name order.
std::string ExpectedListing(const std::filesystem::path& directory, const std::string& shownPath);

}  // namespace corvane::bench
