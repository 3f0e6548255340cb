// One direction of an emulated serial line: bytes written at one end leave at
// the other after their time on the wire, optionally corrupted or lost.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <stop_token>

#include "common/timed_stream.h"

namespace corvane::bench {

struct LineFaults {
  double corruptProbability = 0;
  double dropProbability = 0;
  std::uint64_t seed = 1;
};

struct LineShape {
  int baudRate = 9600;
  // Bytes already due are handed over together at most this often, as a UART's
  // receive FIFO would; the last byte of a burst is never held back.
  std::chrono::microseconds batchInterval{1000};
  LineFaults faults;
};

// What passed one way, for the report at the end.
struct DirectionCounts {
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;  // bytes delivered (lost ones are not)
  std::uint64_t corrupted = 0;
  std::uint64_t dropped = 0;
  std::uint64_t packetMarks = 0;  // SOH bytes taken in: one a packet where data never holds one
  std::chrono::steady_clock::time_point firstIn{};
  std::chrono::steady_clock::time_point lastOut{};
};

class LineDirection {
 public:
  LineDirection(TimedStream& from, TimedStream& to, const LineShape& shape, std::uint64_t seed);
  // Relays until `stop` is requested; then `Counts()` may be read.
  void Run(std::stop_token stop);
  const DirectionCounts& Counts() const { return counts_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct OnWire {
    std::uint8_t byte;
    bool lost;
    Clock::time_point arrives;  // when its stop bit has passed the far end
  };

  void TakeInput(Clock::time_point now);
  void DeliverDue(Clock::time_point now);
  Clock::time_point NextWake(Clock::time_point now) const;

  TimedStream& from_;
  TimedStream& to_;
  LineShape shape_;
  std::chrono::nanoseconds byteTime_;
  std::mt19937_64 random_;
  std::uniform_real_distribution<double> chance_{0.0, 1.0};
  // A bounded ring, like a driver's transmit queue: a full line stops taking input.
  static constexpr std::size_t kQueueLimit = 4096;
  OnWire queue_[kQueueLimit];
  std::size_t head_ = 0;
  std::size_t size_ = 0;
  Clock::time_point wireFree_{};
  Clock::time_point lastDelivery_{};
  DirectionCounts counts_;
};

}  // namespace corvane::bench
