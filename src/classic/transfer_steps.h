// Steps that the file transfer and the client requests share.
#pragma once

#include <cstdint>

#include "classic/classic_link.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"

namespace corvane {

// The peer's E packet: errorFlag Failed, or FileExists for "File exists"; an
// open output file is closed and kept.
void ClassicTakePeerError(ClassicLinkState& link);

// Closes a received file that is still open when a run ends some other way
// (failed wait, cancel, write error); what arrived so far is kept, as after an E.
void ClassicKeepPartialOutput(ClassicLinkState& link);

// The loop of both transaction machines: every packet the wait hands out goes to
// `step` until the step or the wait ends the run; a cancel is answered with E 258.
template <typename Step>
EngineOutcome ClassicRunMachine(ClassicLinkState& link, Step&& step) {
  for (;;) {
    const std::uint8_t type = ClassicReceive(link);
    if (type == 0) break;
    if (CancelRequested()) {
      ClassicSendError(kErrorCancelledByUser, link);
      break;
    }
    if (!step(type)) break;
  }
  ClassicKeepPartialOutput(link);
  return link.errorFlag;
}

enum class NextFileOutcome { HeaderSent, BreakSent, Failed };

// The step on the ACK of the S or of a Z: the first ACK after the S brings the
// peer's parameters, then either the next file's header or the B goes out.
// `notFoundCode` is the error sent when the opener reports a missing file.
NextFileOutcome ClassicNextFileStep(int& ackCounter, int notFoundCode, ClassicLinkState& link);

// Sends the error for a decoding result: -4 for an unreadable coordinate line, else 256.
void ClassicSendDecodeError(int result, ClassicLinkState& link);

}  // namespace corvane
