#include "wide/server_loop.h"

#include <algorithm>
#include <cstring>

#include "hostfiles/file_names.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "platform/thread.h"
#include "serial/serial_io.h"
#include "session/kermit_basics.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"
#include "wide/host_command.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterExchangeMs = 500;
constexpr char kFileExistsText[] = "File exists";

enum class ServerState {
  Starting,
  AwaitInitAck,        // S sent for a download
  AwaitDataAck,        // header or data sent
  AwaitFinalAck,       // Z sent
  AwaitSendInit,       // R sent (get)
  AwaitHeader,
  Receiving,
  AwaitRequestAck,     // I sent
  AwaitGenericAnswer,
  Idle,
  AnswerReady,         // generic command carried out, S sent
};

// The internal turn that sends the request after the remote's Y to I.
constexpr int kSendRequestTurn = 'E';

// The G data as the wide server takes it, raw: the letter, the argument's length
// as a character (a '#' doubled, as the server skips one), the argument.
std::string GenericData(const std::string& request) {
  const std::string argument = request.substr(1);
  const char length = static_cast<char>(ToChar(static_cast<int>(argument.size())));
  return request.substr(0, 1) + length + (length == '#' ? "#" : "") + argument;
}

class ServerLoop {
 public:
  // A client request through the loop.
  explicit ServerLoop(const WideRequest& request) : name_(request.outputName), generic_(request.genericCommand) {
    context_.pendingType = request.startType;
    context_.overwriteExisting = request.overwriteExisting;
  }
  // Server mode.
  explicit ServerLoop(bool overwriteExisting) {
    context_.pendingType = 'x';
    context_.overwriteExisting = overwriteExisting;
  }

  EngineOutcome Run() {
    for (;;) {
      const int value = WideNextPacket(context_);
      if (CancelRequested()) {
        WideSendPacket('E', kErrorCancelledByUser, context_);
        break;
      }
      if (!Step(value)) break;
    }
    // Every end of the run closes what is open; an unfinished output file goes.
    WideCloseFiles(context_);
    return outcome_;
  }

 private:
  bool InServerMode() const { return context_.serverMode; }

  // Server mode starts the next exchange afresh. Any name left by a failed
  // download or reply is dropped, so a later upload is stored under its own header name.
  void BackToIdle() {
    name_.clear();
    WideReset(context_);
    context_.isSender = 0;
    state_ = ServerState::Idle;
  }

  // False when the loop ends.
  bool Idle() {
    if (!InServerMode()) return false;
    BackToIdle();
    return true;
  }

  bool Fail() {
    if (InServerMode()) {
      BackToIdle();
      return true;
    }
    outcome_ = EngineOutcome::Failed;
    return false;
  }

  bool FailWith(int code) {
    WideSendPacket('E', code, context_);
    WideCloseFiles(context_);
    return Fail();
  }

  void OpenRequest(char letter) {
    WideReset(context_);
    genericLetter_ = letter;
    WideSendPacket('I', 0, context_);
    // Until the remote's S, a NAK or a silence asks for the I or the request
    // again: answering it with a NAK of our own would leave both sides waiting.
    context_.isSender = 1;
    state_ = ServerState::AwaitRequestAck;
  }

  bool SendRequest() {
    if (genericLetter_ != 0) {
      if (!WideSendText(genericLetter_, GenericData(generic_), context_)) return Fail();
      state_ = ServerState::AwaitGenericAnswer;
    } else {
      if (!WideSendText('R', name_, context_)) return Fail();
      state_ = ServerState::AwaitSendInit;
    }
    return true;
  }

  bool ReceiveHeader(int value) {
    const OutputOpen opened = WideOpenOutput(context_, name_, outName_);
    if (value == 'F' && opened == OutputOpen::FileExists) {
      std::memcpy(context_.txData, kFileExistsText, sizeof kFileExistsText - 1);
      return FailWith(sizeof kFileExistsText - 1);
    }
    if (opened != OutputOpen::Opened) return FailWith(kErrorCannotOpenFile);
    WideAck(context_);
    if (value == 'F') context_.isSender = 0;
    state_ = ServerState::Receiving;
    return true;
  }

  bool ReceiveData() {
    Session().bytesDone += context_.rxLength;
    // A file that cannot be written is abandoned; the partial file goes with it.
    if (!WideWriteData(context_)) return FailWith(kErrorCannotOpenFile);
    WideAck(context_);
    return true;
  }

  bool EndOfFile() {
    if (!WideFinishOutput(context_)) return FailWith(kErrorCannotOpenFile);
    WideAck(context_);
    WideCloseFiles(context_);
    SleepMilliseconds(kAfterExchangeMs);
    return Idle();
  }

  bool Break() {
    WideAck(context_);
    WideCloseFiles(context_);
    SleepMilliseconds(kAfterExchangeMs);
    return Idle();
  }

  void AcceptDownloadRequest() {
    // The request again while our S to it is out: the S was lost, not the request new.
    if (state_ == ServerState::AwaitInitAck) WideResend(context_);
    // Only an idle side takes a request: mid-exchange its name would become the
    // local path of the file being received.
    if (state_ != ServerState::Idle) return;
    // An over-long request is not cut to another file's name; it is answered as unknown.
    name_ = context_.rxLength <= kWideTextLimit ? SlashedPath(WideRequestText(context_)) : std::string();
    context_.isSender = 1;
    WideSendPacket('S', 0, context_);
    state_ = ServerState::AwaitInitAck;
  }

  bool RunGenericCommand() {
    // The command again while our S to it is out: the S was lost. Carrying the
    // command out twice would, for an erase, answer an error for a done deed.
    if (state_ == ServerState::AnswerReady) {
      WideResend(context_);
      return true;
    }
    context_.isSender = 1;
    WideSendPacket('S', 0, context_);
    context_.answerAsText = true;
    const HostAnswer answer = AnswerHostCommand(WideHostCommand(context_));
    if (answer.result > 0) {
      name_ = answer.answerPath;
      context_.fileName = answer.announcedName;
      state_ = ServerState::AnswerReady;
      return true;
    }
    // A failed command is answered like an unknown one, and the next header
    // must not go out as a text reply.
    context_.answerAsText = false;
    WideSendPacket('E', kErrorUnknownServerCommand, context_);
    WideCloseFiles(context_);
    if (!InServerMode()) return false;
    BackToIdle();
    return true;
  }

  // Served files are announced under the name asked for, never under the name
  // of a file received earlier in the run. A requested file outside the served
  // root is answered like one that cannot be opened; the answer files this side
  // writes itself are not the Data Collector's to choose and are not confined.
  void StartSending(bool requested) {
    const bool confined = requested && InServerMode();
    const std::string within = confined ? context_.root : std::string();
    if ((confined && !PathInsideRoot(name_)) || WideSendHeader(name_, context_, std::string(), within) != 0) {
      WideSendPacket('E', kErrorCannotInitiateSend, context_);
      WideCloseFiles(context_);
      if (InServerMode()) BackToIdle();
      state_ = ServerState::Idle;
      return;
    }
    state_ = ServerState::AwaitDataAck;
  }

  bool SendNextData() {
    const int sent = WideSendData(context_);
    if (sent == 0) {
      WideNextSeq(context_);
      WideSendPacket('Z', 0, context_);
      WideCloseFiles(context_);
      state_ = ServerState::AwaitFinalAck;
      return true;
    }
    // A read failure ends the download; waiting on would only repeat the error.
    if (sent < 0) return FailWith(kErrorSendData);
    return true;
  }

  bool OnAck() {
    switch (state_) {
      case ServerState::AwaitRequestAck:
        context_.pendingType = kSendRequestTurn;
        return true;
      case ServerState::AwaitInitAck:
        StartSending(true);
        return true;
      case ServerState::AnswerReady:
        StartSending(false);
        context_.answerAsText = false;
        return true;
      case ServerState::AwaitDataAck:
        return SendNextData();
      case ServerState::AwaitFinalAck:
        if (!InServerMode()) return false;
        BackToIdle();
        return true;
      case ServerState::AwaitGenericAnswer:
        return Idle();
      case ServerState::Idle:
        return FailWith(kErrorUnknownServerCommand);
      default:
        return true;
    }
  }

  bool Step(int value) {
    switch (value) {
      case 'x':
        context_.serverMode = true;
        context_.root = Confinement().root;
        name_.clear();
        WideReset(context_);
        context_.isSender = 0;
        state_ = ServerState::Idle;
        return true;
      case 'r':
        OpenRequest(0);
        return true;
      case 'g':
        OpenRequest('G');
        return true;
      case 'Y':
        return OnAck();
      case 'X':
        return ReceiveHeader(value);
      case 'B':
        return Break();
      case 'R':
        AcceptDownloadRequest();
        return true;
      case 'G':
        return RunGenericCommand();
      case kWideRepeatedData:
        // Our acknowledgement was lost: left unanswered, the remote would resend until it gave up.
        WideAckAgain(context_);
        return true;
      default:
        break;
    }
    if (value == 'E' && state_ == ServerState::AwaitRequestAck) return SendRequest();
    if (value == 'E' && (state_ == ServerState::Idle || state_ == ServerState::AwaitDataAck ||
                         state_ == ServerState::AwaitHeader)) {
      return Fail();
    }
    if (value == 'I' && state_ == ServerState::Idle) {
      WideAck(context_);
      context_.seq = 0;
      return true;
    }
    if (value == 'S' && (state_ == ServerState::AwaitSendInit || state_ == ServerState::AwaitGenericAnswer ||
                         state_ == ServerState::Idle)) {
      WideReset(context_);
      context_.isSender = 0;
      WideAck(context_);
      state_ = ServerState::AwaitHeader;
      return true;
    }
    if (value == 'F' && state_ == ServerState::AwaitHeader) return ReceiveHeader(value);
    if (value == 'D' && state_ == ServerState::Receiving) return ReceiveData();
    if (value == 'Z' && state_ == ServerState::Receiving) return EndOfFile();
    if (state_ == ServerState::Idle) return FailWith(kErrorUnknownServerCommand);
    return true;
  }

  WideLinkContext context_;
  ServerState state_ = ServerState::Starting;
  char genericLetter_ = 0;
  std::string name_;
  std::string generic_;
  std::string outName_;
  EngineOutcome outcome_ = EngineOutcome::Success;
};

}  // namespace

EngineOutcome WideServerLoop(const WideRequest& request) {
  ServerLoop loop(request);
  return loop.Run();
}

int WideServerEntry(bool overwriteExisting) {
  SerialFlushInput();
  Session().bytesDone = 0;
  ServerLoop loop(overwriteExisting);
  loop.Run();
  return 0;
}

}  // namespace corvane
