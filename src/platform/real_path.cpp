#include "platform/real_path.h"

#include <filesystem>
#include <system_error>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Where a dangling link leads cannot be told, so nothing may be claimed about
// a path through one. Only the first missing component can be such a link:
// beyond it nothing exists.
bool LeadsThroughDanglingLink(const fs::path& absolute) {
  fs::path prefix;
  for (const fs::path& part : absolute) {
    prefix /= part;
    std::error_code error;
    if (fs::exists(fs::status(prefix, error))) continue;
    return fs::is_symlink(fs::symlink_status(prefix, error));
  }
  return false;
}

}  // namespace

std::optional<std::string> RealPath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), error);
  if (error || LeadsThroughDanglingLink(absolute)) return std::nullopt;
  // A looping link or an unreadable component fails here.
  const fs::path resolved = fs::weakly_canonical(absolute, error);
  if (error) return std::nullopt;
  // With '/' as the separator on every system, as the confinement check compares.
  std::string text = resolved.generic_string();
  // The missing rest is normalised by name, which keeps a separator after a final "." or "..".
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace corvane
