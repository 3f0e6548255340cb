#include "support/wide_frames.h"

namespace corvane::testing {
namespace {

constexpr unsigned char kStart = 0x01;

char CheckByte(std::string_view headerAndData, int bias) {
  unsigned total = 0;
  for (unsigned char byte : headerAndData) total += byte;
  const unsigned low12 = total % 4096;
  const unsigned folded = (low12 + ((low12 >> 6) & 3)) % 64;
  return static_cast<char>(folded + 32 + static_cast<unsigned>(bias));
}

}  // namespace

std::string WidePacketWithLength(char type, int sequence, int length, std::string_view data) {
  std::string packet;
  packet += static_cast<char>(kStart);
  packet += static_cast<char>(length / 64 + 32);
  packet += static_cast<char>(length % 64 + 32);
  packet += static_cast<char>(sequence + 32);
  packet += type;
  packet.append(data);
  packet += CheckByte(packet, 0);
  return packet;
}

std::string WidePacket(char type, int sequence, std::string_view data, int checkBias) {
  std::string packet = WidePacketWithLength(type, sequence, static_cast<int>(data.size()), data);
  packet.back() = static_cast<char>(packet.back() + checkBias);
  return packet;
}

std::optional<WideFrame> ParseWidePacket(std::string_view bytes) {
  if (bytes.size() < 6 || static_cast<unsigned char>(bytes[0]) != kStart) return std::nullopt;
  WideFrame frame;
  frame.length = (static_cast<unsigned char>(bytes[1]) - 32) * 64 + (static_cast<unsigned char>(bytes[2]) - 32);
  if (frame.length < 0 || bytes.size() < static_cast<std::size_t>(frame.length) + 6) return std::nullopt;
  frame.sequence = static_cast<unsigned char>(bytes[3]) - 32;
  frame.type = bytes[4];
  frame.data = std::string(bytes.substr(5, static_cast<std::size_t>(frame.length)));
  frame.raw = std::string(bytes.substr(0, static_cast<std::size_t>(frame.length) + 6));
  frame.checkGood = CheckByte(bytes.substr(0, static_cast<std::size_t>(frame.length) + 5), 0) == frame.raw.back();
  return frame;
}

std::optional<WideFrame> ReadWidePacket(SerialPeer& peer, std::uint32_t timeoutMs) {
  std::string bytes = peer.Receive(3, timeoutMs);
  if (bytes.size() < 3 || static_cast<unsigned char>(bytes[0]) != kStart) return std::nullopt;
  const int length = (static_cast<unsigned char>(bytes[1]) - 32) * 64 + (static_cast<unsigned char>(bytes[2]) - 32);
  if (length < 0) return std::nullopt;
  bytes += peer.Receive(static_cast<std::size_t>(length) + 3, timeoutMs);
  return ParseWidePacket(bytes);
}

}  // namespace corvane::testing
