#include "lineemu/line_direction.h"

#include <algorithm>
#include <thread>

namespace corvane::bench {
namespace {

// Without input the loop still looks at the stop request this often.
constexpr std::chrono::milliseconds kIdleWake{100};
constexpr int kBitsPerByte = 10;  // start bit, eight data bits, stop bit
constexpr std::uint8_t kPacketMark = 0x01;  // SOH

}  // namespace

LineDirection::LineDirection(TimedStream& from, TimedStream& to, const LineShape& shape, std::uint64_t seed)
    : from_(from),
      to_(to),
      shape_(shape),
      byteTime_(std::chrono::nanoseconds(1'000'000'000LL * kBitsPerByte / std::max(shape.baudRate, 1))),
      random_(seed) {}

void LineDirection::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    const Clock::time_point now = Clock::now();
    DeliverDue(now);
    const Clock::time_point wake = NextWake(now);
    const bool readable = size_ < kQueueLimit && from_.WaitReadableUntil(wake);
    if (readable) {
      TakeInput(Clock::now());
    } else {
      // A full queue, or a stream that reports failure at once: wait out the time.
      std::this_thread::sleep_until(wake);
    }
  }
}

void LineDirection::TakeInput(Clock::time_point now) {
  std::uint8_t block[kQueueLimit];
  const std::size_t taken = from_.ReadNow(block, kQueueLimit - size_);
  if (taken > 0 && counts_.bytesIn == 0) counts_.firstIn = now;
  for (std::size_t i = 0; i < taken; ++i) {
    OnWire entry{block[i], false, {}};
    if (entry.byte == kPacketMark) ++counts_.packetMarks;
    const LineFaults& faults = shape_.faults;
    if (faults.dropProbability > 0 && chance_(random_) < faults.dropProbability) {
      entry.lost = true;  // a lost byte still had its time on the wire
      ++counts_.dropped;
    } else if (faults.corruptProbability > 0 && chance_(random_) < faults.corruptProbability) {
      entry.byte ^= static_cast<std::uint8_t>(1 + random_() % 255);
      ++counts_.corrupted;
    }
    wireFree_ = std::max(wireFree_, now) + byteTime_;
    entry.arrives = wireFree_;
    queue_[(head_ + size_) % kQueueLimit] = entry;
    ++size_;
  }
  counts_.bytesIn += taken;
}

void LineDirection::DeliverDue(Clock::time_point now) {
  std::uint8_t block[kQueueLimit];
  std::size_t count = 0;
  while (size_ > 0 && queue_[head_].arrives <= now) {
    if (!queue_[head_].lost) block[count++] = queue_[head_].byte;
    head_ = (head_ + 1) % kQueueLimit;
    --size_;
  }
  if (count == 0) return;
  // A reader that stops reading holds this direction back, like a full receive queue.
  if (to_.Write(block, count)) counts_.bytesOut += count;
  lastDelivery_ = now;
  counts_.lastOut = now;
}

LineDirection::Clock::time_point LineDirection::NextWake(Clock::time_point now) const {
  if (size_ == 0) return now + kIdleWake;
  const Clock::time_point first = queue_[head_].arrives;
  const Clock::time_point last = queue_[(head_ + size_ - 1) % kQueueLimit].arrives;
  return std::min(last, std::max(first, lastDelivery_ + shape_.batchInterval));
}

}  // namespace corvane::bench
