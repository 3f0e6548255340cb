#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/paths.h"

namespace corvane {
namespace {

// Four hex digits as in the names that the original temporary-file service made.
constexpr unsigned kNameSpace = 0x10000;

unsigned StartingNumber() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<unsigned>(now ^ (static_cast<long long>(::getpid()) << 16)) % kNameSpace;
}

std::string HexName(const std::string& prefix, unsigned number) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%X", number);
  return prefix + digits + ".tmp";
}

}  // namespace

std::string TemporaryDirectory() {
  const char* fromEnvironment = std::getenv("TMPDIR");
  std::string directory = (fromEnvironment != nullptr && fromEnvironment[0] != '\0') ? fromEnvironment : "/tmp";
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  return directory;
}

std::optional<std::string> CreateUniqueFile(const std::string& directory, const std::string& prefix) {
  // An empty directory is the current one; a trailing slash is not doubled.
  std::string shown = directory.empty() ? "." : directory;
  if (shown.back() != '/') shown += '/';
  const std::string onDisk = ResolvePath(shown);
  const unsigned start = StartingNumber();
  // Every number is tried once; 0 is skipped, as the original service never used it.
  for (unsigned step = 0; step < kNameSpace; ++step) {
    const unsigned number = (start + step) % kNameSpace;
    if (number == 0) continue;
    const std::string name = HexName(prefix, number);
    const int fd = ::open((onDisk + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return shown + name;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace corvane
