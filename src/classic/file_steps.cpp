#include <cstring>

#include "api/result_codes.h"
#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "classic/transfer_steps.h"
#include "hostfiles/file_names.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/transfer_slots.h"
#include "survey/survey_streams.h"

namespace corvane {
namespace {

constexpr int kHeaderNameCapacity = 100;
constexpr int kErrorTextCapacity = 40;
constexpr char kFileExists[] = "File exists";

// ASCII only, whatever the process's locale, so the announced name is predictable.
std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

int ClassicSendFileHeader() {
  TransferSlots& slots = Slots();
  const int opened = OpenSendFile(slots.currentFileName);
  if (opened < 0) return opened;
  slots.headerName = UpperCase(slots.headerName);
  const int length = ClassicEncodeString(slots.headerName);
  ClassicSettings& settings = ClassicConfig();
  settings.dataBudget = settings.peerMaxLength - (settings.checkLength + 3);
  ClassicNextSequence();
  return ClassicSendPacket(slots.answerAsText == 1 ? 'X' : 'F', ClassicLink().sequence, length,
                           ClassicLink().encodeBuffer);
}

int ClassicSendData() {
  const int length = ClassicEncodeField(ClassicConfig().dataBudget);
  if (length == 0) return 0;
  ClassicNextSequence();
  return ClassicSendPacket('D', ClassicLink().sequence, length, ClassicLink().encodeBuffer);
}

int ClassicSendEof(const std::string& text) {
  CloseTransferFiles();
  ClassicNextSequence();
  return ClassicSendPacket('Z', ClassicLink().sequence, static_cast<int>(text.size()),
                           reinterpret_cast<const std::uint8_t*>(text.data()));
}

int ClassicSendBreak() {
  ClassicNextSequence();
  return ClassicSendPacket('B', ClassicLink().sequence, 0, nullptr);
}

int ClassicOpenOutput() {
  TransferSlots& slots = Slots();
  std::string path = slots.headerName;
  if (path.empty()) {
    char name[kHeaderNameCapacity];
    ClassicDecodeToBuffer(name, sizeof name);
    slots.currentFileName = name;
    // The peer names the file, never the directory: a header such as
    // "../x" or "/etc/x" still lands in the current directory.
    path = FileNamePart(name);
  }
  if (OpenReceiveFile(path) < 0) return -1;
  slots.headerName = path;
  return 0;
}

int ClassicCloseOutput() { return FinishReceiveFile() < 0 ? -1 : 0; }

void ClassicTakePeerError() {
  ClassicLinkState& link = ClassicLink();
  link.errorFlag = 1;
  char message[kErrorTextCapacity];
  ClassicDecodeToBuffer(message, sizeof message);
  if (std::strncmp(message, kFileExists, sizeof kFileExists - 1) == 0) link.errorFlag = kResultFileExists;
  NoteErrorPacket(message, true);
  if (ReceiveFileOpen()) ClassicCloseOutput();
}

void ClassicKeepPartialOutput() {
  if (ReceiveFileOpen()) ClassicCloseOutput();
}

NextFileOutcome ClassicNextFileStep(int& ackCounter, int notFoundCode) {
  ClassicLinkState& link = ClassicLink();
  if (ackCounter++ == 0) ClassicAdoptParams(link.receivedData, link.receivedLength);
  if (NextFileToSend() != 1) {
    ClassicSendBreak();
    return NextFileOutcome::BreakSent;
  }
  const int sent = ClassicSendFileHeader();
  if (sent < 0) {
    ClassicSendError(sent == -2 ? notFoundCode : kErrorCannotInitiateSend);
    return NextFileOutcome::Failed;
  }
  Slots().answerAsText = 0;
  return NextFileOutcome::HeaderSent;
}

void ClassicSendDecodeError(int result) {
  ClassicSendError(result == -2 ? kErrorNotCoordinateFile : kErrorDecode);
}

}  // namespace corvane
