#include "corvane-dc/faults.h"

#include <charconv>

namespace corvane::dc {
namespace {

constexpr std::size_t kMaxRecordedEvents = 4096;

}  // namespace

std::optional<PacketFault> ParsePacketFault(std::string_view text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  PacketFault fault;
  const std::string_view direction = text.substr(0, first);
  const std::string_view number = text.substr(first + 1, second - first - 1);
  const std::string_view kind = text.substr(second + 1);
  if (direction != "sent" && direction != "received") return std::nullopt;
  if (kind != "drop" && kind != "damage") return std::nullopt;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), fault.index);
  if (error != std::errc() || end != number.data() + number.size() || fault.index < 1) return std::nullopt;
  fault.direction = direction == "sent" ? PacketFault::Direction::Sent : PacketFault::Direction::Received;
  fault.kind = kind == "drop" ? PacketFault::Kind::Drop : PacketFault::Kind::Damage;
  return fault;
}

std::string DescribePacketFault(const PacketFault& fault) {
  return std::string(fault.direction == PacketFault::Direction::Sent ? "sent:" : "received:") +
         std::to_string(fault.index) + (fault.kind == PacketFault::Kind::Drop ? ":drop" : ":damage");
}

std::string DamagedFrame(std::string frame) {
  if (!frame.empty()) frame[frame.size() / 2] = static_cast<char>(frame[frame.size() / 2] ^ 0x01);
  return frame;
}

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
