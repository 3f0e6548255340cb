#include "serial/line_pacing.h"

#include <algorithm>

namespace corvane {
namespace {

// Shorter writes take too little line time to tell a paced line from a fast one.
constexpr std::uint32_t kEvidenceBytes = 16;
// No prediction stretches a wait beyond the engines' one-second timer steps,
// so time-outs stay on time.
constexpr std::chrono::milliseconds kLongestWait{1000};

}  // namespace

void LinePacing::Restart(int baudRate) {
  *this = LinePacing{};
  baudRate_ = baudRate;
  // Ten bit times a byte: start, eight data (or seven and parity), stop.
  if (baudRate > 0) byteTime_ = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(10)) / baudRate;
}

void LinePacing::OpenTrial(std::uint32_t count, std::uint64_t decidedAt, Clock::time_point now) {
  if (count < kEvidenceBytes || byteTime_ == Clock::duration::zero()) return;
  trial_ = Trial{true, now, byteTime_ * count, decidedAt};
}

void LinePacing::NoteWrite(std::uint32_t count, bool inputUnread, Clock::time_point now) {
  transmitterIdleAt_ = std::max(transmitterIdleAt_, now) + byteTime_ * count;
  settledSince_.reset();
  // The answer's first byte decides; unread input would be taken for it.
  if (!inputUnread) OpenTrial(count, 0, now);
}

void LinePacing::NoteArrival(std::uint64_t end, Clock::time_point now, Found found) {
  // Bytes found waiting after a sleep through a packet's rest came on the heels
  // of the last ones, as a line that keeps its rate brings them; no later than
  // now. That sleep went on through the settle after them as well.
  const bool sleptThrough = found == Found::Waiting && keepsRate_;
  const Clock::time_point arrived =
      sleptThrough ? std::min(now, lastArrival_ + byteTime_ * static_cast<std::int64_t>(end - arrivedEnd_)) : now;
  lastArrival_ = arrived;
  arrivedEnd_ = end;
  settledSince_ = sleptThrough ? std::optional(arrived) : std::nullopt;
  if (!trial_.open || end < trial_.decidedAt) return;
  trial_.open = false;
  // Bytes that come far sooner than their line time show a line faster than
  // its rate; between the two bounds nothing is learned.
  const Clock::duration waited = now - trial_.since;
  if (waited >= trial_.lineTime * 3 / 4) keepsRate_ = true;
  if (waited < trial_.lineTime / 2) keepsRate_ = false;
}

void LinePacing::Expect(std::uint64_t position, std::uint32_t count, Clock::time_point now) {
  expectedEnd_ = position + count;
  // While predictions are off the reader wakes for every byte, so the last one's arrival is seen.
  if (!keepsRate_) OpenTrial(count, expectedEnd_, now);
}

void LinePacing::Forget() {
  expectedEnd_ = 0;
  trial_.open = false;
  settledSince_.reset();
}

LinePacing::Clock::time_point LinePacing::RestDueAt(std::uint64_t position, Clock::time_point now) const {
  if (!keepsRate_ || expectedEnd_ <= position) return now;
  // The settle after the packet is slept in the same sleep: the packet is then
  // read whole and its answer goes out no later than with a wake-up for its
  // last byte and another for the settle. When more than the expected bytes
  // come (a longer packet), the settle still counts from their end.
  const Clock::time_point restArrives =
      lastArrival_ + byteTime_ * static_cast<std::int64_t>(expectedEnd_ - std::max(position, arrivedEnd_));
  return std::clamp(restArrives + kSettle, now, now + kLongestWait);
}

LinePacing::Clock::time_point LinePacing::SettleDueAt(Clock::time_point now) const {
  return settledSince_ ? *settledSince_ + kSettle : now + kSettle;
}

LinePacing::Clock::duration LinePacing::TransmitterBusyFor(Clock::time_point now) const {
  if (!keepsRate_ || transmitterIdleAt_ <= now) return Clock::duration::zero();
  return std::min<Clock::duration>(transmitterIdleAt_ - now, kLongestWait);
}

}  // namespace corvane
