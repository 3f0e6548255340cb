// The 32-bit millisecond tick of the platform: milliseconds of the monotonic
// clock, wrapping at 2^32 like the original tick count.
#pragma once

#include <cstdint>
#include <functional>

namespace corvane {

std::uint32_t TickCount();

// Tests replace the clock; an empty function restores the monotonic clock.
// Set it only while no operation runs.
void SetTickSource(std::function<std::uint32_t()> source);

}  // namespace corvane
