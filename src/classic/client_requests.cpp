#include <algorithm>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/transfer_slots.h"
#include "platform/thread.h"
#include "survey/survey_streams.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterBreakPauseMs = 500;

enum class RequestState {
  Start,
  WaitInfoAck,
  WaitServerInit,
  WaitAnswer,
  WaitHeader,
  WaitData,
  AnswerStart,
  SendNext,
  SendData,
  SendDone,
};

struct RequestRun {
  RequestState state = RequestState::Start;
  bool generic = false;  // the request letter: G, or none for a get
  int ackCounter = -1;
};

// The G data as the server is to decode it. The generic command holds its '#'
// length character doubled, which is that character's encoded form; it goes
// back to one here so that the whole field is encoded exactly once.
std::string GenericRequestText() {
  const auto& command = Slots().genericCommand;
  std::string text(command.begin(), std::find(command.begin(), command.end(), '\0'));
  if (text.size() >= 3 && text[1] == '#' && text[2] == '#') text.erase(2, 1);
  return text;
}

void SendRequest(RequestRun& run) {
  if (run.generic) {
    ClassicSendText('G', GenericRequestText());
    run.state = RequestState::WaitAnswer;
  } else {
    ClassicSendText('R', Slots().nextFileName);
    run.state = RequestState::WaitServerInit;
  }
}

// A short answer has no file header, so the reply file named by headerName is
// opened for it here; an empty answer leaves that file empty. Without a reply
// file there is nowhere to keep the answer, and it is dropped.
void TakeShortAnswer() {
  if (Slots().headerName.empty()) return;
  if (ClassicOpenOutput() < 0) {
    ClassicSendError(kErrorCannotOpenFile);
    return;
  }
  const int result = ClassicDecodeField();
  if (result < 0) {
    ResetLineState();
    ClassicSendError(kErrorDecode);
    return;
  }
  if (ClassicCloseOutput() < 0) ClassicSendError(kErrorCannotCloseFile);
}

// The peer asks the PC to carry out a generic command: the answer goes back as
// the one text file of a send exchange opened with the PC's S.
bool AnswerGenericCommand(RequestRun& run) {
  TransferSlots& slots = Slots();
  ClassicDecodeToBuffer(slots.hostCommand.data(), static_cast<int>(slots.hostCommand.size()));
  // The answer is the only file of this exchange: the ACK of its Z is followed by the B.
  slots.filePending = 0;
  ClassicSendInit('S');
  slots.answerAsText = 1;
  // A command that fails without an answer file must not send one left from before.
  slots.currentFileName.clear();
  if (HandleGenericCommand() == 0) {
    ClassicSendError(kErrorUnknownServerCommand);
    return false;
  }
  run.ackCounter = 0;
  run.state = RequestState::AnswerStart;
  return true;
}

bool OnAck(RequestRun& run) {
  ClassicLinkState& link = ClassicLink();
  switch (run.state) {
    case RequestState::WaitInfoAck:
      // The request follows at once, as after a peer that rejects the I packet.
      ClassicAdoptParams(link.receivedData, link.receivedLength);
      link.pendingPacketType = 'E';
      return true;
    case RequestState::WaitAnswer:
      TakeShortAnswer();
      return false;
    case RequestState::AnswerStart: {
      // The ACK of the PC's S brings the peer's parameters; the counter then
      // keeps the ACK of the answer's Z from being read as a Send-Init reply.
      ClassicAdoptParams(link.receivedData, link.receivedLength);
      run.ackCounter = 1;
      const int sent = ClassicSendFileHeader();
      Slots().answerAsText = 0;
      if (sent < 0) {
        ClassicSendError(sent == -2 ? kErrorFileNotFound : kErrorCannotInitiateSend);
        return false;
      }
      run.state = RequestState::SendData;
      return true;
    }
    case RequestState::SendData:
      if (ClassicSendData() == 0) {
        ClassicSendEof("");
        run.state = RequestState::SendNext;
      }
      return true;
    case RequestState::SendNext:
      switch (ClassicNextFileStep(run.ackCounter, kErrorFileNotFound)) {
        case NextFileOutcome::HeaderSent:
          run.state = RequestState::SendData;
          return true;
        case NextFileOutcome::BreakSent:
          run.state = RequestState::SendDone;
          return true;
        case NextFileOutcome::Failed:
          return false;
      }
      return false;
    case RequestState::SendDone:
      return false;
    default:
      return true;
  }
}

bool OnFileHeader(RequestRun& run) {
  if (ClassicOpenOutput() < 0) {
    ClassicSendError(kErrorCannotOpenFile);
    return false;
  }
  ClassicSendAck();
  run.state = RequestState::WaitData;
  return true;
}

// One step of the machine; false when the run is over.
bool RequestStep(std::uint8_t type, RequestRun& run) {
  ClassicLinkState& link = ClassicLink();
  switch (type) {
    case 'r':
    case 'g':
      ClassicReset();
      run.generic = type == 'g';
      ClassicSendInit('I');
      run.state = RequestState::WaitInfoAck;
      return true;
    case 'Y':
      return OnAck(run);
    case 'E':
      if (run.state == RequestState::WaitInfoAck) {
        SendRequest(run);
        return true;
      }
      ClassicTakePeerError();
      return false;
    case 'S':
      if (run.state == RequestState::WaitServerInit || run.state == RequestState::WaitAnswer) {
        ClassicAdoptParams(link.receivedData, link.receivedLength);
        ClassicSendAckData(ClassicInitData().c_str());
        run.state = RequestState::WaitHeader;
      }
      return true;
    case 'F':
      return run.state == RequestState::WaitHeader ? OnFileHeader(run) : true;
    case 'X':
      return OnFileHeader(run);
    case 'D':
      if (run.state == RequestState::WaitData) {
        const int result = ClassicDecodeField();
        if (result < 0) {
          ResetLineState();
          ClassicSendDecodeError(result);
          return false;
        }
        ClassicSendAck();
      }
      return true;
    case 'Z':
      if (run.state == RequestState::WaitData) {
        if (ClassicCloseOutput() < 0) {
          ClassicSendError(kErrorCannotCloseFile);
          return false;
        }
        ClassicSendAck();
        run.state = RequestState::WaitHeader;
      }
      return true;
    case 'B':
      ClassicSendAck();
      SleepMilliseconds(kAfterBreakPauseMs);
      return false;
    case 'G':
      return AnswerGenericCommand(run);
    default:
      return true;
  }
}

}  // namespace

void ClassicRequest() {
  RequestRun run;
  ClassicRunMachine([&run](std::uint8_t type) { return RequestStep(type, run); });
}

// Request texts go out in their encoded form, which a Kermit server decodes;
// for plain texts that is the text itself. The encoder cuts the text to 99
// bytes, and what does not fit one packet is dropped.
int ClassicSendText(std::uint8_t type, const std::string& text) {
  const int length = ClassicEncodeString(text);
  return ClassicSendPacket(type, ClassicLink().sequence, length, ClassicLink().encodeBuffer);
}

}  // namespace corvane
