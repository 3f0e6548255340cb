#include "common/timed_stream.h"

#include <poll.h>

#include <cerrno>
#include <ctime>

namespace corvane {

bool TimedStream::WaitReadableUntil(std::chrono::steady_clock::time_point deadline) {
  if (fd_ < 0) return false;
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    const auto leftNs = left.count() > 0 ? std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() : 0;
    // ppoll takes nanoseconds: poll's whole milliseconds would smear a fast line's pacing.
    const timespec wait{static_cast<time_t>(leftNs / 1'000'000'000), static_cast<long>(leftNs % 1'000'000'000)};
    pollfd entry{fd_, POLLIN, 0};
    const int ready = ::ppoll(&entry, 1, &wait, nullptr);
    if (ready > 0) return (entry.revents & POLLIN) != 0;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace corvane
