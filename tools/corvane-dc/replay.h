// A line trace recorded by the PC (corvane --trace) played back from the Data
// Collector's side, so that a failure seen in the field happens again at the
// desk: every byte the Data Collector sent goes to the PC again once the PC has
// sent what preceded it in the trace, after the same pause.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_stream.h"

namespace corvane::dc {

struct TraceEvent {
  enum class Kind { FromPc, FromDc, Purge };
  Kind kind = Kind::FromPc;
  double seconds = 0;              // since the trace began
  std::vector<std::uint8_t> bytes;  // FromPc, FromDc
};

// The events of a trace; nothing when a line does not parse (`badLine` then names it).
std::optional<std::vector<TraceEvent>> ParseTrace(const std::string& text, std::string& badLine);

struct ReplayResult {
  bool sameAsTrace = false;  // the PC sent what the trace holds, byte for byte
  std::string detail;        // in words; the first packet that differs when one does
};

// Plays `events` on the master side of a pty pair whose slave the PC opens. The
// trace's start is the PC's first purge (as it opens the port), which the
// master sees in packet mode. Ends when the PC has sent all the trace holds, or
// has been quiet for `quietSeconds` past what the trace expects, or on `stop`.
ReplayResult ReplayTrace(ByteStream& master, const std::vector<TraceEvent>& events, const std::atomic<bool>& stop,
                         int quietSeconds = 10);

}  // namespace corvane::dc
