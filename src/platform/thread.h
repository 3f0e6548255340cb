// Worker threads and sleeping.
#pragma once

#include <cstdint>
#include <functional>

namespace corvane {

// Starts `body` on a new detached thread; false when no thread could be started.
bool StartDetachedThread(std::function<void()> body);

void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace corvane
