#include "corvane-dc/faults.h"

namespace corvane::dc {
namespace {

constexpr std::size_t kMaxRecordedEvents = 4096;

}  // namespace

FaultInjector::FaultInjector(const FaultOptions& options, std::uint32_t direction)
    : options_(options), engine_(options.seed * 2654435761u + direction) {}

bool FaultInjector::Draw(double probability) {
  // Always draw, so that one fault kind being off does not shift the others.
  const double value = static_cast<double>(engine_()) / 4294967296.0;
  return value < probability;
}

void FaultInjector::Record(FaultKind kind) {
  if (events_.size() < kMaxRecordedEvents) events_.push_back({offset_, kind});
}

FaultInjector::Decision FaultInjector::Next(std::uint8_t byte) {
  Decision decision;
  decision.byte = byte;
  const bool drop = Draw(options_.dropProbability);
  const bool corrupt = Draw(options_.corruptProbability);
  const bool delay = Draw(options_.delayProbability);
  const auto mask = static_cast<std::uint8_t>(engine_() % 255 + 1);  // never 0: a corruption always changes the byte
  if (drop) {
    decision.drop = true;
    Record(FaultKind::Drop);
  } else if (corrupt) {
    decision.byte = static_cast<std::uint8_t>(byte ^ mask);
    Record(FaultKind::Corrupt);
  }
  if (delay && options_.delayMs > 0) {
    decision.delayMs = options_.delayMs;
    Record(FaultKind::Delay);
  }
  ++offset_;
  return decision;
}

}  // namespace corvane::dc
