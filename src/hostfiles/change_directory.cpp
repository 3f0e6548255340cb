#include "hostfiles/argument_field.h"
#include "hostfiles/command_handlers.h"
#include "hostfiles/file_names.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"

namespace corvane {
namespace {

int ChangeDirectoryTo(char* field, std::string& answerPath) {
  std::optional<std::string> directory = ArgumentAfterLength(field);
  if (!directory) return kAnswerEmptyArgument;
  *directory = SlashedPath(*directory);
  if (directory->empty() || !PathInsideRoot(*directory)) return kAnswerDirectoryFailed;
  // A drive prefix such as "C:" is refused by the platform like a missing directory.
  if (!ChangeDirectory(*directory, Confinement().root)) return kAnswerDirectoryFailed;
  const std::optional<std::string> current = CurrentDirectory();
  if (!current) return kAnswerDirectoryFailed;
  if (!WriteAnswerFile(*current + "\r\n", answerPath)) return kAnswerFileFailed;
  return 1;
}

}  // namespace

int ChangeDirectory() { return AnswerClassic(ChangeDirectoryTo, "cd"); }

// An argument too long for the wide buffer is refused like a missing directory.
int ChangeDirectory(WideLinkContext& context, std::string& answerPath) {
  return AnswerWide(ChangeDirectoryTo, kAnswerDirectoryFailed, "cd", context, answerPath);
}

}  // namespace corvane
