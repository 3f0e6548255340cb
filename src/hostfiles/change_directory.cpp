#include "hostfiles/command_handlers.h"
#include "hostfiles/file_names.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"

namespace corvane {

// An argument too long for the engine's buffer is refused like a missing directory.
HostAnswer AnswerChangeDirectory(const HostCommand& command) {
  if (command.argumentTooLong) return FailedAnswer(kAnswerDirectoryFailed);
  if (!command.argument) return FailedAnswer(kAnswerEmptyArgument);
  const std::string directory = SlashedPath(*command.argument);
  if (directory.empty() || !PathInsideRoot(directory)) return FailedAnswer(kAnswerDirectoryFailed);
  // A drive prefix such as "C:" is refused by the platform like a missing directory.
  if (!ChangeDirectory(directory, Confinement().root)) return FailedAnswer(kAnswerDirectoryFailed);
  const std::optional<std::string> current = CurrentDirectory();
  if (!current) return FailedAnswer(kAnswerDirectoryFailed);
  HostAnswer answer{1, {}, "cd"};
  if (!WriteAnswerFile(*current + "\r\n", answer.answerPath)) return FailedAnswer(kAnswerFileFailed);
  return answer;
}

}  // namespace corvane
