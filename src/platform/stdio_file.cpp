// The buffering and the text mode of StdioFile; the system's calls on the open
// file are in raw_file.h.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/raw_file.h"

namespace corvane {
namespace {

constexpr std::size_t kBlockSize = 16384;
constexpr int kEndOfData = -1;
constexpr int kReadFailed = -2;
constexpr int kCtrlZ = 0x1A;

}  // namespace

StdioFile::StdioFile(StdioFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      kind_(other.kind_),
      writable_(other.writable_),
      atCtrlZ_(other.atCtrlZ_),
      readBuffer_(std::move(other.readBuffer_)),
      readIndex_(std::exchange(other.readIndex_, 0)),
      writeBuffer_(std::move(other.writeBuffer_)) {
  other.Forget();
}

StdioFile& StdioFile::operator=(StdioFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    kind_ = other.kind_;
    writable_ = other.writable_;
    atCtrlZ_ = other.atCtrlZ_;
    readBuffer_ = std::move(other.readBuffer_);
    readIndex_ = std::exchange(other.readIndex_, 0);
    writeBuffer_ = std::move(other.writeBuffer_);
    other.Forget();
  }
  return *this;
}

StdioFile::~StdioFile() { Close(); }

void StdioFile::Forget() {
  fd_ = -1;
  writable_ = false;
  atCtrlZ_ = false;
  readBuffer_.clear();
  readIndex_ = 0;
  writeBuffer_.clear();
}

bool StdioFile::Open(const std::string& path, FileOpen how, FileKind kind, const std::string& within) {
  Close();
  // An existing file of another case is opened (and emptied when created), as
  // on a file system that ignores case; a new file gets exactly the name given.
  const int fd = OpenRawFile(ResolvePath(path), how, within);
  if (fd < 0) return false;
  Forget();
  fd_ = fd;
  kind_ = kind;
  writable_ = how != FileOpen::Read;
  return true;
}

bool StdioFile::Close() {
  if (fd_ < 0) return false;
  const bool flushed = FlushWrites();
  const bool closed = CloseRawFile(fd_);
  Forget();
  return flushed && closed;
}

bool StdioFile::Flush() { return fd_ >= 0 && FlushWrites(); }

bool StdioFile::FlushWrites() {
  if (writeBuffer_.empty()) return true;
  const bool written = WriteRawFile(fd_, writeBuffer_.data(), writeBuffer_.size());
  // Bytes that could not be written are dropped, not retried at every call.
  writeBuffer_.clear();
  return written;
}

bool StdioFile::DropReadAhead() {
  const std::size_t unread = readBuffer_.size() - readIndex_;
  readBuffer_.clear();
  readIndex_ = 0;
  return unread == 0 || SeekRawFile(fd_, -static_cast<std::int64_t>(unread), SeekFrom::Current) >= 0;
}

int StdioFile::FillReadBuffer() {
  readBuffer_.resize(kBlockSize);
  readIndex_ = 0;
  const long count = ReadRawFile(fd_, readBuffer_.data(), kBlockSize);
  readBuffer_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return count < 0 ? -1 : static_cast<int>(count);
}

int StdioFile::NextRawByte() {
  if (readIndex_ == readBuffer_.size()) {
    const int filled = FillReadBuffer();
    if (filled <= 0) return filled == 0 ? kEndOfData : kReadFailed;
  }
  return static_cast<unsigned char>(readBuffer_[readIndex_++]);
}

int StdioFile::NextTextByte() {
  if (atCtrlZ_) return kEndOfData;
  const int byte = NextRawByte();
  if (byte == kCtrlZ) {
    // Left unread, so that Tell names the offset of the Ctrl-Z.
    --readIndex_;
    atCtrlZ_ = true;
    return kEndOfData;
  }
  if (byte != '\r') return byte;
  const int next = NextRawByte();
  if (next == '\n') return '\n';
  if (next >= 0) --readIndex_;  // a lone CR stays; the byte after it comes next
  return '\r';
}

long StdioFile::Read(void* buffer, std::size_t length) {
  if (fd_ < 0 || !FlushWrites()) return -1;
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t count = 0;
  while (count < length) {
    if (kind_ == FileKind::Text) {
      const int byte = NextTextByte();
      if (byte < 0) {
        if (byte == kReadFailed && count == 0) return -1;
        break;
      }
      out[count++] = static_cast<unsigned char>(byte);
      continue;
    }
    if (readIndex_ == readBuffer_.size()) {
      const int filled = FillReadBuffer();
      if (filled < 0 && count == 0) return -1;
      if (filled <= 0) break;
    }
    const std::size_t part = std::min(length - count, readBuffer_.size() - readIndex_);
    std::memcpy(out + count, readBuffer_.data() + readIndex_, part);
    readIndex_ += part;
    count += part;
  }
  return static_cast<long>(count);
}

bool StdioFile::ReadLine(char* buffer, int capacity) {
  // The terminating zero needs a byte of its own; no room means nothing read.
  if (buffer == nullptr || capacity < 1) return false;
  if (fd_ < 0 || !FlushWrites()) {
    buffer[0] = '\0';
    return false;
  }
  int count = 0;
  while (count < capacity - 1) {
    const int byte = kind_ == FileKind::Text ? NextTextByte() : NextRawByte();
    if (byte == kReadFailed) {
      buffer[count] = '\0';
      return false;
    }
    if (byte == kEndOfData) break;
    buffer[count++] = static_cast<char>(byte);
    if (byte == '\n') break;
  }
  buffer[count] = '\0';
  return count > 0;
}

bool StdioFile::Write(const void* data, std::size_t length) {
  if (fd_ < 0 || !writable_ || !DropReadAhead()) return false;
  const auto* bytes = static_cast<const char*>(data);
  if (kind_ == FileKind::Binary) {
    writeBuffer_.append(bytes, length);
  } else {
    for (std::size_t i = 0; i < length; ++i) {
      if (bytes[i] == '\n') writeBuffer_.push_back('\r');
      writeBuffer_.push_back(bytes[i]);
    }
  }
  return writeBuffer_.size() < kBlockSize || FlushWrites();
}

bool StdioFile::Seek(long offset) {
  if (fd_ < 0 || offset < 0 || !FlushWrites()) return false;
  readBuffer_.clear();
  readIndex_ = 0;
  atCtrlZ_ = false;
  return SeekRawFile(fd_, offset, SeekFrom::Start) >= 0;
}

bool StdioFile::SeekToEnd() {
  if (fd_ < 0 || !FlushWrites()) return false;
  readBuffer_.clear();
  readIndex_ = 0;
  atCtrlZ_ = false;
  return SeekRawFile(fd_, 0, SeekFrom::End) >= 0;
}

long StdioFile::Tell() {
  if (fd_ < 0 || !FlushWrites()) return -1;
  const std::int64_t position = SeekRawFile(fd_, 0, SeekFrom::Current);
  if (position < 0) return -1;
  return static_cast<long>(position) - static_cast<long>(readBuffer_.size() - readIndex_);
}

long StdioFile::Length() {
  if (fd_ < 0 || !FlushWrites()) return -1;
  return static_cast<long>(RawFileSize(fd_));
}

}  // namespace corvane
