// The device's framing against the byte examples that fix the protocol, and
// its parsers against short, long and damaged input. How it reads the probes and
// generic commands is pinned by corvane's transfers against it.
#include <gtest/gtest.h>

#include <algorithm>

#include "corvane-dc/wire.h"
#include "support/byte_examples.h"
#include "support/serial_peer.h"

namespace corvane::dc {
namespace {

using namespace corvane::testing;

TEST(DcWire, FramesMatchTheFixedByteExamples) {
  const std::string pc = SendInit{90, 7, 0, 0, kCr, '#'}.Encode();
  const std::pair<std::string, const char*> examples[] = {
      {WideFrame({'Y', 0, ""}), bytes::kWideAck},
      {WideFrame({'N', 0, ""}), bytes::kWideNak},
      {WideFrame({'S', 0, ""}), bytes::kWideSendInit},
      {WideFrame({'S', 0, ""}, 1), bytes::kWidePresenceProbe},
      {WideFrame({'D', 1, "abc"}), bytes::kWideDataAbc1},
      {ClassicFrame({'Y', 0, ""}, kCr), bytes::kClassicAck},
      {ClassicFrame({'Y', 0, ""}, 0x0A), bytes::kClassicAckLf},
      {ClassicFrame({'N', 0, ""}, kCr), bytes::kClassicNak},
      {ClassicFrame({'B', 3, ""}, kCr), bytes::kClassicBreak3},
      {ClassicFrame({'S', 0, pc}, kCr), bytes::kClassicSendInit},
      {ClassicFrame({'S', 0, pc}, kCr, 0, kProbeCheckByte), bytes::kFramingProbe},
      {ClassicFrame({'S', 0, pc}, kCr, 1), bytes::kClassicPresenceProbe},
  };
  for (const auto& [built, wire] : examples) EXPECT_EQ(Hex(built), wire);
}

TEST(DcWire, WideParserTakesUpTo512BytesAndRefuses513AfterTheLength) {
  const std::string full = WideFrame({'D', 5, std::string(512, 'x')});
  EXPECT_EQ(Hex(full.substr(1, 2)), "28 20");
  const ParsedFrame parsed = ParseWideFrame(full);
  ASSERT_EQ(parsed.status, ParseStatus::Good);
  EXPECT_EQ(parsed.packet.data.size(), 512u);
  EXPECT_EQ(parsed.consumed, 518u);
  const ParsedFrame refused = ParseWideFrame(FromHex("01 28 21"));  // 513
  EXPECT_EQ(refused.status, ParseStatus::Damaged);
  EXPECT_EQ(refused.consumed, 3u);
  // Building never produces what no receiver takes.
  EXPECT_EQ(WideFrame({'D', 0, std::string(513, 'x')}).size(), 518u);
}

TEST(DcWire, ParsersNeedTheWholeFrameAndCatchAnyChangedByte) {
  const std::string wide = WideFrame({'D', 1, "abc"});
  const std::string classic = ClassicFrame({'D', 1, "abc"}, kCr);
  for (std::size_t cut = 1; cut < wide.size(); ++cut) {
    EXPECT_EQ(ParseWideFrame(wide.substr(0, cut)).status, ParseStatus::NeedMore) << cut;
    // The classic frame is whole without its end-of-line byte.
    EXPECT_EQ(ParseClassicFrame(classic.substr(0, std::min(cut, classic.size() - 2))).status, ParseStatus::NeedMore);
    std::string damaged = wide;
    damaged[std::max<std::size_t>(cut, 5)] ^= 0x01;
    EXPECT_EQ(ParseWideFrame(damaged).status, ParseStatus::Damaged) << cut;
  }
  EXPECT_EQ(ParseClassicFrame(classic.substr(0, 5) + "x" + classic.substr(6)).status, ParseStatus::Damaged);
  EXPECT_EQ(ParseClassicFrame(FromHex("01 22 20")).status, ParseStatus::Damaged);
}

TEST(DcWire, SendInitAdoptsThePeersFieldsWithDefaultsForBadOnes) {
  struct Case { const char* field; int maxLength, eol; char prefix; } cases[] = {
      {"~/ @-#", 94, 13, '#'},
      {"(' @-#", 80, 13, '#'},  // MAXL 8 is too small
      {"z' @!#", 90, 13, '#'},  // EOL 1 is not a control character a line may end with
      {"z' @*A", 90, 10, '#'},  // 'A' cannot be a prefix
      {"z' @-`", 90, 13, '`'},  // '`' can
      {"", 80, 13, '#'},        // an empty Send-Init leaves every default
  };
  for (const Case& c : cases) {
    const SendInit init = SendInit::Decode(c.field);
    EXPECT_EQ(init.maxLength, c.maxLength) << c.field;
    EXPECT_EQ(init.eol, c.eol) << c.field;
    EXPECT_EQ(init.controlPrefix, c.prefix) << c.field;
  }
  EXPECT_EQ(SendInit::Decode("~/ @-#").timeoutSeconds, 15);
}

TEST(DcWire, GenericCommandsDoubleTheHashLengthOnlyOnTheWideLine) {
  EXPECT_EQ(GenericCommandData('C', "ABC", Framing::Wide), "C##ABC");
  EXPECT_EQ(GenericCommandData('C', "ABC", Framing::Classic), "C#ABC");
  EXPECT_EQ(GenericCommandData('D', "", Framing::Wide), "D ");
}

}  // namespace
}  // namespace corvane::dc
