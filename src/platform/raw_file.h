// The system's calls on an open file, beneath StdioFile: a descriptor of the
// C run-time kind (an int, -1 for none) on every system. Private to the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace corvane {

enum class SeekFrom { Start, Current, End };

// Opens `path` (already resolved for case) as `how` says; a created file is
// emptied. With `within`, the open stays inside that tree. -1 on failure and
// for a directory.
int OpenRawFile(const std::string& path, FileOpen how, const std::string& within);
// The count read, 0 at the end, -1 on an error.
long ReadRawFile(int fd, void* buffer, std::size_t length);
// False when not every byte was written.
bool WriteRawFile(int fd, const char* data, std::size_t length);
// The new position, or -1.
std::int64_t SeekRawFile(int fd, std::int64_t offset, SeekFrom from);
// -1 when the size cannot be read.
std::int64_t RawFileSize(int fd);
bool CloseRawFile(int fd);

}  // namespace corvane
