// Steps that the file transfer and the client requests share.
#pragma once

namespace corvane {

// The peer's E packet: errorFlag 1, or -25 for "File exists"; an open output
// file is closed and kept.
void ClassicTakePeerError();

// Closes a received file that is still open when a run ends some other way
// (failed wait, cancel, write error); what arrived so far is kept, as after an E.
void ClassicKeepPartialOutput();

enum class NextFileOutcome { HeaderSent, BreakSent, Failed };

// The step on the ACK of the S or of a Z: the first ACK after the S brings the
// peer's parameters, then either the next file's header or the B goes out.
// `notFoundCode` is the error sent when the opener reports a missing file.
NextFileOutcome ClassicNextFileStep(int& ackCounter, int notFoundCode);

// Sends the error for a decoding result: -4 for an unreadable coordinate line, else 256.
void ClassicSendDecodeError(int result);

}  // namespace corvane
