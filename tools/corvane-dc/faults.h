// Line faults the device can inject, reproducible from a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace corvane::dc {

struct FaultOptions {
  double corruptProbability = 0;  // per byte, both directions
  double dropProbability = 0;     // per byte, both directions
  double delayProbability = 0;    // per byte sent: hold the line for delayMs first
  std::uint32_t delayMs = 0;
  std::uint32_t seed = 1;
  int silentAfterPackets = -1;  // stop sending after this many packets; -1 never
  std::string errorText;        // when set: refuse every exchange with this E text
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
