#include "support/kermit_frames.h"

namespace corvane::testing {
namespace {

char CheckCharacter(std::string_view counted) {
  unsigned total = 0;
  for (unsigned char c : counted) total += c;
  total &= 0xFF;
  return static_cast<char>(((total + (total >> 6 & 3)) & 63) + 32);
}

}  // namespace

std::string KermitPacket(char type, int sequence, std::string_view data, char endOfLine) {
  std::string counted{static_cast<char>(data.size() + 3 + 32), static_cast<char>(sequence + 32), type};
  counted += data;
  return '\x01' + counted + CheckCharacter(counted) + endOfLine;
}

std::optional<KermitFrame> ParseKermitPacket(std::string_view bytes) {
  const std::size_t soh = bytes.find('\x01');
  if (soh == std::string_view::npos || bytes.size() < soh + 5) return std::nullopt;
  const std::size_t counted = static_cast<unsigned char>(bytes[soh + 1]) - 32u;
  if (counted < 3 || bytes.size() < soh + 2 + counted) return std::nullopt;
  return KermitFrame{bytes[soh + 3], static_cast<unsigned char>(bytes[soh + 2]) - 32,
                     std::string(bytes.substr(soh + 4, counted - 3)),
                     bytes[soh + 1 + counted] == CheckCharacter(bytes.substr(soh + 1, counted))};
}

}  // namespace corvane::testing
