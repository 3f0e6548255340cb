#include "platform/real_path.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace corvane {
namespace {

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > start) components.push_back(path.substr(start, end - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return components;
}

std::string JoinPrefix(bool absolute, const std::vector<std::string>& components, std::size_t count) {
  std::string prefix = absolute ? "/" : "";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) prefix += '/';
    prefix += components[i];
  }
  return prefix.empty() ? "." : prefix;
}

bool EntryExists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

std::optional<std::string> ResolveExisting(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace

std::optional<std::string> RealPath(const std::string& path) {
  const bool absolute = !path.empty() && path[0] == '/';
  const std::vector<std::string> components = SplitComponents(path);

  // Once a component is missing, no longer prefix exists either, so the first
  // existing prefix from the long end is the one the file system would reach.
  std::size_t existing = components.size();
  while (existing > 0 && !EntryExists(JoinPrefix(absolute, components, existing))) --existing;

  // An entry that exists but does not resolve is a dangling or looping link:
  // where it leads cannot be told, so nothing is claimed about it.
  std::optional<std::string> resolved = ResolveExisting(JoinPrefix(absolute, components, existing));
  if (!resolved) return std::nullopt;

  for (std::size_t i = existing; i < components.size(); ++i) {
    const std::string& component = components[i];
    if (component == ".") continue;
    if (component == "..") {
      const std::size_t slash = resolved->rfind('/');
      resolved->erase(slash == 0 ? 1 : slash);
      continue;
    }
    if (resolved->back() != '/') *resolved += '/';
    *resolved += component;
  }
  return resolved;
}

}  // namespace corvane
