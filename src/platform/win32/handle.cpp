#include "platform/win32/handle.h"

#include <cctype>
#include <vector>

namespace corvane {
namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

Handle& Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    if (IsValid()) ::CloseHandle(handle_);
    handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
  }
  return *this;
}

Handle::~Handle() {
  if (IsValid()) ::CloseHandle(handle_);
}

Handle OpenToInspect(const std::string& path, bool followLink) {
  // Backup semantics open directories too; sharing everything disturbs no one.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return Handle(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

bool IsDirectoryHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information{};
  return ::GetFileInformationByHandle(handle, &information) != 0 &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> FinalPathOf(HANDLE handle) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleA(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) break;
    buffer.resize(length + 1);
  }
  std::string path(buffer.data());
  if (path.starts_with("\\\\?\\UNC\\")) return "\\\\" + path.substr(8);
  if (path.starts_with("\\\\?\\")) return path.substr(4);
  return path;
}

bool OpenedBeneath(HANDLE opened, const std::string& root) {
  const Handle rootHandle = OpenToInspect(root);
  if (!rootHandle.IsValid()) return false;
  const std::optional<std::string> rootPath = FinalPathOf(rootHandle.Get());
  const std::optional<std::string> path = FinalPathOf(opened);
  if (!rootPath || !path || path->size() < rootPath->size()) return false;
  // The file system ignores case: so does the comparison.
  if (!EqualIgnoringCase(*path, *rootPath, rootPath->size())) return false;
  // A drive's root ends in a separator already.
  return path->size() == rootPath->size() || rootPath->back() == '\\' || (*path)[rootPath->size()] == '\\';
}

}  // namespace corvane
