#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>
#include <utility>

#include "common/byte_stream.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

// A write that makes no progress for this long fails instead of hanging the
// worker: nobody drains the line (even 300 baud moves a full driver buffer sooner).
constexpr std::chrono::milliseconds kWriteStallLimit{30000};

int RemainingMs(Clock::time_point deadline) {
  // Rounded up: poll() must not give up before the deadline.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// poll() for `events` until the deadline; the returned revents are 0 on a time-out.
short PollUntil(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, RemainingMs(deadline));
    if (ready > 0) return entry.revents;
    if (ready == 0) return 0;
    if (errno != EINTR) return POLLERR;
  }
}

}  // namespace

ByteStream::ByteStream(ByteStream&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

ByteStream::~ByteStream() { Close(); }

void ByteStream::Close() {
  if (fd_ < 0) return;
  // The descriptor is gone after close() even when it reports EINTR: never retry.
  ::close(fd_);
  fd_ = -1;
}

bool ByteStream::Write(const std::uint8_t* data, std::size_t length) {
  if (fd_ < 0) return false;
  std::size_t written = 0;
  auto stallDeadline = Clock::now() + kWriteStallLimit;
  while (written < length) {
    const ssize_t count = ::write(fd_, data + written, length - written);
    if (count > 0) {
      written += static_cast<std::size_t>(count);
      stallDeadline = Clock::now() + kWriteStallLimit;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const short revents = PollUntil(fd_, POLLOUT, stallDeadline);
    if ((revents & POLLOUT) == 0) return false;  // stalled, hung up or failed
  }
  return true;
}

std::size_t ByteStream::ReadNow(std::uint8_t* buffer, std::size_t capacity) {
  if (fd_ < 0) return 0;
  std::size_t taken = 0;
  while (taken < capacity) {
    const ssize_t count = ::read(fd_, buffer + taken, capacity - taken);
    if (count > 0) {
      // A short read has emptied the driver's queue: asking again would only say EAGAIN.
      const bool drained = static_cast<std::size_t>(count) < capacity - taken;
      taken += static_cast<std::size_t>(count);
      if (drained) break;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    break;  // drained (EAGAIN), end of file or an error
  }
  return taken;
}

bool ByteStream::WaitReadable(std::uint32_t waitMs) {
  if (fd_ < 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  const short revents = PollUntil(fd_, POLLIN, deadline);
  // A hung-up line stays readable with nothing to read; bytes that came before the hang-up are still taken.
  const bool hungUpAndEmpty = (revents & POLLHUP) != 0 && BytesWaiting() == 0;
  if ((revents & POLLIN) && !hungUpAndEmpty) return true;
  // A hung-up or failed line reports at once; spend the wait as a quiet line
  // would, so that callers polling in a loop stay paced.
  if (revents != 0) std::this_thread::sleep_until(deadline);
  return false;
}

std::size_t ByteStream::ReadAvailable(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs) {
  if (fd_ < 0 || capacity == 0) return 0;
  const auto firstDeadline = Clock::now() + std::chrono::milliseconds(waitMs);
  if (!WaitReadable(waitMs)) return 0;
  std::size_t stored = ReadNow(buffer, capacity);
  if (stored == 0) {
    // Readable yet nothing to read: end of file or an error, paced like silence.
    std::this_thread::sleep_until(firstDeadline);
    return 0;
  }
  while (stored < capacity && WaitReadable(waitMs)) {
    const std::size_t more = ReadNow(buffer + stored, capacity - stored);
    if (more == 0) break;
    stored += more;
  }
  return stored;
}

std::uint32_t ByteStream::BytesWaiting() const {
  int count = 0;
  if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::uint32_t>(count);
}

}  // namespace corvane
