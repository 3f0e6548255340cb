#include "corvane-dc/wire.h"

#include <algorithm>
#include <cstdio>

namespace corvane::dc {
namespace {

std::uint8_t Byte(std::string_view bytes, std::size_t index) { return static_cast<std::uint8_t>(bytes[index]); }

ParsedFrame Damaged(Framing framing, std::size_t consumed) {
  ParsedFrame frame;
  frame.status = ParseStatus::Damaged;
  frame.framing = framing;
  frame.consumed = consumed;
  return frame;
}

// A complete frame of `total` bytes: SEQ at `seqAt`, TYPE after it, the data up
// to the check byte, which sums the bytes from `checkFrom` on.
ParsedFrame TakeApart(std::string_view bytes, Framing framing, std::size_t total, std::size_t seqAt, std::size_t checkFrom) {
  ParsedFrame frame;
  frame.framing = framing;
  frame.consumed = total;
  frame.packet.seq = UnChar(Byte(bytes, seqAt));
  frame.packet.type = bytes[seqAt + 1];
  frame.packet.data = std::string(bytes.substr(seqAt + 2, total - seqAt - 3));
  frame.checkByte = Byte(bytes, total - 1);
  const bool checks = frame.checkByte == ToChar(FoldedCheck(bytes.substr(checkFrom, total - 1 - checkFrom)));
  frame.status = checks ? ParseStatus::Good : ParseStatus::Damaged;
  return frame;
}

}  // namespace

int FoldedCheck(std::string_view covered) {
  unsigned sum = 0;
  for (char c : covered) sum += static_cast<std::uint8_t>(c);
  sum &= 0xFFF;
  return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

std::string ClassicFrame(const Packet& packet, std::uint8_t eol, int checkBias, std::uint8_t forcedCheck) {
  std::string frame;
  frame.push_back(static_cast<char>(kSoh));
  frame.push_back(static_cast<char>(ToChar(static_cast<int>(packet.data.size()) + 3)));
  frame.push_back(static_cast<char>(ToChar(packet.seq & 63)));
  frame.push_back(packet.type);
  frame += packet.data;
  const int check = FoldedCheck(std::string_view(frame).substr(1));
  frame.push_back(static_cast<char>(forcedCheck != 0 ? forcedCheck : ToChar(check + checkBias)));
  frame.push_back(static_cast<char>(eol));
  return frame;
}

std::string WideFrame(const Packet& packet, int checkBias) {
  const std::size_t n = std::min(packet.data.size(), kWideMaxData);
  std::string frame;
  frame.push_back(static_cast<char>(kSoh));
  frame.push_back(static_cast<char>(ToChar(static_cast<int>(n / 64))));
  frame.push_back(static_cast<char>(ToChar(static_cast<int>(n % 64))));
  frame.push_back(static_cast<char>(ToChar(packet.seq & 63)));
  frame.push_back(packet.type);
  frame.append(packet.data, 0, n);
  frame.push_back(static_cast<char>(ToChar(FoldedCheck(frame) + checkBias)));
  return frame;
}

ParsedFrame ParseClassicFrame(std::string_view bytes) {
  if (bytes.size() < 2) return {};
  const int fieldLength = UnChar(Byte(bytes, 1));  // SEQ, TYPE, DATA, CHECK
  // Extended-length packets (LEN of 0..2) are never negotiated by this device.
  if (fieldLength < 3) return Damaged(Framing::Classic, 2);
  const std::size_t total = 2 + static_cast<std::size_t>(fieldLength);
  if (bytes.size() < total) return {};
  return TakeApart(bytes, Framing::Classic, total, 2, 1);
}

ParsedFrame ParseWideFrame(std::string_view bytes) {
  if (bytes.size() < 3) return {};
  const int n = UnChar(Byte(bytes, 1)) * 64 + UnChar(Byte(bytes, 2));
  if (n < 0 || n > static_cast<int>(kWideMaxData)) return Damaged(Framing::Wide, 3);
  const std::size_t total = static_cast<std::size_t>(n) + 6;
  if (bytes.size() < total) return {};
  return TakeApart(bytes, Framing::Wide, total, 3, 0);
}

ParsedFrame ParseWideLineFrame(std::string_view bytes) {
  if (bytes.size() < 2) return {};
  if (UnChar(Byte(bytes, 1)) * 64 > static_cast<int>(kWideMaxData)) return ParseClassicFrame(bytes);
  return ParseWideFrame(bytes);
}

ParsedFrame ParseProbeAnswer(std::string_view bytes) {
  ParsedFrame classic = ParseClassicFrame(bytes);
  if (classic.status == ParseStatus::Good) return classic;
  // A short classic frame completes before a wide one of the same bytes would.
  if (classic.status == ParseStatus::NeedMore) {
    ParsedFrame wide = ParseWideFrame(bytes);
    if (wide.status == ParseStatus::Good) return wide;
    return {};
  }
  return ParseWideFrame(bytes);
}

std::string SendInit::Encode() const {
  std::string field;
  field.push_back(static_cast<char>(ToChar(maxLength)));
  field.push_back(static_cast<char>(ToChar(timeoutSeconds)));
  field.push_back(static_cast<char>(ToChar(padCount)));
  field.push_back(static_cast<char>(Ctl(padChar)));
  field.push_back(static_cast<char>(ToChar(eol)));
  field.push_back(static_cast<char>(controlPrefix));
  return field;
}

SendInit SendInit::Decode(std::string_view field) {
  SendInit init;
  init.maxLength = 80;
  init.timeoutSeconds = 5;
  auto field_at = [&](std::size_t index) { return index < field.size() ? Byte(field, index) : std::uint8_t{0}; };
  if (const int maxl = UnChar(field_at(0)); field.size() > 0 && maxl >= 10 && maxl <= 94) init.maxLength = maxl;
  if (const int time = UnChar(field_at(1)); field.size() > 1 && time > 0 && time <= 94) init.timeoutSeconds = time;
  if (field.size() > 2) init.padCount = std::max(0, UnChar(field_at(2)));
  if (field.size() > 3) init.padChar = Ctl(field_at(3));
  if (const int eol = UnChar(field_at(4)); field.size() > 4 && eol >= 2 && eol <= 31) init.eol = static_cast<std::uint8_t>(eol);
  const std::uint8_t prefix = field_at(5);
  if (field.size() > 5 && ((prefix >= 33 && prefix <= 62) || (prefix >= 96 && prefix <= 126))) init.controlPrefix = prefix;
  return init;
}

std::string EncodeByte(std::uint8_t byte, std::uint8_t prefix) {
  const std::uint8_t low = byte & 0x7F;
  if (low < 32 || low == 127) return {static_cast<char>(prefix), static_cast<char>(Ctl(byte))};
  if (low == prefix) return {static_cast<char>(prefix), static_cast<char>(byte)};
  return {static_cast<char>(byte)};
}

std::string EncodeField(std::string_view source, std::size_t& position, std::size_t limit, std::uint8_t prefix) {
  std::string field;
  while (position < source.size()) {
    const std::string encoded = EncodeByte(Byte(source, position), prefix);
    if (field.size() + encoded.size() > limit) break;
    field += encoded;
    ++position;
  }
  return field;
}

std::string DecodeField(std::string_view field, std::uint8_t prefix) {
  std::string decoded;
  for (std::size_t i = 0; i < field.size(); ++i) {
    std::uint8_t byte = Byte(field, i);
    if (byte == prefix) {
      if (++i == field.size()) break;  // a dangling prefix carries nothing
      byte = Byte(field, i);
      const std::uint8_t low = byte & 0x7F;
      if (low >= 63 && low <= 95) byte = Ctl(byte);
    }
    decoded.push_back(static_cast<char>(byte));
  }
  return decoded;
}

std::string GenericCommandData(char letter, std::string_view argument, Framing framing) {
  std::string data(1, letter);
  const char length = static_cast<char>(ToChar(static_cast<int>(std::min<std::size_t>(argument.size(), 94))));
  if (framing == Framing::Wide && length == '#') data.push_back('#');
  data.push_back(length);
  data += argument;
  return data;
}

GenericCommand ParseGenericCommand(std::string_view field, Framing framing) {
  GenericCommand command;
  if (field.empty()) return command;
  command.letter = field[0];
  std::size_t at = 1;
  if (framing == Framing::Wide && field.size() > 2 && field[1] == '#' && field[2] == '#') at = 2;
  if (at >= field.size()) return command;
  const int length = UnChar(Byte(field, at));
  const std::string_view rest = field.substr(at + 1);
  command.argument = std::string(length >= 0 && static_cast<std::size_t>(length) <= rest.size() ? rest.substr(0, static_cast<std::size_t>(length)) : rest);
  return command;
}

std::string DescribePacket(const Packet& packet) {
  constexpr std::size_t kShown = 48;
  std::string text = std::string(1, packet.type) + " seq=" + std::to_string(packet.seq) + " len=" + std::to_string(packet.data.size());
  if (packet.data.empty()) return text;
  text += " data=";
  for (std::size_t i = 0; i < packet.data.size() && i < kShown; ++i) {
    const std::uint8_t byte = Byte(packet.data, i);
    if (byte >= 32 && byte < 127 && byte != '\\') {
      text.push_back(static_cast<char>(byte));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  if (packet.data.size() > kShown) text += "...";
  return text;
}

}  // namespace corvane::dc
