// A file descriptor that moves bytes with timed reads: the master side of a
// pty pair, a pipe. Closes itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

class ByteStream {
 public:
  ByteStream() = default;
  explicit ByteStream(int fd) : fd_(fd) {}
  ByteStream(ByteStream&& other) noexcept;
  ByteStream& operator=(ByteStream&& other) noexcept;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;
  ~ByteStream();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // False when the stream is closed or any byte could not be written.
  bool Write(const std::uint8_t* data, std::size_t length);
  // Waits up to `waitMs` for a first byte, then goes on taking bytes until the
  // line has been quiet for `waitMs` or `capacity` bytes have arrived.
  // Returns the number of bytes stored (0: nothing arrived in time).
  std::size_t ReadAvailable(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs);
  // Takes what has already arrived, without waiting.
  std::size_t ReadNow(std::uint8_t* buffer, std::size_t capacity);
  // True when a byte can be read within `waitMs`.
  bool WaitReadable(std::uint32_t waitMs);
  // Bytes waiting to be read.
  std::uint32_t BytesWaiting() const;
  void Close();

 protected:
  int fd_ = -1;
};

}  // namespace corvane
