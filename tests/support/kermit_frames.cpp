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
  std::string counted;
  counted += static_cast<char>(data.size() + 3 + 32);
  counted += static_cast<char>(sequence + 32);
  counted += type;
  counted += data;
  return std::string(1, '\x01') + counted + CheckCharacter(counted) + endOfLine;
}

std::optional<KermitFrame> ParseKermitPacket(std::string_view bytes) {
  const std::size_t soh = bytes.find('\x01');
  if (soh == std::string_view::npos || bytes.size() < soh + 5) return std::nullopt;
  const int counted = static_cast<unsigned char>(bytes[soh + 1]) - 32;
  if (counted < 3 || bytes.size() < soh + 2 + static_cast<std::size_t>(counted)) return std::nullopt;
  KermitFrame frame;
  frame.sequence = static_cast<unsigned char>(bytes[soh + 2]) - 32;
  frame.type = bytes[soh + 3];
  frame.data = std::string(bytes.substr(soh + 4, static_cast<std::size_t>(counted - 3)));
  frame.check = bytes[soh + 1 + static_cast<std::size_t>(counted)];
  frame.checkGood = frame.check == CheckCharacter(bytes.substr(soh + 1, static_cast<std::size_t>(counted)));
  return frame;
}

std::string KermitEncode(std::string_view raw) {
  std::string out;
  for (unsigned char c : raw) {
    const unsigned low = c & 0x7F;
    if (low < 32 || low == 127) {
      out += '#';
      out += static_cast<char>(c ^ 64);
    } else if (low == '#') {
      out += '#';
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace corvane::testing
