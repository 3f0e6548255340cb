#include <algorithm>

#include "classic/classic_link.h"
#include "serial/serial_io.h"
#include "session/transfer_session.h"

namespace corvane {

bool ClassicParseLine(int lineLength, std::uint8_t& type, std::uint8_t& check, ClassicLinkState& link) {
  std::uint8_t* line = link.receiveBuffer;
  int start = 0;
  while (start < lineLength && line[start] != kSoh) ++start;
  // SOH, LEN, SEQ and TYPE must all lie within the line before LEN is believed.
  if (start + 3 >= lineLength) return false;
  link.receivedLength = line[start + 1] - 35;
  link.receivedSequence = UnChar(line[start + 2]);
  type = line[start + 3];
  // A zero TYPE would read as the failed-wait result further up.
  if (type == 0) return false;
  const int checkAt = start + 4 + link.receivedLength;
  if (link.receivedLength < 0 || checkAt >= lineLength) return false;
  link.receivedData = line + start + 4;
  check = line[checkAt];
  line[checkAt] = 0;
  return true;
}

int ClassicLineRemainder(const std::uint8_t* line, int stored) {
  constexpr int kShortestAfterSoh = 5;
  int start = 0;
  while (start < stored && line[start] != kSoh) ++start;
  if (start == stored) return 0;
  if (stored - start < 2) return start + 1 + kShortestAfterSoh - stored;
  // LEN counts SEQ to CHECK; the end of line follows.
  const int end = start + 2 + UnChar(line[start + 1]) + 1;
  return std::max(end, start + 1 + kShortestAfterSoh) - stored;
}

int ClassicReadLine(ClassicLinkState& link) {
  link.receivedLength = -1;
  link.receivedSequence = -1;
  link.receiveBuffer[0] = 0;
  // Until a packet is parsed the data field reads as empty, never as stale bytes.
  link.receivedData = link.receiveBuffer;
  return SerialReadLine(link.receiveBuffer, kClassicLineLimit, link.settings.receiveEol, link.settings.timeoutSeconds,
                        ClassicLineRemainder);
}

std::uint8_t ClassicReadPacket(ClassicLinkState& link) {
  const int length = ClassicReadLine(link);
  if (length == -1) return 'T';
  if (length == -2) return 'X';
  std::uint8_t type = 0;
  std::uint8_t check = 0;
  if (!ClassicParseLine(length, type, check, link)) return 'Q';
  const std::uint8_t* start = link.receivedData - 3;
  if (UnChar(check) != ClassicChecksum(start)) return 'Q';
  Session().bytesDone += link.receivedLength;
  NotePacketRead(type);
  return type;
}

std::uint8_t ClassicReceive(ClassicLinkState& link) {
  if (link.pendingPacketType != 0) {
    const int pending = link.pendingPacketType;
    link.pendingPacketType = 0;
    return static_cast<std::uint8_t>(pending);
  }
  std::uint8_t type = ClassicReadPacket(link);
  for (int retries = 0;; ++retries) {
    if (link.receivedSequence == link.sequence && type != 'T' && type != 'Q' && type != 'N') {
      SerialFlushInput();
      return type;
    }
    if (CancelRequested()) return 'E';
    if (type == 'E' || type == 'G') return type;
    if (retries > kRetryLimit) {
      ClassicFail(link);
      return 0;
    }
    if (type == 'N' && link.receivedSequence == (link.sequence + 1) % 64) return 'Y';
    ClassicResend(link);
    type = ClassicReadPacket(link);
  }
}

}  // namespace corvane
