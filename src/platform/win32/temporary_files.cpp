#include <windows.h>

#include "platform/paths.h"

namespace corvane {

std::string TemporaryDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  if (length == 0 || length > MAX_PATH) return ".";
  std::string directory(buffer, length);
  // A drive's root ("C:\") keeps its separator.
  if (directory.size() > 3 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
  return directory;
}

// GetTempFileNameA makes "<prefix><hex>.tmp" (the prefix cut to three characters)
// under a number not yet in use and creates the file.
std::optional<std::string> CreateUniqueFile(const std::string& directory, const std::string& prefix) {
  const std::string where = directory.empty() ? "." : directory;
  char name[MAX_PATH + 1] = {};
  if (::GetTempFileNameA(where.c_str(), prefix.c_str(), 0, name) == 0) return std::nullopt;
  return std::string(name);
}

}  // namespace corvane
