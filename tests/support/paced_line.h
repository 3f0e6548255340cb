// A peer that hands bytes over at a line's rate, and the count of times the
// reading thread blocked: what pacing-aware reads are judged by.
#pragma once

#include <string>

#include "support/serial_peer.h"

namespace corvane::testing {

// Writes `bytes` one at a time, ten bit times apart at `baud`, as a real line delivers them.
void SendPaced(SerialPeer& peer, const std::string& bytes, int baud);

// Voluntary context switches of the calling thread so far.
long WakesOfThisThread();

}  // namespace corvane::testing
