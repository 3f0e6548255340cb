#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/paths.h"

namespace corvane {
namespace {

bool HasDrivePrefix(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char letter = path[0];
  return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

}  // namespace

bool HasAccess(const std::string& path, Access access) {
  int mode = F_OK;
  switch (access) {
    case Access::Exists: mode = F_OK; break;
    case Access::Read: mode = R_OK; break;
    case Access::ReadWrite: mode = R_OK | W_OK; break;
  }
  return !path.empty() && ::access(ResolvePath(path).c_str(), mode) == 0;
}

bool RemoveFile(const std::string& path) { return !path.empty() && ::unlink(ResolvePath(path).c_str()) == 0; }

bool ChangeDirectory(const std::string& path) {
  // There are no drives here: a drive prefix fails like a missing directory.
  if (path.empty() || HasDrivePrefix(path)) return false;
  return ::chdir(ResolvePath(path).c_str()) == 0;
}

std::optional<std::string> CurrentDirectory() {
  std::vector<char> buffer(256);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return !path.empty() && ::stat(ResolvePath(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  struct stat status {};
  if (path.empty() || ::stat(ResolvePath(path).c_str(), &status) != 0) return std::nullopt;
  return static_cast<std::int64_t>(status.st_size);
}

}  // namespace corvane
