#include "hostfiles/argument_field.h"
#include "hostfiles/command_handlers.h"
#include "hostfiles/file_names.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"

namespace corvane {
namespace {

// The name is used literally: "*" and "?" match nothing but themselves.
int EraseNamed(char* field, std::string& answerPath) {
  const std::optional<std::string> name = ArgumentAfterLength(field);
  if (!name) return 0;
  const std::string path = SlashedPath(*name);
  if (path.empty() || !PathInsideRoot(path)) return 0;
  // Only files are erased, as on the system the commands were made for, even
  // where removing an empty directory would succeed.
  if (IsDirectory(path) || !RemoveFile(path, Confinement().root)) return 0;
  if (!WriteAnswerFile("Deleted file: " + *name + "\r\n", answerPath)) return kAnswerFileFailed;
  return 1;
}

}  // namespace

int EraseFile() { return AnswerClassic(EraseNamed, "erase"); }

// An argument too long for the wide buffer is refused: erasing a cut name
// could remove a different file.
int EraseFile(WideLinkContext& context, std::string& answerPath) {
  return AnswerWide(EraseNamed, 0, "erase", context, answerPath);
}

}  // namespace corvane
