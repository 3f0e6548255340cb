#include "wide/wide_client.h"

#include <cstring>

#include "platform/thread.h"
#include "serial/serial_io.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

constexpr std::uint32_t kHeaderAckDelayMs = 50;

enum class ClientState {
  Starting,
  AwaitInitAck,
  AwaitDataAck,
  AwaitSendInit,
  AwaitHeader,
  Receiving,
  AwaitRequestAck,
  AwaitEndAck,
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

int WideClientTransfer(TransferCommand command, const std::string& localName, std::string& inOutName,
                       bool overwriteExisting) {
  SerialFlushInput();
  switch (command) {
    case TransferCommand::Receive:
      return WideTransaction(localName, 'v', inOutName, overwriteExisting);
    case TransferCommand::Send:
      return WideTransaction(localName, 's', inOutName, overwriteExisting);
    case TransferCommand::Get:
      return WideTransaction(localName, 'r', inOutName, overwriteExisting);
    default:
      return kResultFailed;
  }
}

int WideTransaction(const std::string& localName, char startType, std::string& inOutName, bool overwriteExisting) {
  WideLinkContext context;
  context.pendingType = startType;
  context.overwriteExisting = overwriteExisting;
  ClientState state = ClientState::Starting;
  for (;;) {
    const int value = WideNextPacket(context);
    if (CancelRequested()) return FailWith(kErrorCancelledByUser, context);

    if (value == 'v') {
      WideReset(context);
      context.isSender = 0;
      state = ClientState::AwaitSendInit;
    } else if (value == 's') {
      WideReset(context);
      context.isSender = 1;
      WideSendPacket('S', 0, context);
      state = ClientState::AwaitInitAck;
    } else if (value == 'r') {
      WideReset(context);
      WideSendPacket('R', 0, context);
      context.isSender = 0;
      state = ClientState::AwaitRequestAck;
    } else if (value == 'S' && state == ClientState::AwaitSendInit) {
      WideAck(context);
      state = ClientState::AwaitHeader;
    } else if (value == 'F' && state == ClientState::AwaitHeader) {
      if (WideOpenOutput(context, localName, inOutName) != OutputOpen::Opened) {
        return FailWith(kErrorCannotOpenFile, context);
      }
      SleepMilliseconds(kHeaderAckDelayMs);
      WideAck(context);
      state = ClientState::Receiving;
    } else if (value == 'D' && state == ClientState::Receiving) {
      Session().bytesDone += context.rxLength;
      // A file that cannot be written is abandoned; the partial file goes with it.
      if (!WideWriteData(context)) return FailWith(kErrorCannotOpenFile, context);
      WideAck(context);
    } else if (value == kWideRepeatedData) {
      WideAckAgain(context);
    } else if (value == 'Z' && state == ClientState::Receiving) {
      if (!WideFinishOutput(context)) return FailWith(kErrorCannotOpenFile, context);
      WideAck(context);
      WideCloseFiles(context);
      return kResultSuccess;
    } else if (value == 'B') {
      WideAck(context);
      WideCloseFiles(context);
      return kResultSuccess;
    } else if (value == 'Y' && state == ClientState::AwaitInitAck) {
      if (WideSendHeader(localName, context, inOutName) != 0) return FailWith(kErrorCannotInitiateSend, context);
      state = ClientState::AwaitDataAck;
    } else if (value == 'Y' && state == ClientState::AwaitDataAck) {
      const int sent = WideSendData(context);
      if (sent == 0) {
        WideNextSeq(context);
        WideSendPacket('Z', 0, context);
        WideCloseFiles(context);
        // The send ends with the Z acknowledged, not merely written: a Z lost on
        // the line would otherwise report success for a file the remote never closed.
        state = ClientState::AwaitEndAck;
      }
      if (sent < 0) return FailWith(kErrorSendData, context);
    } else if (value == 'Y' && state == ClientState::AwaitEndAck) {
      return kResultSuccess;
    } else if (value == 'Y' && state == ClientState::AwaitRequestAck) {
      // Only a name too long for the peer can fail here; asking for it cut
      // would fetch another file.
      if (WideSendHeader(localName, context, inOutName) != 0) return FailWith(kErrorCannotInitiateSend, context);
      WideNextSeq(context);
      state = ClientState::AwaitHeader;
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
