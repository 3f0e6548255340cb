#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/paths.h"
#include "platform/posix/beneath.h"

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

bool RemoveFile(const std::string& path, const std::string& within) {
  if (path.empty()) return false;
  const std::string target = ResolvePath(path);
  if (within.empty()) return ::unlink(target.c_str()) == 0;
  // The directory is reached inside the tree; the entry itself is removed as
  // it is (a symbolic link is not followed), and a directory is refused.
  const std::size_t slash = target.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  const Descriptor parent = OpenBeneath(within, directory, O_PATH | O_DIRECTORY);
  return parent.IsValid() && ::unlinkat(parent.Get(), name.c_str(), 0) == 0;
}

bool ChangeDirectory(const std::string& path, const std::string& within) {
  // There are no drives here: a drive prefix fails like a missing directory.
  if (path.empty() || HasDrivePrefix(path)) return false;
  if (within.empty()) return ::chdir(ResolvePath(path).c_str()) == 0;
  const Descriptor directory = OpenBeneath(within, ResolvePath(path), O_PATH | O_DIRECTORY);
  return directory.IsValid() && ::fchdir(directory.Get()) == 0;
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
