#include "corvane-dc/device_line.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace corvane::dc {
namespace {

using Clock = std::chrono::steady_clock;

// Waits are cut into slices so that Stop() is noticed quickly.
constexpr std::uint32_t kSliceMs = 50;

}  // namespace

DeviceLine::DeviceLine(ByteStream& stream, Framing framing, const FaultOptions& faults, PacketLog& log,
                       const std::atomic<bool>& stop)
    : stream_(stream),
      framing_(framing),
      silentAfter_(faults.silentAfterPackets),
      packetFault_(faults.packetFault),
      log_(log),
      stop_(stop),
      outgoing_(faults, 0),
      incoming_(faults, 1) {}

void DeviceLine::Send(const Packet& packet, const std::string& frame, const std::string& note) {
  if (silentAfter_ >= 0 && packetsSent_ >= silentAfter_) {
    log_.Sent(packet, note.empty() ? "silent, not sent" : note + ", silent, not sent");
    return;
  }
  ++packetsSent_;
  const bool hit = PacketFaultHits(PacketFault::Direction::Sent, packetsSent_);
  if (hit && packetFault_->kind == PacketFault::Kind::Drop) {
    log_.Sent(packet, note.empty() ? "lost by the packet fault" : note + ", lost by the packet fault");
    return;
  }
  log_.Sent(packet, hit ? (note.empty() ? "damaged by the packet fault" : note + ", damaged by the packet fault") : note);
  std::string out;
  out.reserve(frame.size());
  for (char c : hit ? DamagedFrame(frame) : frame) {
    const FaultInjector::Decision decision = outgoing_.Next(static_cast<std::uint8_t>(c));
    if (decision.delayMs > 0) {
      stream_.Write(reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
      out.clear();
      std::this_thread::sleep_for(std::chrono::milliseconds(decision.delayMs));
    }
    if (!decision.drop) out.push_back(static_cast<char>(decision.byte));
  }
  stream_.Write(reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
}

bool DeviceLine::Fill(std::uint32_t waitMs) {
  const auto deadline = waitMs == kWaitUntilStopped ? Clock::time_point::max()
                                                    : Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (stop_.load()) return false;
    const auto now = Clock::now();
    if (now >= deadline) return false;
    std::uint32_t slice = kSliceMs;
    if (deadline != Clock::time_point::max()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
      slice = static_cast<std::uint32_t>(std::clamp<long long>(left, 1, kSliceMs));
    }
    if (!stream_.WaitReadable(slice)) continue;
    std::uint8_t buffer[1024];
    const std::size_t count = stream_.ReadNow(buffer, sizeof buffer);
    bool gotAny = false;
    for (std::size_t i = 0; i < count; ++i) {
      const FaultInjector::Decision decision = incoming_.Next(buffer[i]);
      if (decision.drop) continue;
      pending_.push_back(static_cast<char>(decision.byte));
      gotAny = true;
    }
    if (gotAny) return true;
  }
}

std::optional<std::uint8_t> DeviceLine::NextByte(std::uint32_t waitMs) {
  if (pendingAt_ >= pending_.size()) {
    pending_.clear();
    pendingAt_ = 0;
    if (!Fill(waitMs)) return std::nullopt;
  }
  return static_cast<std::uint8_t>(pending_[pendingAt_++]);
}

void DeviceLine::DiscardInput() {
  pending_.clear();
  pendingAt_ = 0;
  std::uint8_t buffer[1024];
  while (stream_.ReadNow(buffer, sizeof buffer) == sizeof buffer) {
  }
}

void DeviceLine::DrainUntilQuiet(std::uint32_t quietMs) {
  constexpr auto kLongest = std::chrono::seconds(3);
  const auto start = Clock::now();
  pending_.clear();
  pendingAt_ = 0;
  while (Clock::now() - start < kLongest && Fill(quietMs)) {
    pending_.clear();
  }
  pending_.clear();
}

bool DeviceLine::PacketFaultHits(PacketFault::Direction direction, int count) const {
  return packetFault_ && packetFault_->direction == direction && packetFault_->index == count;
}

ReadResult DeviceLine::Read(FrameParser parse, std::uint32_t firstByteMs, std::uint32_t interByteMs) {
  const auto start = Clock::now();
  for (;;) {
    std::string frame;
    ReadResult result = ReadFrame(parse, start, firstByteMs, interByteMs, frame);
    // Time-outs, a stop and frames cut short (noted as they happened) count as no packet.
    const ParsedFrame& parsed = result.frame;
    if (parsed.status == ParseStatus::NeedMore) return result;
    const bool hit = PacketFaultHits(PacketFault::Direction::Received, ++packetsRead_);
    const bool decoded = parsed.consumed >= 4;
    const std::string framingNote = parsed.framing == framing_           ? ""
                                    : parsed.framing == Framing::Classic ? "classic frame"
                                                                         : "wide frame";
    auto joined = [&framingNote](const std::string& note) {
      return framingNote.empty() ? note : note.empty() ? framingNote : framingNote + ", " + note;
    };
    if (hit && packetFault_->kind == PacketFault::Kind::Drop) {
      // As if it never arrived: the wait goes on for what is left of it.
      log_.Received(parsed.packet, joined("lost by the packet fault"));
      continue;
    }
    if (hit && result.kind == ReadKind::Good) {
      result.frame = parse(DamagedFrame(frame.substr(0, parsed.consumed)));
      result.kind = ReadKind::Damaged;
      log_.Received(result.frame.packet, joined("damaged by the packet fault, bad check"));
      return result;
    }
    if (result.kind == ReadKind::Good) {
      log_.Received(parsed.packet, joined(""));
    } else if (decoded) {
      log_.Received(parsed.packet, joined("bad check"));
    } else {
      log_.Note("damaged frame: impossible length");
    }
    return result;
  }
}

ReadResult DeviceLine::ReadFrame(FrameParser parse, Clock::time_point start, std::uint32_t firstByteMs,
                                 std::uint32_t interByteMs, std::string& frame) {
  ReadResult result;
  for (;;) {
    std::uint32_t left = kWaitUntilStopped;
    if (firstByteMs != kWaitUntilStopped) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      if (spent >= firstByteMs) return result;
      left = firstByteMs - static_cast<std::uint32_t>(spent);
    }
    const std::optional<std::uint8_t> byte = NextByte(left);
    if (!byte) {
      result.kind = stop_.load() ? ReadKind::Stopped : ReadKind::Timeout;
      return result;
    }
    if (*byte == kSoh) break;
  }
  frame.assign(1, static_cast<char>(kSoh));
  for (;;) {
    ParsedFrame parsed = parse(frame);
    if (parsed.status != ParseStatus::NeedMore) {
      // Bytes beyond the frame stay for the next read.
      if (parsed.consumed < frame.size()) pending_.insert(pendingAt_, frame.substr(parsed.consumed));
      result.kind = parsed.status == ParseStatus::Good ? ReadKind::Good : ReadKind::Damaged;
      result.frame = std::move(parsed);
      return result;
    }
    const std::optional<std::uint8_t> byte = NextByte(interByteMs);
    if (!byte) {
      if (stop_.load()) {
        result.kind = ReadKind::Stopped;
        return result;
      }
      log_.Note("damaged frame: cut short after " + std::to_string(frame.size()) + " bytes");
      result.kind = ReadKind::Damaged;
      return result;
    }
    frame.push_back(static_cast<char>(*byte));
  }
}

}  // namespace corvane::dc
