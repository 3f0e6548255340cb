// Line faults the device can inject, reproducible from a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::dc {

// One whole packet lost or damaged: the k-th the device sends, or the k-th it
// reads (as if its receiver never got it, or got it with a damaged byte).
struct PacketFault {
  enum class Direction { Sent, Received };
  enum class Kind { Drop, Damage };
  Direction direction = Direction::Sent;
  int index = 0;  // counted from 1 in its direction
  Kind kind = Kind::Drop;
};

// "sent:3:drop", "received:12:damage"; nothing for any other text.
std::optional<PacketFault> ParsePacketFault(std::string_view text);
std::string DescribePacketFault(const PacketFault& fault);
// The frame with one byte changed so that every check catches it: the middle
// byte (never SOH or a length field) moved by one, which changes the folded sum.
std::string DamagedFrame(std::string frame);

struct FaultOptions {
  double corruptProbability = 0;  // per byte, both directions
  double dropProbability = 0;     // per byte, both directions
  double delayProbability = 0;    // per byte sent: hold the line for delayMs first
  std::uint32_t delayMs = 0;
  std::uint32_t seed = 1;
  int silentAfterPackets = -1;  // stop sending after this many packets; -1 never
  std::string errorText;        // when set: refuse every exchange with this E text
  std::optional<PacketFault> packetFault;
};

enum class FaultKind { Corrupt, Drop, Delay };

struct FaultEvent {
  std::size_t offset = 0;  // byte position in its direction, from 0
  FaultKind kind = FaultKind::Corrupt;
};

// The decisions for one direction of the line. Uses only the raw engine output
// (its sequence is fixed by the standard), so a seed gives the same faults on
// every platform.
class FaultInjector {
 public:
  FaultInjector(const FaultOptions& options, std::uint32_t direction);

  struct Decision {
    bool drop = false;
    std::uint32_t delayMs = 0;
    std::uint8_t byte = 0;  // the byte to pass on, possibly corrupted
  };
  Decision Next(std::uint8_t byte);
  // A bounded record: a long run keeps its first events.
  const std::vector<FaultEvent>& Events() const { return events_; }

 private:
  bool Draw(double probability);
  void Record(FaultKind kind);

  FaultOptions options_;
  std::mt19937 engine_;
  std::size_t offset_ = 0;
  std::vector<FaultEvent> events_;
};

}  // namespace corvane::dc
