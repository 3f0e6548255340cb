// The wide link's packet primitives: build, send, read and check packets,
// acknowledge, resend, and wait for the next acceptable packet with retries.
#pragma once

#include <cstdint>
#include <string>

#include "wide/wide_context.h"

namespace corvane {

// Values that never travel: nothing usable arrived in time / a damaged packet,
// and the lower-case letter for a repeated data packet.
inline constexpr int kWideTimedOut = 'T';
inline constexpr int kWideDamaged = 'Q';
inline constexpr int kWideRepeatedData = 'd';

// WideReadFrame failures.
inline constexpr int kFrameNotSoh = -1;
inline constexpr int kFrameNoLen2 = -3;
inline constexpr int kFrameNoLen1 = -4;
inline constexpr int kFrameNoStart = -5;
inline constexpr int kFrameNoRest = -6;
inline constexpr int kFrameBadLength = -9;

// Texts longer than this overrun the peer's work buffer.
inline constexpr int kWideTextLimit = 99;

void WideReset(WideLinkContext& context);
void WideNextSeq(WideLinkContext& context);
// The 6-bit check over `count` bytes from SOH through the last data byte.
int WideChecksum(const std::uint8_t* bytes, int count);
// Sends `length` bytes already in txData under `type` and the current seq.
bool WideSendPacket(char type, int length, WideLinkContext& context);
// As WideSendPacket with a check one above the correct one (the presence probe).
void WideSendProbePacket(char type, int length, WideLinkContext& context);
// False (nothing sent) for a text longer than kWideTextLimit.
bool WideSendText(char type, const std::string& text, WideLinkContext& context);
void WideAck(WideLinkContext& context);
// Acknowledges a repeat of the packet just accepted under its own number; seq comes back to where it was.
void WideAckAgain(WideLinkContext& context);
void WideResend(WideLinkContext& context);
// n + 6 for a complete frame, a kFrame* failure, or 258 when cancelled while idle in server mode.
int WideReadFrame(WideLinkContext& context);
// The packet type, kWideTimedOut or kWideDamaged.
int WideReadPacket(WideLinkContext& context);
// A packet type, kWideRepeatedData (a repeat of the packet just accepted, or
// an older data packet), or the error codes 258, 263, 264.
int WideNextPacket(WideLinkContext& context);
// The data of the last packet read as text: up to its first zero byte, at most 99 bytes.
std::string WideRequestText(const WideLinkContext& context);
// Closes both files; an unfinished output file is deleted.
void WideCloseFiles(WideLinkContext& context);

}  // namespace corvane
