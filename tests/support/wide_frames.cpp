#include "support/wide_frames.h"

namespace corvane::testing {
namespace {

char CheckByte(std::string_view headerAndData) {
  unsigned total = 0;
  for (unsigned char byte : headerAndData) total += byte;
  const unsigned low12 = total % 4096;
  return static_cast<char>((low12 + ((low12 >> 6) & 3)) % 64 + 32);
}

}  // namespace

std::string WidePacket(char type, int sequence, std::string_view data, int checkBias) {
  const auto length = data.size();
  std::string packet{'\x01', static_cast<char>(length / 64 + 32), static_cast<char>(length % 64 + 32),
                     static_cast<char>(sequence + 32), type};
  packet += data;
  return packet + static_cast<char>(CheckByte(packet) + checkBias);
}

std::optional<WideFrame> ReadWidePacket(SerialPeer& peer, std::uint32_t timeoutMs) {
  std::string bytes = peer.Receive(3, timeoutMs);
  if (bytes.size() < 3 || bytes[0] != '\x01') return std::nullopt;
  const int length = (static_cast<unsigned char>(bytes[1]) - 32) * 64 + (static_cast<unsigned char>(bytes[2]) - 32);
  if (length < 0) return std::nullopt;
  bytes += peer.Receive(static_cast<std::size_t>(length) + 3, timeoutMs);
  if (bytes.size() < static_cast<std::size_t>(length) + 6) return std::nullopt;
  return WideFrame{bytes[4], static_cast<unsigned char>(bytes[3]) - 32, length, bytes.substr(5, length),
                   CheckByte(std::string_view(bytes).substr(0, bytes.size() - 1)) == bytes.back(), bytes};
}

}  // namespace corvane::testing
