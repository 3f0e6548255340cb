#include "wide/server_loop.h"

#include <algorithm>
#include <cstring>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "hostfiles/file_names.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "hostfiles/transfer_slots.h"
#include "platform/thread.h"
#include "serial/serial_io.h"
#include "survey/survey_streams.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

constexpr std::uint32_t kAfterExchangeMs = 500;
constexpr char kFileExistsText[] = "File exists";

enum ServerState {
  kStarting = -1,
  kAwaitInitAck = 2,     // S sent for a download
  kAwaitDataAck = 3,     // header or data sent
  kAwaitFinalAck = 4,    // Z sent
  kAwaitSendInit = 6,    // R sent (get)
  kAwaitHeader = 7,
  kReceiving = 8,
  kAwaitRequestAck = 10, // I sent
  kAwaitGenericAnswer = 11,
  kIdle = 13,
  kAnswerReady = 14,     // generic command carried out, S sent
};

// The internal turn that sends the request after the remote's Y to I.
constexpr int kSendRequestTurn = 'E';

bool InServerMode() { return WideFlags().serverMode != 0; }

class ServerLoop {
 public:
  explicit ServerLoop(char startType) : name_(Slots().headerName) { context_.pendingType = startType; }

  void Run() {
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
  }

 private:
  // Server mode starts the next exchange afresh. Any name left by a failed
  // download or reply is dropped, so a later upload is stored under its own header name.
  void BackToIdle() {
    name_.clear();
    WideReset(context_);
    context_.isSender = 0;
    state_ = kIdle;
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
    ClassicLink().errorFlag = 1;
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
    state_ = kAwaitRequestAck;
  }

  bool SendRequest() {
    if (genericLetter_ != 0) {
      const auto& command = Slots().genericCommand;
      const std::string text(command.data(), std::find(command.begin(), command.end(), '\0'));
      if (!WideSendText(genericLetter_, text, context_)) return Fail();
      state_ = kAwaitGenericAnswer;
    } else {
      if (!WideSendText('R', name_, context_)) return Fail();
      state_ = kAwaitSendInit;
    }
    return true;
  }

  bool ReceiveHeader(int value) {
    const int opened = WideOpenOutput(context_, name_, outName_);
    if (value == 'F' && opened == kOutputFileExists) {
      std::memcpy(context_.txData, kFileExistsText, sizeof kFileExistsText - 1);
      return FailWith(sizeof kFileExistsText - 1);
    }
    if (opened < 0) return FailWith(kErrorCannotOpenFile);
    WideAck(context_);
    if (value == 'F') context_.isSender = 0;
    state_ = kReceiving;
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
    if (state_ == kAwaitInitAck) WideResend(context_);
    // Only an idle side takes a request: mid-exchange its name would become the
    // local path of the file being received.
    if (state_ != kIdle) return;
    // An over-long request is not cut to another file's name; it is answered as unknown.
    name_ = context_.rxLength <= kWideTextLimit ? SlashedPath(WideRequestText(context_)) : std::string();
    context_.isSender = 1;
    WideSendPacket('S', 0, context_);
    state_ = kAwaitInitAck;
  }

  bool RunGenericCommand() {
    // The command again while our S to it is out: the S was lost. Carrying the
    // command out twice would, for an erase, answer an error for a done deed.
    if (state_ == kAnswerReady) {
      WideResend(context_);
      return true;
    }
    context_.isSender = 1;
    WideSendPacket('S', 0, context_);
    Slots().answerAsText = 1;
    const int result = HandleGenericCommand(context_, name_);
    if (result > 0) {
      state_ = kAnswerReady;
      return true;
    }
    // A failed command is answered like an unknown one, and the next header
    // (of this loop or a later send) must not go out as a text reply.
    Slots().answerAsText = 0;
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
    const std::string within = confined ? Confinement().root : std::string();
    if ((confined && !PathInsideRoot(name_)) || WideSendHeader(name_, context_, std::string(), within) != 0) {
      WideSendPacket('E', kErrorCannotInitiateSend, context_);
      WideCloseFiles(context_);
      if (InServerMode()) BackToIdle();
      state_ = kIdle;
      return;
    }
    state_ = kAwaitDataAck;
  }

  bool SendNextData() {
    const int sent = WideSendData(context_);
    if (sent == 0) {
      WideNextSeq(context_);
      WideSendPacket('Z', 0, context_);
      WideCloseFiles(context_);
      state_ = kAwaitFinalAck;
      return true;
    }
    // A read failure ends the download; waiting on would only repeat the error.
    if (sent < 0) return FailWith(kErrorSendData);
    return true;
  }

  bool OnAck() {
    switch (state_) {
      case kAwaitRequestAck:
        context_.pendingType = kSendRequestTurn;
        return true;
      case kAwaitInitAck:
        StartSending(true);
        return true;
      case kAnswerReady:
        StartSending(false);
        Slots().answerAsText = 0;
        return true;
      case kAwaitDataAck:
        return SendNextData();
      case kAwaitFinalAck:
        if (!InServerMode()) return false;
        BackToIdle();
        return true;
      case kAwaitGenericAnswer:
        return Idle();
      case kIdle:
        return FailWith(kErrorUnknownServerCommand);
      default:
        return true;
    }
  }

  bool Step(int value) {
    switch (value) {
      case 'x':
        WideFlags().serverMode = 1;
        name_.clear();
        WideReset(context_);
        context_.isSender = 0;
        state_ = kIdle;
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
    if (value == 'E' && state_ == kAwaitRequestAck) return SendRequest();
    if (value == 'E' && (state_ == kIdle || state_ == kAwaitDataAck || state_ == kAwaitHeader)) return Fail();
    if (value == 'I' && state_ == kIdle) {
      WideAck(context_);
      context_.seq = 0;
      return true;
    }
    if (value == 'S' && (state_ == kAwaitSendInit || state_ == kAwaitGenericAnswer || state_ == kIdle)) {
      WideReset(context_);
      context_.isSender = 0;
      WideAck(context_);
      state_ = kAwaitHeader;
      return true;
    }
    if (value == 'F' && state_ == kAwaitHeader) return ReceiveHeader(value);
    if (value == 'D' && state_ == kReceiving) return ReceiveData();
    if (value == 'Z' && state_ == kReceiving) return EndOfFile();
    if (state_ == kIdle) return FailWith(kErrorUnknownServerCommand);
    return true;
  }

  WideLinkContext context_;
  int state_ = kStarting;
  char genericLetter_ = 0;
  std::string name_;
  std::string outName_;
};

}  // namespace

void WideServerLoop(char startType) {
  ServerLoop loop(startType);
  loop.Run();
}

int WideServerEntry(int overwrite) {
  SerialFlushInput();
  Slots().overwriteExisting = overwrite;
  Session().bytesDone = 0;
  WideServerLoop('x');
  CloseTransferFiles();
  WideFlags().serverMode = 0;
  return 0;
}

}  // namespace corvane
