// Worker threads and sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace corvane {

// Starts `body` on a new detached thread; false when no thread could be started.
bool StartDetachedThread(std::function<void()> body);

void SleepMilliseconds(std::uint32_t milliseconds);
// Returns at once for a time already passed.
void SleepUntil(std::chrono::steady_clock::time_point until);

}  // namespace corvane
