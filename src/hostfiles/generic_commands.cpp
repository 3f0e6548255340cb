#include "hostfiles/generic_commands.h"

#include <cstring>

#include "hostfiles/command_handlers.h"
#include "hostfiles/transfer_slots.h"
#include "platform/paths.h"
#include "wide/wide_context.h"

namespace corvane {

int HandleGenericCommand() {
  switch (Slots().hostCommand[0]) {
    case 'C': return ChangeDirectory();
    case 'D': return ListDirectory();
    case 'E': return EraseFile();
    default: return 0;
  }
}

int HandleGenericCommand(WideLinkContext& context, std::string& answerPath) {
  if (context.rxData == nullptr || context.rxLength < 1) return 0;
  switch (context.rxData[0]) {
    case 'C': return ChangeDirectory(context, answerPath);
    case 'D': return ListDirectory(context, answerPath);
    case 'E': return EraseFile(context, answerPath);
    default: return 0;
  }
}

// One file per transaction: the flag is spent whether or not the file is there.
int NextFileToSend() {
  TransferSlots& slots = Slots();
  if (slots.filePending == 0) return 0;
  slots.filePending = 0;
  if (slots.nextFileName.empty() || !HasAccess(slots.nextFileName, Access::Exists)) return 0;
  slots.currentFileName = slots.nextFileName;
  return 1;
}

void TrimTrailing(char* text) {
  if (text == nullptr) return;
  // Bytes from 128 up count as signed negatives, so they go with the blanks.
  for (std::size_t length = std::strlen(text); length > 0; --length) {
    if (static_cast<signed char>(text[length - 1]) > 32) break;
    text[length - 1] = '\0';
  }
}

}  // namespace corvane
