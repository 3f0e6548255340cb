// A byte stream that waits for input against a precise deadline, for relays
// that pace their output to a line rate finer than a millisecond.
#pragma once

#include <chrono>

#include "common/byte_stream.h"

namespace corvane {

class TimedStream : public ByteStream {
 public:
  TimedStream() = default;
  // Takes over the descriptor of `stream` (for example a pty pair's master side).
  explicit TimedStream(ByteStream&& stream) : ByteStream(std::move(stream)) {}

  // True as soon as a byte can be read; false once `deadline` has passed, or
  // at once when the stream is closed or has failed.
  bool WaitReadableUntil(std::chrono::steady_clock::time_point deadline);
};

}  // namespace corvane
