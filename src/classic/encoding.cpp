#include <algorithm>
#include <cstring>

#include "classic/classic_link.h"

namespace corvane {
namespace {

constexpr std::size_t kTextLimit = 99;
// Room for the widest encoded byte and the terminator behind any field.
constexpr int kLargestLimit = static_cast<int>(kEncodeBufferSize) - 3;
// One encoded byte may take two places; a smaller limit could never make progress.
constexpr int kSmallestLimit = 2;

}  // namespace

int ClassicNextByte(ClassicLinkState& link) {
  if (link.stringSource == nullptr) return link.streams.NextSendByte();
  if (*link.stringSource == 0) return -1;
  return *link.stringSource++;
}

void ClassicEncodeChar(std::uint8_t byte, ClassicLinkState& link) {
  if (link.encodedLength > kLargestLimit) return;
  const std::uint8_t prefix = link.settings.ourPrefix;
  std::uint8_t* out = link.encodeBuffer + link.encodedLength;
  const int low = byte & 0x7F;
  if (low < 32 || low == 127) {
    *out++ = prefix;
    *out++ = static_cast<std::uint8_t>(Ctl(byte));
  } else if (low == prefix) {
    *out++ = prefix;
    *out++ = byte;
  } else {
    *out++ = byte;
  }
  *out = 0;
  link.encodedLength = static_cast<int>(out - link.encodeBuffer);
}

int ClassicEncodeField(int limit, ClassicLinkState& link) {
  limit = std::clamp(limit, kSmallestLimit, kLargestLimit);
  link.encodedLength = 0;
  for (std::size_t i = 0; i + 1 < sizeof link.leftover && link.leftover[i] != 0; ++i) {
    link.encodeBuffer[link.encodedLength++] = link.leftover[i];
  }
  std::memset(link.leftover, 0, sizeof link.leftover);
  link.encodeBuffer[link.encodedLength] = 0;

  for (;;) {
    const int byte = ClassicNextByte(link);
    if (byte == -1) break;
    const int mark = link.encodedLength;
    ClassicEncodeChar(static_cast<std::uint8_t>(byte), link);
    // A line feed ends its field even when its prefix goes one byte past the
    // limit: the data budget keeps that byte free below the peer's MAXL.
    if (link.encodedLength == limit || byte == '\n') break;
    if (link.encodedLength > limit) {
      std::memcpy(link.leftover, link.encodeBuffer + mark, static_cast<std::size_t>(link.encodedLength - mark));
      link.encodedLength = mark;
      link.encodeBuffer[mark] = 0;
      break;
    }
  }
  return link.encodedLength;
}

// A name or request text never shares leftover with a file: whatever of it does
// not fit is dropped, and the file's own carry-over is left as it was.
int ClassicEncodeString(const std::string& text, ClassicLinkState& link) {
  std::uint8_t local[kTextLimit + 1] = {};
  std::memcpy(local, text.data(), std::min(text.size(), kTextLimit));

  std::uint8_t fileLeftover[sizeof link.leftover];
  std::memcpy(fileLeftover, link.leftover, sizeof fileLeftover);
  std::memset(link.leftover, 0, sizeof link.leftover);

  link.stringSource = local;
  const int length = ClassicEncodeField(link.settings.peerMaxLength, link);
  link.stringSource = nullptr;

  std::memcpy(link.leftover, fileLeftover, sizeof fileLeftover);
  return length;
}

}  // namespace corvane
