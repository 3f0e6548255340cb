// The byte examples that fix both framings on the line, written out once for
// every test that needs one: the device's codec, each engine, the device's answers.
#pragma once

namespace corvane::testing::bytes {

// Classic: SOH LEN SEQ TYPE DATA CHECK EOL. The PC's Send-Init is "z' @-#".
inline constexpr char kClassicAck[] = "01 23 20 59 3E 0D";
inline constexpr char kClassicAckLf[] = "01 23 20 59 3E 0A";  // the peer asked for LF
inline constexpr char kClassicNak[] = "01 23 20 4E 33 0D";
inline constexpr char kClassicBreak3[] = "01 23 23 42 2A 0D";
inline constexpr char kClassicSendInit[] = "01 29 20 53 7A 27 20 40 2D 23 50 0D";
// The Send-Init with check 'G': a wide-framing device acknowledges it, a classic one takes it for damage.
inline constexpr char kFramingProbe[] = "01 29 20 53 7A 27 20 40 2D 23 47 0D";
inline constexpr char kClassicPresenceProbe[] = "01 29 20 53 7A 27 20 40 2D 23 51 0D";  // check one too high

// Wide: SOH LEN1 LEN2 SEQ TYPE DATA CHECK, nothing after.
inline constexpr char kWideAck[] = "01 20 20 20 59 5C";
inline constexpr char kWideNak[] = "01 20 20 20 4E 51";
inline constexpr char kWideSendInit[] = "01 20 20 20 53 56";
inline constexpr char kWidePresenceProbe[] = "01 20 20 20 53 57";  // check one too high
inline constexpr char kWideDataAbc1[] = "01 20 23 21 44 61 62 63 32";

}  // namespace corvane::testing::bytes
