#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "platform/thread.h"
#include "session/result_codes.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterBreakPauseMs = 500;

enum class TransferState { Start, WaitInit, WaitHeader, WaitData, SendNext, SendData };

// One step of the machine; false when the run is over.
bool TransferStep(std::uint8_t type, TransferState& state, int& ackCounter, ClassicLinkState& link) {
  switch (type) {
    case 'v':
      ClassicReset(link);
      state = TransferState::WaitInit;
      return true;
    case 's':
      ClassicReset(link);
      ClassicSendInit('S', link);
      ackCounter = 0;
      state = TransferState::SendNext;
      return true;
    case 'B':
      ClassicSendAck(link);
      SleepMilliseconds(kAfterBreakPauseMs);
      return false;
    case 'E':
      ClassicTakePeerError(link);
      return false;
    default:
      break;
  }
  if (type == 'S' && state == TransferState::WaitInit) {
    ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
    ClassicSendAckData(ClassicInitData(link.settings).c_str(), link);
    state = TransferState::WaitHeader;
  } else if (type == 'F' && state == TransferState::WaitHeader) {
    if (ClassicOpenOutput(link) < 0) {
      ClassicSendError(kErrorCannotOpenFile, link);
      return false;
    }
    ClassicSendAck(link);
    state = TransferState::WaitData;
  } else if (type == 'D' && state == TransferState::WaitData) {
    ClassicSendAck(link);
    const int result = ClassicDecodeField(link);
    if (result < 0) {
      link.streams.ResetLineState();
      ClassicSendDecodeError(result, link);
      return false;
    }
  } else if (type == 'Z' && state == TransferState::WaitData) {
    if (ClassicCloseOutput(link) < 0) {
      ClassicSendError(kErrorCannotCloseFile, link);
      return false;
    }
    ClassicSendAck(link);
    state = TransferState::WaitHeader;
  } else if (type == 'Y' && state == TransferState::SendNext) {
    if (ClassicNextFileStep(ackCounter, kErrorCannotInitiateSend, link) != NextFileOutcome::HeaderSent) return false;
    state = TransferState::SendData;
  } else if (type == 'Y' && state == TransferState::SendData) {
    if (ClassicSendData(link) == 0) {
      ClassicSendEof("", link);
      state = TransferState::SendNext;
    }
  }
  return true;
}

}  // namespace

EngineOutcome ClassicTransferFile(ClassicLinkState& link) {
  TransferState state = TransferState::Start;
  int ackCounter = -1;
  return ClassicRunMachine(link, [&](std::uint8_t type) { return TransferStep(type, state, ackCounter, link); });
}

}  // namespace corvane
