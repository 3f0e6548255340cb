#include <algorithm>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "hostfiles/generic_commands.h"
#include "platform/thread.h"
#include "session/result_codes.h"

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
  ClassicLinkState& link;
  const std::string& request;
  RequestState state = RequestState::Start;
  bool generic = false;  // the request letter: G, or none for a get
  int ackCounter = -1;
};

// The G data as the server is to decode it: the letter, the argument's length
// as a character, the argument. Encoding it prefixes a length character that
// happens to be the prefix itself, as any other data byte.
std::string GenericRequestText(const std::string& request) {
  const std::string argument = request.substr(1);
  return request.substr(0, 1) + static_cast<char>(ToChar(static_cast<int>(argument.size()))) + argument;
}

void SendRequest(RequestRun& run) {
  if (run.generic) {
    ClassicSendText('G', GenericRequestText(run.request), run.link);
    run.state = RequestState::WaitAnswer;
  } else {
    ClassicSendText('R', run.request, run.link);
    run.state = RequestState::WaitServerInit;
  }
}

// A short answer has no file header, so the reply file named by headerName is
// opened for it here; an empty answer leaves that file empty. Without a reply
// file there is nowhere to keep the answer, and it is dropped.
void TakeShortAnswer(ClassicLinkState& link) {
  if (link.files.headerName.empty()) return;
  if (ClassicOpenOutput(link) < 0) {
    ClassicSendError(kErrorCannotOpenFile, link);
    return;
  }
  const int result = ClassicDecodeField(link);
  if (result < 0) {
    link.streams.ResetLineState();
    ClassicSendError(kErrorDecode, link);
    return;
  }
  if (ClassicCloseOutput(link) < 0) ClassicSendError(kErrorCannotCloseFile, link);
}

// The command the peer sent in its G packet, decoded into hostCommand.
HostCommand ReceivedHostCommand(ClassicLinkState& link) {
  auto& command = link.files.hostCommand;
  ClassicDecodeToBuffer(command.data(), static_cast<int>(command.size()), link);
  // The decoder may fill the buffer to the brim; the argument field needs an end.
  command.back() = '\0';
  if (command[0] == '\0') return {};
  return HostCommand{command[0], ArgumentOfField(command.data() + 1)};
}

// The peer asks the PC to carry out a generic command: the answer goes back as
// the one text file of a send exchange opened with the PC's S.
bool AnswerGenericCommand(RequestRun& run) {
  ClassicLinkState& link = run.link;
  ClassicFileSlots& files = link.files;
  const HostCommand command = ReceivedHostCommand(link);
  // The answer is the only file of this exchange: the ACK of its Z is followed by the B.
  files.filePending = false;
  ClassicSendInit('S', link);
  files.answerAsText = true;
  // A command that fails without an answer file must not send one left from before.
  files.currentFileName.clear();
  const HostAnswer answer = AnswerHostCommand(command);
  if (answer.result == 0) {
    ClassicSendError(kErrorUnknownServerCommand, link);
    return false;
  }
  if (answer.result == 1) {
    files.currentFileName = answer.answerPath;
    files.headerName = answer.announcedName;
  }
  run.ackCounter = 0;
  run.state = RequestState::AnswerStart;
  return true;
}

bool OnAck(RequestRun& run) {
  ClassicLinkState& link = run.link;
  switch (run.state) {
    case RequestState::WaitInfoAck:
      // The request follows at once, as after a peer that rejects the I packet.
      ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
      link.pendingPacketType = 'E';
      return true;
    case RequestState::WaitAnswer:
      TakeShortAnswer(link);
      return false;
    case RequestState::AnswerStart: {
      // The ACK of the PC's S brings the peer's parameters; the counter then
      // keeps the ACK of the answer's Z from being read as a Send-Init reply.
      ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
      run.ackCounter = 1;
      const int sent = ClassicSendFileHeader(link);
      link.files.answerAsText = false;
      if (sent < 0) {
        ClassicSendError(sent == -2 ? kErrorFileNotFound : kErrorCannotInitiateSend, link);
        return false;
      }
      run.state = RequestState::SendData;
      return true;
    }
    case RequestState::SendData:
      if (ClassicSendData(link) == 0) {
        ClassicSendEof("", link);
        run.state = RequestState::SendNext;
      }
      return true;
    case RequestState::SendNext:
      switch (ClassicNextFileStep(run.ackCounter, kErrorFileNotFound, link)) {
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
  ClassicLinkState& link = run.link;
  if (ClassicOpenOutput(link) < 0) {
    ClassicSendError(kErrorCannotOpenFile, link);
    return false;
  }
  ClassicSendAck(link);
  run.state = RequestState::WaitData;
  return true;
}

// One step of the machine; false when the run is over.
bool RequestStep(std::uint8_t type, RequestRun& run) {
  ClassicLinkState& link = run.link;
  switch (type) {
    case 'r':
    case 'g':
      ClassicReset(link);
      run.generic = type == 'g';
      ClassicSendInit('I', link);
      run.state = RequestState::WaitInfoAck;
      return true;
    case 'Y':
      return OnAck(run);
    case 'E':
      if (run.state == RequestState::WaitInfoAck) {
        SendRequest(run);
        return true;
      }
      ClassicTakePeerError(link);
      return false;
    case 'S':
      if (run.state == RequestState::WaitServerInit || run.state == RequestState::WaitAnswer) {
        ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
        ClassicSendAckData(ClassicInitData(link.settings).c_str(), link);
        run.state = RequestState::WaitHeader;
      }
      return true;
    case 'F':
      return run.state == RequestState::WaitHeader ? OnFileHeader(run) : true;
    case 'X':
      return OnFileHeader(run);
    case 'D':
      if (run.state == RequestState::WaitData) {
        const int result = ClassicDecodeField(link);
        if (result < 0) {
          link.streams.ResetLineState();
          ClassicSendDecodeError(result, link);
          return false;
        }
        ClassicSendAck(link);
      }
      return true;
    case 'Z':
      if (run.state == RequestState::WaitData) {
        if (ClassicCloseOutput(link) < 0) {
          ClassicSendError(kErrorCannotCloseFile, link);
          return false;
        }
        ClassicSendAck(link);
        run.state = RequestState::WaitHeader;
      }
      return true;
    case 'B':
      ClassicSendAck(link);
      SleepMilliseconds(kAfterBreakPauseMs);
      return false;
    case 'G':
      return AnswerGenericCommand(run);
    default:
      return true;
  }
}

}  // namespace

EngineOutcome ClassicRequest(const std::string& request, ClassicLinkState& link) {
  RequestRun run{link, request};
  return ClassicRunMachine(link, [&run](std::uint8_t type) { return RequestStep(type, run); });
}

// Request texts go out in their encoded form, which a Kermit server decodes;
// for plain texts that is the text itself. The encoder cuts the text to 99
// bytes, and what does not fit one packet is dropped.
int ClassicSendText(std::uint8_t type, const std::string& text, ClassicLinkState& link) {
  const int length = ClassicEncodeString(text, link);
  return ClassicSendPacket(type, link.sequence, length, link.encodeBuffer, link);
}

}  // namespace corvane
