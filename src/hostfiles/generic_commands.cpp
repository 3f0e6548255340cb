#include "hostfiles/generic_commands.h"

#include "hostfiles/command_handlers.h"

namespace corvane {

HostAnswer AnswerHostCommand(const HostCommand& command) {
  switch (command.letter) {
    case 'C': return AnswerChangeDirectory(command);
    case 'D': return AnswerListDirectory(command);
    case 'E': return AnswerErase(command);
    default: return {};
  }
}

std::optional<std::string> ArgumentOfField(std::string_view field) {
  field = field.substr(0, field.find('\0'));
  // Bytes from 128 up count as signed negatives, so they go with the blanks.
  while (!field.empty() && static_cast<signed char>(field.back()) <= 32) field.remove_suffix(1);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  if (field.empty()) return std::nullopt;
  return std::string(field.substr(1));
}

}  // namespace corvane
