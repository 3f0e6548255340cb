#include "api/dispatcher.h"

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "hostfiles/file_names.h"
#include "platform/paths.h"
#include "serial/serial_io.h"
#include "session/result_codes.h"
#include "wide/server_loop.h"
#include "wide/wide_client.h"
#include "wide/wide_probe.h"

namespace corvane {
namespace {

constexpr int kDispatchTimeoutSeconds = 5;
// Letter, length character, argument and terminating zero fill the 96-byte G buffer.
constexpr std::size_t kLongestGenericArgument = 93;

enum class Engine { Classic, WideClient, WideRequestLoop, None };

// What the Data Collector announced in its last Send-Init: the classic link
// keeps it from one operation to the next, as the peer on the line stays.
ClassicSettings& PeerSettings() {
  static ClassicSettings settings;
  return settings;
}

// The classic exchange of one command, started from the link's settings, which
// it hands back when the command is over.
class ClassicExchange {
 public:
  explicit ClassicExchange(bool overwriteExisting) {
    link_.settings = PeerSettings();
    link_.settings.timeoutSeconds = kDispatchTimeoutSeconds;
    link_.overwriteExisting = overwriteExisting;
  }
  ~ClassicExchange() { PeerSettings() = link_.settings; }
  ClassicExchange(const ClassicExchange&) = delete;
  ClassicExchange& operator=(const ClassicExchange&) = delete;

  ClassicLinkState& Link() { return link_; }

 private:
  ClassicLinkState link_;
};

// Platform 0 means classic for receive and send, but a get still asks the probe.
Engine ChooseFileEngine(TransferCommand command, PlatformKind platform, ClassicLinkState& link) {
  if (platform == PlatformKind::Wide) {
    return command == TransferCommand::Get ? Engine::WideRequestLoop : Engine::WideClient;
  }
  if (platform == PlatformKind::Classic && command != TransferCommand::Get) return Engine::Classic;
  const ProbeSide side = command == TransferCommand::Receive ? ProbeSide::PcReceives : ProbeSide::PcSends;
  switch (ProbePlatform(side, link)) {
    case PeerFraming::Wide:
      return Engine::WideClient;
    case PeerFraming::Classic:
      return Engine::Classic;
    case PeerFraming::Unknown:
      break;
  }
  return Engine::None;
}

int ClassicReceive(const std::string& first, std::string& outputName, ClassicLinkState& link) {
  link.pendingPacketType = 'v';
  link.files.headerName = first;
  const EngineOutcome outcome = ClassicTransferFile(link);
  outputName = link.files.headerName;
  return ResultOf(outcome);
}

int ClassicSend(const std::string& first, const std::string& second, ClassicLinkState& link) {
  link.pendingPacketType = 's';
  link.files.filePending = true;
  link.files.nextFileName = first;
  link.files.headerName = FileNamePart(second.empty() ? first : second);
  const EngineOutcome outcome = ClassicTransferFile(link);
  link.streams.CloseSendFile();
  SerialFlushInput();
  return ResultOf(outcome);
}

int RequestFile(const std::string& first, bool throughWideLoop, ClassicLinkState& link) {
  SerialFlushInput();
  if (throughWideLoop) {
    return ResultOf(WideServerLoop(WideRequest{'r', {}, FileNamePart(first), link.overwriteExisting}));
  }
  link.pendingPacketType = 'r';
  link.files.headerName = FileNamePart(first);
  return ResultOf(ClassicRequest(first, link));
}

int RunFileCommand(TransferCommand command, const std::string& first, std::string second, std::string& outputName,
                   PlatformKind platform, ClassicLinkState& link) {
  switch (ChooseFileEngine(command, platform, link)) {
    case Engine::WideClient: {
      const int result = WideClientTransfer(command, first, second, link.overwriteExisting);
      outputName = second;
      return result;
    }
    case Engine::WideRequestLoop:
      return RequestFile(first, true, link);
    case Engine::Classic:
      if (command == TransferCommand::Receive) return ClassicReceive(first, outputName, link);
      if (command == TransferCommand::Send) return ClassicSend(first, second, link);
      return RequestFile(first, false, link);
    case Engine::None:
      break;
  }
  return kResultFailed;
}

int RunGenericCommand(const std::string& first, std::string& outputName, PlatformKind platform,
                      ClassicLinkState& link) {
  // An argument that cannot fit the G buffer is refused before anything is sent.
  if (first.empty() || first.size() - 1 > kLongestGenericArgument) return kResultFailed;
  const bool classic = platform == PlatformKind::Auto;
  if ((classic ? ClassicProbe(link) : WideProbe()) < 0) {
    SerialFlushInput();
    return kResultFailed;
  }
  SerialFlushInput();
  const std::string replyFile = CreateUniqueFile(".", "$KT").value_or("");
  outputName = replyFile;
  if (!classic) return ResultOf(WideServerLoop(WideRequest{'g', first, replyFile, link.overwriteExisting}));
  link.pendingPacketType = 'g';
  link.files.headerName = replyFile;
  return ResultOf(ClassicRequest(first, link));
}

}  // namespace

PlatformKind PlatformKindOf(int platform) {
  switch (platform) {
    case 0:
      return PlatformKind::Classic;
    case 1:
      return PlatformKind::Auto;
    case 2:
    case 3:
      return PlatformKind::Wide;
    default:
      return PlatformKind::Other;
  }
}

int DispatchCommand(TransferCommand command, const std::string& first, const std::string& second,
                    std::string& outputName, PlatformKind platform) {
  const bool overwrite = command == TransferCommand::Send || command == TransferCommand::Generic;
  ClassicExchange exchange(overwrite);
  Session().bytesDone = 0;
  SerialInput(SerialInputMode::Purge);
  SerialFlushInput();
  switch (command) {
    case TransferCommand::Receive:
    case TransferCommand::Send:
    case TransferCommand::Get:
      return RunFileCommand(command, first, second, outputName, platform, exchange.Link());
    case TransferCommand::Generic:
      return RunGenericCommand(first, outputName, platform, exchange.Link());
    case TransferCommand::Server:
      break;
  }
  return kResultFailed;
}

}  // namespace corvane
