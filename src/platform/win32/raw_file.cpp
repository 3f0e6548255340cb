// Files through CreateFileA, held as C run-time descriptors. A confined open
// is judged by the final path of the handle it opened, so that a link or a
// junction cannot lead out of the tree, nor one swapped in after a check.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/raw_file.h"
#include "platform/win32/handle.h"

namespace corvane {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Removes the file behind `handle`, which must have been opened with DELETE access.
void DeleteOpened(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

// Opened without emptying: a file found outside the tree must stay as it was,
// and one made there is removed again.
Handle OpenOrCreate(const std::string& path, FileOpen how, const std::string& within) {
  const bool create = how == FileOpen::CreateReadWrite;
  DWORD access = how == FileOpen::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  // Only a file that may be created needs the right to be removed again.
  if (create && !within.empty()) access |= DELETE;
  Handle file(::CreateFileA(path.c_str(), access, kShareAll, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const bool created = create && ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (!file.IsValid() || within.empty() || OpenedBeneath(file.Get(), within)) return file;
  if (created) DeleteOpened(file.Get());
  return Handle();
}

}  // namespace

int OpenRawFile(const std::string& path, FileOpen how, const std::string& within) {
  Handle file = OpenOrCreate(path, how, within);
  if (!file.IsValid() || IsDirectoryHandle(file.Get())) return -1;
  if (how == FileOpen::CreateReadWrite && ::SetEndOfFile(file.Get()) == 0) return -1;
  const int flags = (how == FileOpen::Read ? _O_RDONLY : _O_RDWR) | _O_BINARY;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.Get()), flags);
  // From here on the descriptor owns the handle.
  if (fd >= 0) file.Release();
  return fd;
}

long ReadRawFile(int fd, void* buffer, std::size_t length) {
  return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(length, 0x7FFFFFFF)));
}

bool WriteRawFile(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const int count = ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(length, 0x7FFFFFFF)));
    if (count <= 0) return false;
    data += count;
    length -= static_cast<std::size_t>(count);
  }
  return true;
}

std::int64_t SeekRawFile(int fd, std::int64_t offset, SeekFrom from) {
  const int origin = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
  return ::_lseeki64(fd, offset, origin);
}

std::int64_t RawFileSize(int fd) {
  LARGE_INTEGER size{};
  return ::GetFileSizeEx(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &size) != 0 ? size.QuadPart : -1;
}

bool CloseRawFile(int fd) { return ::_close(fd) == 0; }

}  // namespace corvane
