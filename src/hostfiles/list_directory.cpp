#include <cstdint>

#include "hostfiles/command_handlers.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"
#include "wide/wide_context.h"

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

// The command's argument plays no part: the whole current directory is listed.
int ListCurrentDirectory(char* /*field*/, std::string& answerPath) {
  const std::optional<std::string> current = CurrentDirectory();
  if (!current || !PathInsideRoot(*current)) return 0;
  const auto entries = ListDirectory(*current, Confinement().root);
  if (!entries) return 0;
  std::string listing = *current + "\r\n";
  for (const DirectoryEntry& entry : *entries) {
    if (!entry.hidden) listing += ListingLine(entry);
  }
  return WriteAnswerFile(listing, answerPath) ? 1 : 0;
}

}  // namespace

int ListDirectory() { return AnswerClassic(ListCurrentDirectory, "dir"); }

// The argument plays no part, so one too long for the wide buffer still lists.
int ListDirectory(WideLinkContext& context, std::string& answerPath) {
  std::string path;
  const int result = ListCurrentDirectory(nullptr, path);
  if (result == 1) {
    answerPath = path;
    context.fileName = "dir";
  }
  return result;
}

}  // namespace corvane
