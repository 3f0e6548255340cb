#include "wide/wide_client.h"

#include <cstring>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "platform/thread.h"
#include "serial/serial_io.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

constexpr std::uint32_t kHeaderAckDelayMs = 50;

enum ClientState {
  kAwaitInitAck = 2,
  kAwaitDataAck = 3,
  kAwaitSendInit = 6,
  kAwaitHeader = 7,
  kReceiving = 8,
  kAwaitRequestAck = 11,
  kAwaitEndAck = 12,
};

int FailWith(int code, WideLinkContext& context) {
  WideSendPacket('E', code, context);
  WideCloseFiles(context);
  return code;
}

bool RemoteSaysFileExists(const WideLinkContext& context) {
  static constexpr char kFileExists[] = "File exists";
  constexpr int kLength = sizeof kFileExists - 1;
  return context.rxLength >= kLength && std::memcmp(context.rxData, kFileExists, kLength) == 0;
}

// The packets that a transaction waits through when they come at the wrong moment.
bool IgnoredOutOfTurn(int value) {
  return value == 'S' || value == 'F' || value == 'D' || value == 'Z' || value == 'Y';
}

}  // namespace

int WideClientTransfer(int command, const std::string& localName, std::string& inOutName) {
  SerialFlushInput();
  switch (command) {
    case kCommandReceive:
      return WideTransaction(localName, 'v', inOutName);
    case kCommandSend:
      return WideTransaction(localName, 's', inOutName);
    case kCommandGet:
      return WideTransaction(localName, 'r', inOutName);
    default:
      return kResultFailed;
  }
}

int WideTransaction(const std::string& localName, char startType, std::string& inOutName) {
  WideLinkContext context;
  context.pendingType = startType;
  int state = 0;
  for (;;) {
    const int value = WideNextPacket(context);
    if (CancelRequested()) return FailWith(kErrorCancelledByUser, context);

    if (value == 'v') {
      WideReset(context);
      context.isSender = 0;
      state = kAwaitSendInit;
    } else if (value == 's') {
      WideReset(context);
      context.isSender = 1;
      WideSendPacket('S', 0, context);
      state = kAwaitInitAck;
    } else if (value == 'r') {
      WideReset(context);
      WideSendPacket('R', 0, context);
      context.isSender = 0;
      state = kAwaitRequestAck;
    } else if (value == 'S' && state == kAwaitSendInit) {
      WideAck(context);
      state = kAwaitHeader;
    } else if (value == 'F' && state == kAwaitHeader) {
      if (WideOpenOutput(context, localName, inOutName) < 0) return FailWith(kErrorCannotOpenFile, context);
      SleepMilliseconds(kHeaderAckDelayMs);
      WideAck(context);
      state = kReceiving;
    } else if (value == 'D' && state == kReceiving) {
      Session().bytesDone += context.rxLength;
      // A file that cannot be written is abandoned; the partial file goes with it.
      if (!WideWriteData(context)) return FailWith(kErrorCannotOpenFile, context);
      WideAck(context);
    } else if (value == kWideRepeatedData) {
      WideAckAgain(context);
    } else if (value == 'Z' && state == kReceiving) {
      if (!WideFinishOutput(context)) return FailWith(kErrorCannotOpenFile, context);
      WideAck(context);
      WideCloseFiles(context);
      return kResultSuccess;
    } else if (value == 'B') {
      WideAck(context);
      WideCloseFiles(context);
      return kResultSuccess;
    } else if (value == 'Y' && state == kAwaitInitAck) {
      if (WideSendHeader(localName, context, inOutName) != 0) return FailWith(kErrorCannotInitiateSend, context);
      state = kAwaitDataAck;
    } else if (value == 'Y' && state == kAwaitDataAck) {
      const int sent = WideSendData(context);
      if (sent == 0) {
        WideNextSeq(context);
        WideSendPacket('Z', 0, context);
        WideCloseFiles(context);
        // The send ends with the Z acknowledged, not merely written: a Z lost on
        // the line would otherwise report success for a file the remote never closed.
        state = kAwaitEndAck;
      }
      if (sent < 0) return FailWith(kErrorSendData, context);
    } else if (value == 'Y' && state == kAwaitEndAck) {
      return kResultSuccess;
    } else if (value == 'Y' && state == kAwaitRequestAck) {
      // Only a name too long for the peer can fail here; asking for it cut
      // would fetch another file.
      if (WideSendHeader(localName, context, inOutName) != 0) return FailWith(kErrorCannotInitiateSend, context);
      WideNextSeq(context);
      state = kAwaitHeader;
    } else if (value == 'E') {
      WideCloseFiles(context);
      return RemoteSaysFileExists(context) ? kResultFileExists : kResultFailed;
    } else if (!IgnoredOutOfTurn(value)) {
      WideCloseFiles(context);
      return kResultUnexpectedPacket;
    }
  }
}

}  // namespace corvane
