#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/beneath.h"
#include "platform/raw_file.h"

namespace corvane {

int OpenRawFile(const std::string& path, FileOpen how, const std::string& within) {
  int flags = O_CLOEXEC;
  switch (how) {
    case FileOpen::Read: flags |= O_RDONLY; break;
    case FileOpen::ReadWrite: flags |= O_RDWR; break;
    case FileOpen::CreateReadWrite: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  const int fd = within.empty() ? ::open(path.c_str(), flags, 0666) : OpenBeneath(within, path, flags, 0666).Release();
  if (fd < 0) return -1;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

long ReadRawFile(int fd, void* buffer, std::size_t length) {
  for (;;) {
    const ssize_t count = ::read(fd, buffer, length);
    if (count < 0 && errno == EINTR) continue;
    return static_cast<long>(count);
  }
}

bool WriteRawFile(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t count = ::write(fd, data, length);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data += count;
    length -= static_cast<std::size_t>(count);
  }
  return true;
}

std::int64_t SeekRawFile(int fd, std::int64_t offset, SeekFrom from) {
  const int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
  return static_cast<std::int64_t>(::lseek(fd, static_cast<off_t>(offset), whence));
}

std::int64_t RawFileSize(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

bool CloseRawFile(int fd) { return ::close(fd) == 0; }

}  // namespace corvane
