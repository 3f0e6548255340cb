#include "hostfiles/command_handlers.h"
#include "hostfiles/file_names.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"

namespace corvane {

// The name is used literally: "*" and "?" match nothing but themselves. An
// argument too long for the engine's buffer is refused: erasing a cut name
// could remove a different file.
HostAnswer AnswerErase(const HostCommand& command) {
  if (command.argumentTooLong || !command.argument) return FailedAnswer(0);
  const std::string path = SlashedPath(*command.argument);
  if (path.empty() || !PathInsideRoot(path)) return FailedAnswer(0);
  // Only files are erased, as on the system the commands were made for, even
  // where removing an empty directory would succeed.
  if (IsDirectory(path) || !RemoveFile(path, Confinement().root)) return FailedAnswer(0);
  HostAnswer answer{1, {}, "erase"};
  if (!WriteAnswerFile("Deleted file: " + *command.argument + "\r\n", answer.answerPath)) return FailedAnswer(kAnswerFileFailed);
  return answer;
}

}  // namespace corvane
