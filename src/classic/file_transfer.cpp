#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "platform/thread.h"
#include "survey/survey_streams.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterBreakPauseMs = 500;

enum class TransferState { Start, WaitInit, WaitHeader, WaitData, SendNext, SendData };

// One step of the machine; false when the run is over.
bool TransferStep(std::uint8_t type, TransferState& state, int& ackCounter) {
  ClassicLinkState& link = ClassicLink();
  switch (type) {
    case 'v':
      ClassicReset();
      state = TransferState::WaitInit;
      return true;
    case 's':
      ClassicReset();
      ClassicSendInit('S');
      ackCounter = 0;
      state = TransferState::SendNext;
      return true;
    case 'B':
      ClassicSendAck();
      SleepMilliseconds(kAfterBreakPauseMs);
      return false;
    case 'E':
      ClassicTakePeerError();
      return false;
    default:
      break;
  }
  if (type == 'S' && state == TransferState::WaitInit) {
    ClassicAdoptParams(link.receivedData, link.receivedLength);
    ClassicSendAckData(ClassicInitData().c_str());
    state = TransferState::WaitHeader;
  } else if (type == 'F' && state == TransferState::WaitHeader) {
    if (ClassicOpenOutput() < 0) {
      ClassicSendError(kErrorCannotOpenFile);
      return false;
    }
    ClassicSendAck();
    state = TransferState::WaitData;
  } else if (type == 'D' && state == TransferState::WaitData) {
    ClassicSendAck();
    const int result = ClassicDecodeField();
    if (result < 0) {
      ResetLineState();
      ClassicSendDecodeError(result);
      return false;
    }
  } else if (type == 'Z' && state == TransferState::WaitData) {
    if (ClassicCloseOutput() < 0) {
      ClassicSendError(kErrorCannotCloseFile);
      return false;
    }
    ClassicSendAck();
    state = TransferState::WaitHeader;
  } else if (type == 'Y' && state == TransferState::SendNext) {
    if (ClassicNextFileStep(ackCounter, kErrorCannotInitiateSend) != NextFileOutcome::HeaderSent) return false;
    state = TransferState::SendData;
  } else if (type == 'Y' && state == TransferState::SendData) {
    if (ClassicSendData() == 0) {
      ClassicSendEof("");
      state = TransferState::SendNext;
    }
  }
  return true;
}

}  // namespace

void ClassicTransferFile() {
  TransferState state = TransferState::Start;
  int ackCounter = -1;
  ClassicRunMachine([&](std::uint8_t type) { return TransferStep(type, state, ackCounter); });
}

}  // namespace corvane
