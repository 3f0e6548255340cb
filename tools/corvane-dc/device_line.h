// The device's end of the line: frames out and in, with the packet log and
// the injected faults applied to the bytes as they pass.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "common/byte_stream.h"
#include "corvane-dc/faults.h"
#include "corvane-dc/packet_log.h"
#include "corvane-dc/wire.h"

namespace corvane::dc {

// Wait with no limit but the device being stopped.
inline constexpr std::uint32_t kWaitUntilStopped = 0xFFFFFFFF;

using FrameParser = ParsedFrame (*)(std::string_view);

enum class ReadKind { Good, Damaged, Timeout, Stopped };

struct ReadResult {
  ReadKind kind = ReadKind::Timeout;
  ParsedFrame frame;  // for Good, and for Damaged when the frame could be taken apart
};

class DeviceLine {
 public:
  DeviceLine(ByteStream& stream, Framing framing, const FaultOptions& faults, PacketLog& log,
             const std::atomic<bool>& stop);

  // Logs the packet and writes the frame, unless the device has fallen silent.
  void Send(const Packet& packet, const std::string& frame, const std::string& note = {});
  // Skips anything before a SOH for up to `firstByteMs`, then takes bytes while
  // each follows within `interByteMs`; a frame cut short is damaged.
  ReadResult Read(FrameParser parse, std::uint32_t firstByteMs, std::uint32_t interByteMs);
  // Drops what has arrived and not been read: stale duplicates after a packet.
  void DiscardInput();
  // Drops bytes until none has come for `quietMs` (at most a few seconds): the
  // rest of a damaged frame, which could hold a SOH, must not start another.
  void DrainUntilQuiet(std::uint32_t quietMs);
  bool Stopping() const { return stop_.load(); }
  PacketLog& Log() { return log_; }
  const FaultInjector& OutgoingFaults() const { return outgoing_; }
  const FaultInjector& IncomingFaults() const { return incoming_; }

 private:
  std::optional<std::uint8_t> NextByte(std::uint32_t waitMs);
  bool Fill(std::uint32_t waitMs);
  // One frame, or a time-out once `firstByteMs` from `start` has passed without a SOH.
  ReadResult ReadFrame(FrameParser parse, std::chrono::steady_clock::time_point start, std::uint32_t firstByteMs,
                       std::uint32_t interByteMs, std::string& frame);
  // True when the packet fault hits the frame just read in whole.
  bool PacketFaultHits(PacketFault::Direction direction, int count) const;

  ByteStream& stream_;
  Framing framing_;
  int silentAfter_;
  std::optional<PacketFault> packetFault_;
  int packetsSent_ = 0;
  int packetsRead_ = 0;
  PacketLog& log_;
  const std::atomic<bool>& stop_;
  FaultInjector outgoing_;
  FaultInjector incoming_;
  std::string pending_;
  std::size_t pendingAt_ = 0;
};

}  // namespace corvane::dc
