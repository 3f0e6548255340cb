// The device's own framing code for both line formats: building frames,
// parsing them from a byte buffer, and the classic data-field encoding.
// Kept apart from the library's engines on purpose, so that a misreading of the
// protocol shared by both ends cannot hide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::dc {

inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::uint8_t kCr = 0x0D;
inline constexpr std::size_t kWideMaxData = 512;
// The check byte of the framing probe: a classic S carrying it is acknowledged
// by a wide-framing device and rejected as damaged by a classic one.
inline constexpr std::uint8_t kProbeCheckByte = 'G';

constexpr std::uint8_t ToChar(int value) { return static_cast<std::uint8_t>(value + 32); }
constexpr int UnChar(std::uint8_t c) { return static_cast<int>(c) - 32; }
constexpr std::uint8_t Ctl(std::uint8_t c) { return static_cast<std::uint8_t>(c ^ 64); }

enum class Framing { Classic, Wide };

struct Packet {
  char type = 0;
  int seq = 0;
  std::string data;  // raw field bytes: still prefix-encoded on the classic line
};

// Type-1 block check folded to six bits; the classic sum runs from LEN, the
// wide sum from SOH (the caller passes the bytes it covers).
int FoldedCheck(std::string_view covered);

// SOH LEN SEQ TYPE DATA CHECK EOL. `checkBias` moves the check character away
// from the correct one (1 for the presence probe); `forcedCheck`, when non-zero,
// replaces it outright (the framing probe's 'G').
std::string ClassicFrame(const Packet& packet, std::uint8_t eol, int checkBias = 0, std::uint8_t forcedCheck = 0);
// SOH LEN1 LEN2 SEQ TYPE DATA CHECK, nothing after. Data beyond 512 bytes is cut:
// no receiver accepts a longer field.
std::string WideFrame(const Packet& packet, int checkBias = 0);

enum class ParseStatus { NeedMore, Good, Damaged };

struct ParsedFrame {
  ParseStatus status = ParseStatus::NeedMore;
  Framing framing = Framing::Classic;
  Packet packet;
  std::uint8_t checkByte = 0;  // as it stood on the line
  std::size_t consumed = 0;    // bytes of the buffer this frame took
};

// `bytes` starts with SOH. Damaged covers a bad check and an impossible length.
ParsedFrame ParseClassicFrame(std::string_view bytes);
ParsedFrame ParseWideFrame(std::string_view bytes);
// What a wide device reads: a first length byte that no wide frame can carry
// (a field over 512 bytes) marks a classic frame, such as the framing probe.
ParsedFrame ParseWideLineFrame(std::string_view bytes);
// For the moment after the device's own framing probe, when the answer may be
// a classic ACK (from a probing PC) or a wide packet (from a PC that skipped
// the probe): a classic frame that checks wins, anything else is read as wide.
ParsedFrame ParseProbeAnswer(std::string_view bytes);

// Send-Init parameters, the six fields both ends announce.
struct SendInit {
  int maxLength = 94;
  int timeoutSeconds = 5;
  int padCount = 0;
  std::uint8_t padChar = 0;
  std::uint8_t eol = kCr;
  std::uint8_t controlPrefix = '#';

  std::string Encode() const;
  // Missing or unusable fields fall back to the protocol's defaults.
  static SendInit Decode(std::string_view field);
};

// Control-prefix encoding of file data, names and command texts.
std::string EncodeByte(std::uint8_t byte, std::uint8_t prefix);
// Encodes from `source` starting at `position` until the next byte would not
// fit in `limit`; advances `position` past the bytes taken.
std::string EncodeField(std::string_view source, std::size_t& position, std::size_t limit, std::uint8_t prefix);
std::string DecodeField(std::string_view field, std::uint8_t prefix);

// Generic command data: letter, tochar(length), argument. On the wide line a
// length character that reads '#' is doubled, as the PC's parser expects.
std::string GenericCommandData(char letter, std::string_view argument, Framing framing);
struct GenericCommand {
  char letter = 0;
  std::string argument;
};
// The field as it arrived (already decoded on the classic line). A length
// character that does not fit the field takes the rest as the argument.
GenericCommand ParseGenericCommand(std::string_view field, Framing framing);

// "-> S seq=0 len=6 data=~/ @-#": non-printable bytes as \xNN, long data cut.
std::string DescribePacket(const Packet& packet);

}  // namespace corvane::dc
