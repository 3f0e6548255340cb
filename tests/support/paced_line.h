// A peer that hands bytes over at a line's rate, and the count of times the
// reading thread blocked: what pacing-aware reads are judged by.
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

// User plus system CPU of the calling thread so far: what tells a wait from a spin.
std::chrono::microseconds CpuOfThisThread();

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
