#include <cstdint>

#include "hostfiles/command_handlers.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"

namespace corvane {
namespace {

std::string FormatModified(const LocalTime& time) {
  const std::string minute = (time.minute < 10 ? "0" : "") + std::to_string(time.minute);
  return std::to_string(time.month) + '-' + std::to_string(time.day) + '-' + std::to_string(time.year) + ' ' +
         std::to_string(time.hour) + ':' + minute;
}

std::string ListingLine(const DirectoryEntry& entry) {
  // The Data Collector reads a 32-bit signed size.
  const auto size = static_cast<std::int32_t>(static_cast<std::uint32_t>(entry.size));
  const std::string middle = entry.isDirectory ? std::string(" <DIR>   ") : std::to_string(size);
  return entry.name + ' ' + middle + ' ' + FormatModified(entry.modified) + "\r\n";
}

}  // namespace

// The argument plays no part, not even one too long for the engine's buffer:
// the whole current directory is listed.
HostAnswer AnswerListDirectory(const HostCommand& /*command*/) {
  const std::optional<std::string> current = CurrentDirectory();
  if (!current || !PathInsideRoot(*current)) return FailedAnswer(0);
  const auto entries = ListDirectory(*current, Confinement().root);
  if (!entries) return FailedAnswer(0);
  std::string listing = *current + "\r\n";
  for (const DirectoryEntry& entry : *entries) {
    if (!entry.hidden) listing += ListingLine(entry);
  }
  HostAnswer answer{1, {}, "dir"};
  if (!WriteAnswerFile(listing, answer.answerPath)) return FailedAnswer(0);
  return answer;
}

}  // namespace corvane
