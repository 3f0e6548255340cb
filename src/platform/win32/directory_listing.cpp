#include <windows.h>

#include <memory>

#include "platform/paths.h"
#include "platform/win32/handle.h"

namespace corvane {
namespace {

struct FindCloser {
  void operator()(HANDLE search) const { ::FindClose(search); }
};

LocalTime ToLocalTime(const FILETIME& written) {
  FILETIME local{};
  SYSTEMTIME parts{};
  LocalTime time;
  if (::FileTimeToLocalFileTime(&written, &local) == 0 || ::FileTimeToSystemTime(&local, &parts) == 0) return time;
  time.year = parts.wYear;
  time.month = parts.wMonth;
  time.day = parts.wDay;
  time.hour = parts.wHour;
  time.minute = parts.wMinute;
  return time;
}

// The directory to search: with `within`, the final path of the directory
// checked to lie in the tree, so that the listing is of that very directory.
std::optional<std::string> DirectoryToSearch(const std::string& path, const std::string& within) {
  const std::string directory = path.empty() ? "." : path;
  if (within.empty()) return directory;
  const Handle opened = OpenToInspect(directory);
  if (!opened.IsValid() || !IsDirectoryHandle(opened.Get()) || !OpenedBeneath(opened.Get(), within)) {
    return std::nullopt;
  }
  return FinalPathOf(opened.Get());
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::string& path, const std::string& within) {
  const std::optional<std::string> directory = DirectoryToSearch(path, within);
  if (!directory) return std::nullopt;
  const bool endsInSeparator = directory->back() == '\\' || directory->back() == '/';
  WIN32_FIND_DATAA found{};
  const HANDLE first = ::FindFirstFileA((*directory + (endsInSeparator ? "*.*" : "\\*.*")).c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::unique_ptr<void, FindCloser> search(first);
  std::vector<DirectoryEntry> entries;
  do {
    DirectoryEntry entry;
    entry.name = found.cFileName;
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    // Directories have no size of their own to show.
    entry.size = entry.isDirectory ? 0 : (static_cast<std::int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry.modified = ToLocalTime(found.ftLastWriteTime);
    entries.push_back(std::move(entry));
  } while (::FindNextFileA(first, &found) != 0);
  return entries;
}

}  // namespace corvane
