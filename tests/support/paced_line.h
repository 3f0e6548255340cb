// A peer that hands bytes over at a line's rate, the count of times the
// reading thread blocked and the CPU a wait costs: what pacing-aware reads
// and waits on a dead line are judged by.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "support/serial_peer.h"

namespace corvane::testing {

// Writes `bytes` one at a time, ten bit times apart at `baud`, as a real line delivers them.
void SendPaced(SerialPeer& peer, const std::string& bytes, int baud);

// Voluntary context switches of the calling thread so far.
long WakesOfThisThread();

// How long `wait` took and how much CPU this thread spent on it: what tells a wait from a spin.
struct WaitCost {
  std::chrono::steady_clock::duration wall{};
  std::chrono::microseconds cpu{};
};
WaitCost CostOf(const std::function<void()>& wait);

// One packet sent paced while this thread reads it and then settles and
// purges the input, as an accepted packet gets before its answer.
struct PacedRound {
  int result = 0;         // what `read` returned
  long readWakes = 0;     // times the read blocked
  long settleWakes = 0;   // times the settle blocked
  std::chrono::steady_clock::duration quietBeforeAnswer{};  // from the last byte sent to the settle's end
};
PacedRound ReadPacedAndSettle(SerialPeer& peer, const std::string& packet, int baud, const std::function<int()>& read);

}  // namespace corvane::testing
