#include <io.h>
#include <windows.h>

#include <vector>

#include "platform/paths.h"
#include "platform/win32/handle.h"

namespace corvane {

bool HasAccess(const std::string& path, Access access) {
  int mode = 0;
  switch (access) {
    case Access::Exists: mode = 0; break;
    case Access::Read: mode = 4; break;
    case Access::ReadWrite: mode = 6; break;
  }
  return !path.empty() && ::_access(path.c_str(), mode) == 0;
}

bool RemoveFile(const std::string& path, const std::string& within) {
  if (path.empty()) return false;
  if (within.empty()) return ::DeleteFileA(path.c_str()) != 0;
  // The entry itself is removed (a link is not followed) when it lies in the
  // tree; a directory is refused.
  const Handle entry(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!entry.IsValid() || IsDirectoryHandle(entry.Get()) || !OpenedBeneath(entry.Get(), within)) return false;
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(entry.Get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// "C:" and "D:\DATA" change the drive too.
bool ChangeDirectory(const std::string& path, const std::string& within) {
  if (path.empty()) return false;
  if (within.empty()) return ::SetCurrentDirectoryA(path.c_str()) != 0;
  // Windows changes directory by name only: the name used is the final path
  // just checked, which holds no link that could lead elsewhere.
  const Handle directory = OpenToInspect(path);
  if (!directory.IsValid() || !IsDirectoryHandle(directory.Get()) || !OpenedBeneath(directory.Get(), within)) {
    return false;
  }
  const std::optional<std::string> finalPath = FinalPathOf(directory.Get());
  return finalPath && ::SetCurrentDirectoryA(finalPath->c_str()) != 0;
}

std::optional<std::string> CurrentDirectory() {
  const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::nullopt;
  std::vector<char> buffer(needed);
  const DWORD length = ::GetCurrentDirectoryA(needed, buffer.data());
  if (length == 0 || length >= needed) return std::nullopt;
  return std::string(buffer.data(), length);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) == 0) return std::nullopt;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace corvane
