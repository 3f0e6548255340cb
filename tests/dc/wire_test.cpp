// The device's framing against the byte examples that fix the protocol.
#include <gtest/gtest.h>

#include "corvane-dc/wire.h"
#include "support/serial_peer.h"

namespace corvane::dc {
namespace {

using corvane::testing::FromHex;
using corvane::testing::Hex;

struct FrameExample {
  const char* name;
  std::string built;
  const char* wire;
};

TEST(DcWire, FramesMatchTheFixedByteExamples) {
  const SendInit pc{90, 7, 0, 0, kCr, '#'};
  const FrameExample examples[] = {
      {"wide ACK", WideFrame({'Y', 0, ""}), "01 20 20 20 59 5C"},
      {"wide empty S", WideFrame({'S', 0, ""}), "01 20 20 20 53 56"},
      {"wide presence probe", WideFrame({'S', 0, ""}, 1), "01 20 20 20 53 57"},
      {"wide D abc", WideFrame({'D', 1, "abc"}), "01 20 23 21 44 61 62 63 32"},
      {"classic ACK", ClassicFrame({'Y', 0, ""}, kCr), "01 23 20 59 3E 0D"},
      {"classic ACK, LF end", ClassicFrame({'Y', 0, ""}, 0x0A), "01 23 20 59 3E 0A"},
      {"classic NAK", ClassicFrame({'N', 0, ""}, kCr), "01 23 20 4E 33 0D"},
      {"classic B seq 3", ClassicFrame({'B', 3, ""}, kCr), "01 23 23 42 2A 0D"},
      {"PC Send-Init", ClassicFrame({'S', 0, pc.Encode()}, kCr), "01 29 20 53 7A 27 20 40 2D 23 50 0D"},
      {"framing probe", ClassicFrame({'S', 0, pc.Encode()}, kCr, 0, kProbeCheckByte), "01 29 20 53 7A 27 20 40 2D 23 47 0D"},
      {"classic presence probe", ClassicFrame({'S', 0, pc.Encode()}, kCr, 1), "01 29 20 53 7A 27 20 40 2D 23 51 0D"},
  };
  for (const FrameExample& example : examples) EXPECT_EQ(Hex(example.built), example.wire) << example.name;
}

TEST(DcWire, WideParserTakesUpTo512BytesAndRefuses513AfterTheLength) {
  const std::string full = WideFrame({'D', 5, std::string(512, 'x')});
  EXPECT_EQ(Hex(full.substr(1, 2)), "28 20");
  const ParsedFrame parsed = ParseWideFrame(full);
  ASSERT_EQ(parsed.status, ParseStatus::Good);
  EXPECT_EQ(parsed.packet.data.size(), 512u);
  EXPECT_EQ(parsed.consumed, 518u);

  const std::string tooLong = FromHex("01 28 21");  // 513
  const ParsedFrame refused = ParseWideFrame(tooLong);
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
  }
  for (std::size_t cut = 1; cut + 1 < classic.size(); ++cut) {
    EXPECT_EQ(ParseClassicFrame(classic.substr(0, cut)).status, ParseStatus::NeedMore) << cut;
  }
  for (std::size_t at = 5; at < wide.size(); ++at) {
    std::string damaged = wide;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
    EXPECT_EQ(ParseWideFrame(damaged).status, ParseStatus::Damaged) << at;
  }
  std::string damaged = classic;
  damaged[5] = 'x';
  EXPECT_EQ(ParseClassicFrame(damaged).status, ParseStatus::Damaged);
  EXPECT_EQ(ParseClassicFrame(FromHex("01 22 20")).status, ParseStatus::Damaged);
}

TEST(DcWire, WideLineTellsTheClassicProbeFromWidePackets) {
  const std::string probe = FromHex("01 29 20 53 7A 27 20 40 2D 23 47 0D");
  const ParsedFrame asRead = ParseWideLineFrame(probe);
  EXPECT_EQ(asRead.framing, Framing::Classic);
  EXPECT_EQ(asRead.packet.type, 'S');
  EXPECT_EQ(asRead.checkByte, 'G');
  EXPECT_EQ(asRead.consumed, 11u);  // the CR is skipped as noise by the next read

  const ParsedFrame widePresence = ParseWideLineFrame(FromHex("01 20 20 20 53 57"));
  EXPECT_EQ(widePresence.framing, Framing::Wide);
  EXPECT_EQ(widePresence.status, ParseStatus::Damaged);

  // After its own probe the device takes a classic ACK or any wide packet.
  const ParsedFrame classicAck = ParseProbeAnswer(FromHex("01 23 20 59 3E 0D"));
  EXPECT_EQ(classicAck.framing, Framing::Classic);
  EXPECT_EQ(classicAck.status, ParseStatus::Good);
  const ParsedFrame wideNak = ParseProbeAnswer(WideFrame({'N', 0, ""}));
  EXPECT_EQ(wideNak.framing, Framing::Wide);
  EXPECT_EQ(wideNak.status, ParseStatus::Good);
  EXPECT_EQ(wideNak.packet.type, 'N');
}

TEST(DcWire, SendInitAdoptsThePeersFieldsWithDefaultsForBadOnes) {
  const SendInit pc{90, 7, 0, 0, kCr, '#'};
  EXPECT_EQ(Hex(pc.Encode()), "7A 27 20 40 2D 23");

  const SendInit wide = SendInit::Decode(FromHex("7E 2F 20 40 2D 23"));
  EXPECT_EQ(wide.maxLength, 94);
  EXPECT_EQ(wide.timeoutSeconds, 15);
  EXPECT_EQ(wide.eol, kCr);
  EXPECT_EQ(wide.controlPrefix, '#');

  struct Case {
    const char* field;
    int maxLength;
    int eol;
    char prefix;
  } cases[] = {
      {"(' @-#", 80, 13, '#'},   // MAXL 8 is too small
      {"z' @!#", 90, 13, '#'},   // EOL 1 is not a control character a line may end with
      {"z' @*A", 90, 10, '#'},   // 'A' cannot be a prefix
      {"z' @-`", 90, 13, '`'},   // '`' can
      {"", 80, 13, '#'},         // an empty Send-Init leaves every default
  };
  for (const Case& c : cases) {
    const SendInit init = SendInit::Decode(c.field);
    EXPECT_EQ(init.maxLength, c.maxLength) << c.field;
    EXPECT_EQ(init.eol, c.eol) << c.field;
    EXPECT_EQ(init.controlPrefix, c.prefix) << c.field;
  }
}

TEST(DcWire, PrefixEncodingRoundTripsEveryByteAcrossFieldBoundaries) {
  EXPECT_EQ(EncodeByte('#', '#'), "##");
  EXPECT_EQ(EncodeByte(0x0D, '#'), "#M");
  EXPECT_EQ(Hex(EncodeByte(0x81, '#')), "23 C1");
  EXPECT_EQ(Hex(EncodeByte(0xFF, '#')), "23 BF");
  EXPECT_EQ(DecodeField("#M#J##x", '#'), "\r\n#x");
  EXPECT_EQ(DecodeField("a#b", '&'), "a#b");

  const std::string tabbed = "123456789\t";
  std::size_t position = 0;
  EXPECT_EQ(EncodeField(tabbed, position, 10, '#'), "123456789");
  EXPECT_EQ(EncodeField(tabbed, position, 10, '#'), "#I");

  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
  everyByte += everyByte;
  std::string decoded;
  position = 0;
  while (position < everyByte.size()) {
    const std::string field = EncodeField(everyByte, position, 87, '#');
    ASSERT_FALSE(field.empty());
    ASSERT_LE(field.size(), 87u);
    decoded += DecodeField(field, '#');
  }
  EXPECT_EQ(decoded, everyByte);
}

TEST(DcWire, GenericCommandsDoubleTheHashLengthOnlyOnTheWideLine) {
  EXPECT_EQ(GenericCommandData('C', "ABC", Framing::Wide), "C##ABC");
  EXPECT_EQ(GenericCommandData('C', "ABC", Framing::Classic), "C#ABC");
  EXPECT_EQ(GenericCommandData('D', "", Framing::Wide), "D ");
  EXPECT_EQ(GenericCommandData('E', "JOB.CR5", Framing::Wide), "E'JOB.CR5");

  struct Case {
    std::string field;
    Framing framing;
    char letter;
    const char* argument;
  } cases[] = {
      {"C##ABC", Framing::Wide, 'C', "ABC"},
      {"C#ABC", Framing::Classic, 'C', "ABC"},
      {"D$JOBS", Framing::Wide, 'D', "JOBS"},
      {"D", Framing::Classic, 'D', ""},
      {"E'JOB", Framing::Wide, 'E', "JOB"},  // a length beyond the field takes the rest
  };
  for (const Case& c : cases) {
    const GenericCommand command = ParseGenericCommand(c.field, c.framing);
    EXPECT_EQ(command.letter, c.letter) << c.field;
    EXPECT_EQ(command.argument, c.argument) << c.field;
  }
}

TEST(DcWire, LogLinesAreReadable) {
  EXPECT_EQ(DescribePacket({'Y', 0, ""}), "Y seq=0 len=0");
  EXPECT_EQ(DescribePacket({'S', 0, "z' @-#"}), "S seq=0 len=6 data=z' @-#");
  EXPECT_EQ(DescribePacket({'D', 2, "a\r\\"}), "D seq=2 len=3 data=a\\x0D\\x5C");
}

}  // namespace
}  // namespace corvane::dc
