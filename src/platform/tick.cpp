#include "platform/tick.h"

#include <chrono>
#include <mutex>

namespace corvane {
namespace {

// The clock behind TickCount: the monotonic clock unless a test has put its own.
struct TickClock {
  std::mutex mutex;
  std::function<std::uint32_t()> source;
};

TickClock& TheTickClock() {
  static TickClock clock;
  return clock;
}

std::uint32_t MonotonicMilliseconds() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  // Truncation to 32 bits is the wrap of the tick.
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

std::uint32_t TickCount() {
  TickClock& clock = TheTickClock();
  std::lock_guard lock(clock.mutex);
  return clock.source ? clock.source() : MonotonicMilliseconds();
}

void SetTickSource(std::function<std::uint32_t()> source) {
  TickClock& clock = TheTickClock();
  std::lock_guard lock(clock.mutex);
  clock.source = std::move(source);
}

}  // namespace corvane
