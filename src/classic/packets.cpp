#include <cstring>
#include <string>

#include "classic/classic_link.h"
#include "platform/thread.h"
#include "serial/serial_io.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterErrorPauseMs = 500;
// SOH, LEN, SEQ, TYPE before the data; CHECK, EOL and the stored zero after it.
constexpr int kPacketOverhead = 7;
constexpr int kMaxDataLength = static_cast<int>(kClassicBufferSize) - kPacketOverhead;

}  // namespace

int ClassicChecksum(const std::uint8_t* bytes) {
  unsigned sum = 0;
  for (; *bytes != 0; ++bytes) sum = (sum + *bytes) & 0xFF;
  return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

int ClassicBuildPacket(std::uint8_t type, int number, int length, const std::uint8_t* data, ClassicLinkState& link) {
  if (data == nullptr || length < 0) length = 0;
  if (length > kMaxDataLength) length = kMaxDataLength;
  std::uint8_t* packet = link.lastPacket;
  packet[0] = kSoh;
  packet[1] = static_cast<std::uint8_t>(length + 35);
  packet[2] = static_cast<std::uint8_t>(ToChar(number));
  packet[3] = type;
  if (length > 0) std::memcpy(packet + 4, data, static_cast<std::size_t>(length));
  packet[4 + length] = 0;
  packet[4 + length] = static_cast<std::uint8_t>(ToChar(ClassicChecksum(packet + 1)));
  packet[5 + length] = link.settings.sendEol;
  packet[6 + length] = 0;
  link.lastPacketLength = length + 6;
  return link.lastPacketLength;
}

int ClassicSendPacket(std::uint8_t type, int number, int length, const std::uint8_t* data, ClassicLinkState& link) {
  const int total = ClassicBuildPacket(type, number, length, data, link);
  Session().bytesDone += total - 6;
  return SerialSend(link.lastPacket, total);
}

int ClassicResend(ClassicLinkState& link) {
  if (link.lastPacket[0] == kSoh) return SerialSend(link.lastPacket, link.lastPacketLength);
  return ClassicSendNak(link);
}

int ClassicNextSequence(ClassicLinkState& link) {
  link.sequence = (link.sequence + 1) % 64;
  return link.sequence;
}

void ClassicReset(ClassicLinkState& link) {
  link.sequence = 0;
  link.errorFlag = EngineOutcome::Success;
  link.streams.ResetLineState();
  link.files.currentFileName.clear();
  link.receiveBuffer[0] = 0;
  link.lastPacket[0] = 0;
}

int ClassicSendAck(ClassicLinkState& link) {
  const int sent = ClassicSendPacket('Y', link.sequence, 0, nullptr, link);
  ClassicNextSequence(link);
  // A time-out after an empty ACK is answered with a NAK for the next packet.
  link.lastPacket[0] = 0;
  return sent;
}

int ClassicSendAckData(const char* text, ClassicLinkState& link) {
  const int length = static_cast<int>(std::strlen(text));
  const int sent = ClassicSendPacket('Y', link.sequence, length, reinterpret_cast<const std::uint8_t*>(text), link);
  ClassicNextSequence(link);
  return sent;
}

int ClassicSendNak(ClassicLinkState& link) { return ClassicSendPacket('N', link.sequence, 0, nullptr, link); }

void ClassicSendError(int code, ClassicLinkState& link) {
  std::string text;
  ProtocolErrorText(code, text);
  ClassicNextSequence(link);
  ClassicSendPacket('E', link.sequence, static_cast<int>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data()),
                    link);
  link.errorFlag = EngineOutcome::Failed;
  NoteErrorPacket(text, false);
  SleepMilliseconds(kAfterErrorPauseMs);
}

void ClassicFail(ClassicLinkState& link) { link.errorFlag = EngineOutcome::Failed; }

}  // namespace corvane
