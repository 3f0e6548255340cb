#include <cstring>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "hostfiles/file_names.h"
#include "platform/paths.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"

namespace corvane {
namespace {

constexpr int kHeaderNameCapacity = 100;
constexpr int kErrorTextCapacity = 40;
constexpr char kFileExists[] = "File exists";

}  // namespace

int ClassicSendFileHeader(ClassicLinkState& link) {
  ClassicFileSlots& files = link.files;
  const int opened = link.streams.OpenSendFile(files.currentFileName);
  if (opened < 0) return opened;
  // ASCII only, whatever the process's locale, so the announced name is predictable.
  files.headerName = UpperCaseAscii(files.headerName);
  const int length = ClassicEncodeString(files.headerName, link);
  ClassicSettings& settings = link.settings;
  settings.dataBudget = settings.peerMaxLength - (settings.checkLength + 3);
  ClassicNextSequence(link);
  return ClassicSendPacket(files.answerAsText ? 'X' : 'F', link.sequence, length, link.encodeBuffer, link);
}

int ClassicSendData(ClassicLinkState& link) {
  const int length = ClassicEncodeField(link.settings.dataBudget, link);
  if (length == 0) return 0;
  ClassicNextSequence(link);
  return ClassicSendPacket('D', link.sequence, length, link.encodeBuffer, link);
}

int ClassicSendEof(const std::string& text, ClassicLinkState& link) {
  link.streams.CloseSendFile();
  link.files.headerName.clear();
  ClassicNextSequence(link);
  return ClassicSendPacket('Z', link.sequence, static_cast<int>(text.size()),
                           reinterpret_cast<const std::uint8_t*>(text.data()), link);
}

int ClassicSendBreak(ClassicLinkState& link) {
  ClassicNextSequence(link);
  return ClassicSendPacket('B', link.sequence, 0, nullptr, link);
}

int ClassicOpenOutput(ClassicLinkState& link) {
  ClassicFileSlots& files = link.files;
  std::string path = files.headerName;
  if (path.empty()) {
    char name[kHeaderNameCapacity];
    ClassicDecodeToBuffer(name, sizeof name, link);
    files.currentFileName = name;
    // The peer names the file, never the directory: a header such as
    // "../x" or "/etc/x" still lands in the current directory.
    path = FileNamePart(name);
  }
  if (link.streams.OpenReceiveFile(path, link.overwriteExisting) < 0) return -1;
  files.currentFileName = link.streams.ReceivePath();
  files.headerName = path;
  return 0;
}

int ClassicCloseOutput(ClassicLinkState& link) { return link.streams.FinishReceiveFile() < 0 ? -1 : 0; }

int NextFileToSend(ClassicFileSlots& files) {
  if (!files.filePending) return 0;
  files.filePending = false;
  if (files.nextFileName.empty() || !HasAccess(files.nextFileName, Access::Exists)) return 0;
  files.currentFileName = files.nextFileName;
  return 1;
}

void ClassicTakePeerError(ClassicLinkState& link) {
  link.errorFlag = EngineOutcome::Failed;
  char message[kErrorTextCapacity];
  ClassicDecodeToBuffer(message, sizeof message, link);
  if (std::strncmp(message, kFileExists, sizeof kFileExists - 1) == 0) link.errorFlag = EngineOutcome::FileExists;
  NoteErrorPacket(message, true);
  if (link.streams.ReceiveFileOpen()) ClassicCloseOutput(link);
}

void ClassicKeepPartialOutput(ClassicLinkState& link) {
  if (link.streams.ReceiveFileOpen()) ClassicCloseOutput(link);
}

NextFileOutcome ClassicNextFileStep(int& ackCounter, int notFoundCode, ClassicLinkState& link) {
  if (ackCounter++ == 0) ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
  if (NextFileToSend(link.files) != 1) {
    ClassicSendBreak(link);
    return NextFileOutcome::BreakSent;
  }
  const int sent = ClassicSendFileHeader(link);
  if (sent < 0) {
    ClassicSendError(sent == -2 ? notFoundCode : kErrorCannotInitiateSend, link);
    return NextFileOutcome::Failed;
  }
  link.files.answerAsText = false;
  return NextFileOutcome::HeaderSent;
}

void ClassicSendDecodeError(int result, ClassicLinkState& link) {
  ClassicSendError(result == -2 ? kErrorNotCoordinateFile : kErrorDecode, link);
}

}  // namespace corvane
