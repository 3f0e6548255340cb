#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <memory>

#include "platform/paths.h"
#include "platform/posix/beneath.h"

namespace corvane {
namespace {

LocalTime ToLocalTime(std::time_t when) {
  std::tm parts{};
  LocalTime local;
  if (::localtime_r(&when, &parts) == nullptr) return local;
  local.year = parts.tm_year + 1900;
  local.month = parts.tm_mon + 1;
  local.day = parts.tm_mday;
  local.hour = parts.tm_hour;
  local.minute = parts.tm_min;
  return local;
}

bool IsHiddenName(const std::string& name) { return name.size() > 1 && name[0] == '.' && name != ".."; }

// `target` as a directory stream, opened below `within` when that is set; null when it cannot be.
DIR* OpenDirectoryStream(const std::string& target, const std::string& within) {
  if (within.empty()) return ::opendir(target.c_str());
  Descriptor directory = OpenBeneath(within, target, O_RDONLY | O_DIRECTORY);
  if (!directory.IsValid()) return nullptr;
  DIR* stream = ::fdopendir(directory.Get());
  // From here on the stream owns the descriptor.
  if (stream != nullptr) directory.Release();
  return stream;
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::string& path, const std::string& within) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(OpenDirectoryStream(ResolvePath(path.empty() ? "." : path), within),
                                          ::closedir);
  if (!dir) return std::nullopt;
  const int dirFd = ::dirfd(dir.get());
  std::vector<DirectoryEntry> entries;
  while (const dirent* found = ::readdir(dir.get())) {
    DirectoryEntry entry;
    entry.name = found->d_name;
    entry.hidden = IsHiddenName(entry.name);
    struct stat status {};
    // A link is described by its target; a dangling one by the link itself.
    if (::fstatat(dirFd, found->d_name, &status, 0) == 0 ||
        ::fstatat(dirFd, found->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.isDirectory = S_ISDIR(status.st_mode);
      // Directories have no size of their own to show.
      entry.size = entry.isDirectory ? 0 : static_cast<std::int64_t>(status.st_size);
      entry.modified = ToLocalTime(status.st_mtime);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace corvane
