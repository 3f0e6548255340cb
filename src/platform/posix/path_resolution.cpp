#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <optional>

#include "platform/paths.h"

namespace corvane {
namespace {

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Among several names that differ only in case, the smallest byte string wins,
// so that the choice does not depend on the order of the directory.
std::optional<std::string> FindIgnoringCase(const std::string& directory, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  std::optional<std::string> match;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (EqualIgnoringCase(name, entry->d_name) && (!match || *match > entry->d_name)) match = entry->d_name;
  }
  return match;
}

}  // namespace

std::string ResolvePath(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::string resolved;
  std::size_t start = 0;
  while (start < path.size() && path[start] == '/') resolved += path[start++];
  while (start < path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    const std::string component = path.substr(start, end - start);
    std::string next = resolved + component;
    if (!component.empty() && component != "." && component != ".." && !Exists(next)) {
      const auto match = FindIgnoringCase(resolved.empty() ? "." : resolved, component);
      // Nothing matches: the rest cannot exist either and stays as given.
      if (!match) return resolved + path.substr(start);
      next = resolved + *match;
    }
    resolved = std::move(next);
    if (slash == std::string::npos) break;
    resolved += '/';
    start = slash + 1;
  }
  return resolved;
}

}  // namespace corvane
