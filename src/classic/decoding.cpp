#include "classic/classic_link.h"

namespace corvane {

int ClassicPutByte(std::uint8_t byte, ClassicLinkState& link) {
  if (link.decodeTarget == nullptr) return link.streams.StoreReceivedByte(byte);
  // Bytes beyond the caller's capacity are dropped; the place at the end is the terminator's.
  if (link.decodeTarget < link.decodeTargetEnd) *link.decodeTarget++ = byte;
  return 1;
}

int ClassicDecodeField(ClassicLinkState& link) {
  const std::uint8_t* in = link.receivedData;
  if (in == nullptr) return 0;
  const std::uint8_t prefix = link.settings.peerPrefix;
  for (;;) {
    std::uint8_t byte = *in++;
    if (byte == 0) return 0;
    if (byte == prefix) {
      byte = *in++;
      if (byte == 0) return 0;  // a prefix with nothing after it ends the field
      const int low = byte & 0x7F;
      if (low >= 63 && low <= 95) byte = static_cast<std::uint8_t>(Ctl(byte));
    }
    const int result = ClassicPutByte(byte, link);
    if (result < 0) return result;
  }
}

int ClassicDecodeToBuffer(char* buffer, int capacity, ClassicLinkState& link) {
  if (buffer == nullptr || capacity <= 0) return 0;
  link.decodeTarget = reinterpret_cast<std::uint8_t*>(buffer);
  link.decodeTargetEnd = link.decodeTarget + (capacity - 1);
  ClassicDecodeField(link);
  *link.decodeTarget = 0;
  link.decodeTarget = nullptr;
  link.decodeTargetEnd = nullptr;
  return 0;
}

}  // namespace corvane
