#include "platform/thread.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace corvane {

bool StartDetachedThread(std::function<void()> body) {
  if (!body) return false;
  try {
    std::thread(std::move(body)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SleepUntil(std::chrono::steady_clock::time_point until) { std::this_thread::sleep_until(until); }

}  // namespace corvane
