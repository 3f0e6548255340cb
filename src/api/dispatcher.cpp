#include "api/dispatcher.h"

#include <algorithm>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/file_names.h"
#include "hostfiles/transfer_slots.h"
#include "platform/paths.h"
#include "serial/serial_io.h"
#include "survey/survey_streams.h"
#include "wide/server_loop.h"
#include "wide/wide_client.h"
#include "wide/wide_probe.h"

namespace corvane {
namespace {

constexpr int kDispatchTimeoutSeconds = 5;
// Letter, length character, argument and terminating zero fill the 96-byte G buffer.
constexpr std::size_t kLongestGenericArgument = kGenericCommandCapacity - 3;

enum class Engine { Classic, WideClient, WideRequestLoop, None };

bool IsWidePlatform(int platform) { return platform == 2 || platform == 3; }

void CommonStart(int command) {
  ClassicConfig().timeoutSeconds = kDispatchTimeoutSeconds;
  Session().bytesDone = 0;
  SerialInput(kInputPurge);
  SerialFlushInput();
  std::fill(std::begin(ClassicLink().leftover), std::end(ClassicLink().leftover), 0);
  Slots().overwriteExisting = (command == kCommandSend || command == kCommandGeneric) ? 1 : 0;
}

// Platform 0 means classic for receive and send, but a get still asks the probe.
Engine ChooseFileEngine(int command, int platform) {
  if (IsWidePlatform(platform)) return command == kCommandGet ? Engine::WideRequestLoop : Engine::WideClient;
  if (platform == 0 && command != kCommandGet) return Engine::Classic;
  switch (ProbePlatform(command == kCommandReceive ? 0 : 1)) {
    case 1:
      return Engine::WideClient;
    case 0:
      return Engine::Classic;
    default:
      return Engine::None;
  }
}

int ClassicReceive(const std::string& first, std::string& outputName) {
  ClassicLink().pendingPacketType = 'v';
  Slots().headerName = first;
  ClassicTransferFile();
  outputName = Slots().headerName;
  return MapErrorFlag(ClassicLink().errorFlag);
}

int ClassicSend(const std::string& first, const std::string& second) {
  TransferSlots& slots = Slots();
  ClassicLink().pendingPacketType = 's';
  slots.filePending = 1;
  ClassicLink().stringSource = nullptr;
  slots.nextFileName = first;
  slots.headerName = FileNamePart(second.empty() ? first : second);
  ClassicTransferFile();
  CloseTransferFiles();
  SerialFlushInput();
  return MapErrorFlag(ClassicLink().errorFlag);
}

int RequestFile(const std::string& first, bool throughWideLoop) {
  SerialFlushInput();
  ClassicLink().pendingPacketType = 'r';
  ClassicLink().stringSource = nullptr;
  Slots().nextFileName = first;
  Slots().headerName = FileNamePart(first);
  if (throughWideLoop) {
    ClassicLink().errorFlag = 0;
    WideServerLoop('r');
  } else {
    ClassicRequest();
  }
  return MapErrorFlag(ClassicLink().errorFlag);
}

int RunFileCommand(int command, const std::string& first, std::string second, std::string& outputName,
                   int platform) {
  switch (ChooseFileEngine(command, platform)) {
    case Engine::WideClient: {
      const int result = WideClientTransfer(command, first, second);
      outputName = second;
      return result;
    }
    case Engine::WideRequestLoop:
      return RequestFile(first, true);
    case Engine::Classic:
      if (command == kCommandReceive) return ClassicReceive(first, outputName);
      if (command == kCommandSend) return ClassicSend(first, second);
      return RequestFile(first, false);
    case Engine::None:
      break;
  }
  ClassicLink().errorFlag = 1;
  return kResultFailed;
}

// The G data: letter, tochar(length), the argument; a length character '#'
// goes out doubled, as a prefixed '#' in the encoded field.
void BuildGenericCommand(const std::string& first) {
  auto& buffer = Slots().genericCommand;
  buffer.fill(0);
  const std::size_t length = first.size() - 1;
  std::size_t at = 0;
  buffer[at++] = first[0];
  buffer[at++] = static_cast<char>(ToChar(static_cast<int>(length)));
  if (buffer[1] == '#') buffer[at++] = '#';
  std::copy(first.begin() + 1, first.end(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
}

int RunGenericCommand(const std::string& first, std::string& outputName, int platform) {
  // An argument that cannot fit the G buffer is refused before anything is sent.
  if (first.empty() || first.size() - 1 > kLongestGenericArgument) {
    ClassicLink().errorFlag = 1;
    return kResultFailed;
  }
  const bool classic = platform == 1;
  if ((classic ? ClassicProbe() : WideProbe()) < 0) {
    ClassicLink().errorFlag = 1;
    SerialFlushInput();
    return kResultFailed;
  }
  ClassicLink().errorFlag = 0;
  SerialFlushInput();
  ClassicLink().pendingPacketType = 'g';
  ClassicLink().stringSource = nullptr;
  const std::string replyFile = CreateUniqueFile(".", "$KT").value_or("");
  BuildGenericCommand(first);
  outputName = replyFile;
  Slots().headerName = replyFile;
  if (classic) {
    ClassicRequest();
  } else {
    WideServerLoop('g');
  }
  return MapErrorFlag(ClassicLink().errorFlag);
}

}  // namespace

int DispatchCommand(int command, std::string first, std::string second, std::string& outputName, int platform) {
  CommonStart(command);
  switch (command) {
    case kCommandReceive:
    case kCommandSend:
    case kCommandGet:
      return RunFileCommand(command, first, std::move(second), outputName, platform);
    case kCommandGeneric:
      return RunGenericCommand(first, outputName, platform);
    default:
      return kResultFailed;
  }
}

}  // namespace corvane
