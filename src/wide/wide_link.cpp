#include "wide/wide_link.h"

#include <algorithm>
#include <cstring>

#include "platform/paths.h"
#include "platform/thread.h"
#include "serial/serial_io.h"
#include "session/kermit_basics.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"

namespace corvane {
namespace {

constexpr std::uint32_t kErrorPauseMs = 1500;
constexpr std::uint32_t kStrayBytePauseMs = 100;
constexpr int kHeaderBytes = 5;  // SOH, LEN1, LEN2, SEQ, TYPE
constexpr int kFrameOverhead = kHeaderBytes + 1;
constexpr int kLargestSent = static_cast<int>(kWidePacketSize) - kFrameOverhead;

// Waits for a byte under SecondsTimer(limit), the timer already started.
bool AwaitByte(int limitSeconds) {
  while (SerialByteReady() == 0) {
    if (SecondsTimer(limitSeconds) == -1) return false;
  }
  return true;
}

bool WritePacket(char type, int length, WideLinkContext& context, int checkOffset) {
  if (type == 'E') SleepMilliseconds(kErrorPauseMs);
  // Error packets carry their code as the length; nothing this side sends is longer.
  if (length < 0 || length > kLargestSent) return false;
  std::uint8_t* packet = context.txPacket;
  packet[0] = kSoh;
  packet[1] = static_cast<std::uint8_t>(ToChar(length >> 6));
  packet[2] = static_cast<std::uint8_t>(ToChar(length % 64));
  packet[3] = static_cast<std::uint8_t>(ToChar(context.seq));
  packet[4] = static_cast<std::uint8_t>(type);
  packet[kHeaderBytes + length] = static_cast<std::uint8_t>(WideChecksum(packet, length + kHeaderBytes) + checkOffset);
  context.lastTxLength = length + kFrameOverhead;
  return SerialWrite(packet, static_cast<std::uint32_t>(context.lastTxLength));
}

// Sends an error packet, then reads and drops whatever the peer answers to it.
int GiveUp(int code, WideLinkContext& context) {
  WideSendPacket('E', code, context);
  WideReadPacket(context);
  return code;
}

}  // namespace

void WideReset(WideLinkContext& context) {
  context.seq = 0;
  context.rxLength = 0;
  context.rxSeq = 0;
  context.lastTxLength = 0;
  context.rxData = context.rxPacket + kWideDataOffset;
  context.txData = context.txPacket + kWideDataOffset;
  // A file still open here belongs to an abandoned exchange: close it rather
  // than leak it, and drop an unfinished output file.
  WideCloseFiles(context);
  Session().bytesDone = 0;
  Session().bytesTotal = 0;
}

void WideNextSeq(WideLinkContext& context) { context.seq = (context.seq + 1) & 63; }

int WideChecksum(const std::uint8_t* bytes, int count) {
  unsigned sum = 0;
  for (int i = 0; i < count; ++i) sum += bytes[i];
  sum &= 0xFFF;
  return static_cast<int>((sum + ((sum & 0xC0) / 64)) & 63);
}

bool WideSendPacket(char type, int length, WideLinkContext& context) {
  if (type == 'E') {
    std::string text;
    ProtocolErrorText(length, text);
    NoteErrorPacket(text, false);
  }
  return WritePacket(type, length, context, 32);
}

void WideSendProbePacket(char type, int length, WideLinkContext& context) {
  SleepMilliseconds(kErrorPauseMs);
  WritePacket(type, length, context, 33);
}

bool WideSendText(char type, const std::string& text, WideLinkContext& context) {
  // Refused rather than cut: a cut file name would name another file.
  if (text.size() > static_cast<std::size_t>(kWideTextLimit)) return false;
  std::memcpy(context.txData, text.data(), text.size());
  WideSendPacket(type, static_cast<int>(text.size()), context);
  return true;
}

void WideAck(WideLinkContext& context) {
  WideSendPacket('Y', 0, context);
  WideNextSeq(context);
}

void WideAckAgain(WideLinkContext& context) {
  context.seq = (context.seq + 63) & 63;
  WideAck(context);
}

void WideResend(WideLinkContext& context) {
  if (context.isSender) {
    SerialWrite(context.txPacket, static_cast<std::uint32_t>(context.lastTxLength));
  } else {
    WideSendPacket('N', 0, context);
  }
}

int WideReadFrame(WideLinkContext& context) {
  std::uint8_t* packet = context.rxPacket;
  packet[0] = 0;
  SecondsTimer(-1);
  while (SerialByteReady() == 0) {
    if (context.serverMode) {
      if (CancelRequested()) return kErrorCancelledByUser;
    } else if (SecondsTimer(2) == -1) {
      return kFrameNoStart;
    }
  }
  packet[0] = SerialGetByte();
  if (packet[0] != kSoh) {
    SleepMilliseconds(kStrayBytePauseMs);
    return kFrameNotSoh;
  }

  // LEN1, LEN2, SEQ, TYPE and CHECK are under way at least.
  SerialExpect(kFrameOverhead - 1);
  SecondsTimer(-1);
  if (!AwaitByte(2)) return kFrameNoLen1;
  packet[1] = SerialGetByte();
  if (!AwaitByte(2)) return kFrameNoLen2;
  packet[2] = SerialGetByte();

  const int length =
      UnChar(static_cast<signed char>(packet[1])) * 64 + UnChar(static_cast<signed char>(packet[2]));
  context.rxLength = length;
  if (length > kWideMaxData || length < 0) return kFrameBadLength;
  SerialExpect(static_cast<std::uint32_t>(length + kFrameOverhead - 3));

  for (int i = 3; i < length + kFrameOverhead; ++i) {
    SecondsTimer(-1);
    if (!AwaitByte(1)) return kFrameNoRest;
    packet[i] = SerialGetByte();
  }
  return length + kFrameOverhead;
}

int WideReadPacket(WideLinkContext& context) {
  context.rxSeq = -1;
  context.rxPacket[0] = 0;
  const int result = WideReadFrame(context);
  if (result == kFrameNotSoh || result == kFrameNoStart) return kWideTimedOut;
  if (result < 0) return kWideDamaged;
  // A cancelled server-mode wait leaves no start byte and ends here.
  if (context.rxPacket[0] != kSoh) return kWideDamaged;

  context.rxSeq = UnChar(context.rxPacket[3]);
  context.rxData = context.rxPacket + kWideDataOffset;
  const int check = UnChar(context.rxPacket[kHeaderBytes + context.rxLength]);
  if (check != WideChecksum(context.rxPacket, context.rxLength + kHeaderBytes)) return kWideDamaged;
  const int type = context.rxPacket[4];
  NotePacketRead(type);
  // Noted as it arrives: the request loop waits past an E, and a host may want its text meanwhile.
  if (type == 'E') NoteErrorPacket(WideRequestText(context), true);
  return type;
}

int WideNextPacket(WideLinkContext& context) {
  if (context.pendingType != 0) {
    const int pending = context.pendingType;
    context.pendingType = 0;
    return pending;
  }
  int ch = WideReadPacket(context);
  int tries = 0;
  int accepted = 0;
  for (;;) {
    const int nextSeq = (context.seq + 1) & 63;
    if (context.rxSeq == context.seq && ch != kWideTimedOut && ch != kWideDamaged && ch != 'N') {
      accepted = ch;
      break;
    }
    if (CancelRequested()) return 'E';
    if (ch == 'E') return 'E';
    if (tries > kRetryLimit) return GiveUp(kErrorWaitExpired, context);
    // Deliberately wider than the rule for data packets alone: any packet one
    // behind is the one just accepted, sent again because our acknowledgement
    // was lost. Read as out of sequence (an X is taken for a cancel) it would
    // end the transfer; as a repeat it is acknowledged again and costs a resend.
    if (ch != 'Y' && ch != 'N' && ch != kWideTimedOut && ch != kWideDamaged && context.rxSeq == ((context.seq + 63) & 63)) {
      accepted = kWideRepeatedData;
      break;
    }
    if (ch == 'X') return GiveUp(kErrorCancelledByUser, context);
    if (ch == 'D' && context.rxSeq == nextSeq) {
      accepted = 'Y';
      break;
    }
    if (ch == 'D' && (context.rxSeq < context.seq || (context.rxSeq == 63 && context.seq == 0))) {
      accepted = kWideRepeatedData;
      break;
    }
    if (ch == 'D' && context.rxSeq > context.seq) return GiveUp(kErrorPacketLost, context);
    if (ch == 'Y') {
      accepted = 'Y';
      break;
    }
    SerialFlushInput();
    WideResend(context);
    ch = WideReadPacket(context);
    tries = context.serverMode ? 0 : tries + 1;
  }
  // Stop-and-wait: whatever arrived behind the accepted packet is stale.
  SerialFlushInput();
  return accepted;
}

std::string WideRequestText(const WideLinkContext& context) {
  const int length = std::clamp(context.rxLength, 0, kWideTextLimit);
  const std::uint8_t* data = context.rxData;
  return std::string(data, std::find(data, data + length, 0));
}

void WideCloseFiles(WideLinkContext& context) {
  if (context.outFile.IsOpen()) {
    context.outFile.Close();
    RemoveFile(context.fileName, context.root);
  }
  if (context.inFile.IsOpen()) context.inFile.Close();
}

}  // namespace corvane
