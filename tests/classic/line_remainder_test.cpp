#include <chrono>

#include "classic_fixture.h"
#include "support/paced_line.h"

namespace corvane::testing {
namespace {

std::string Line(std::string_view bytes) { return std::string(bytes); }

TEST(ClassicLineRemainder, CountsWhatThePacketStillNeeds) {
  struct Case {
    const char* what;
    std::string stored;
    int remainder;
  };
  const std::string packet = KermitPacket('D', 1, "0123456789");  // SOH, LEN, SEQ, TYPE, ten bytes, CHECK, CR
  const Case cases[] = {
      {"nothing yet", "", 0},
      {"noise without a start", "abc", 0},
      {"a start alone: LEN, SEQ, TYPE, CHECK and the end of line follow", "\x01", 5},
      {"noise, then a start", "xy\x01", 5},
      {"LEN known", packet.substr(0, 2), 14},
      {"halfway", packet.substr(0, 9), 7},
      {"all but the end of line", packet.substr(0, 15), 1},
      {"a LEN below the shortest packet still waits for the shortest", Line("\x01\x21"), 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassicLineRemainder(reinterpret_cast<const std::uint8_t*>(c.stored.data()),
                                   static_cast<int>(c.stored.size())),
              c.remainder)
        << c.what;
  }
}

// Once the line has shown that it keeps its rate, a packet and the settle
// after it are waited for in a few sleeps instead of one wake-up per byte; the
// packet still arrives whole, and its answer still waits out the settle.
TEST(ClassicPacedRead, SleepsThroughAPacketAndTheSettleOnceTheLineHasShownItsRate) {
  constexpr int kBaud = 9600;
  SerialPeer peer(kBaud);
  ASSERT_TRUE(peer.IsReady());
  ClassicLinkState link;
  SerialInput(SerialInputMode::Purge);
  const std::string data(80, 'x');

  PacedRound rounds[2];
  for (int round = 0; round < 2; ++round) {
    link.sequence = round;
    rounds[round] = ReadPacedAndSettle(peer, KermitPacket('D', round, data), kBaud, [&link] { return ClassicReadPacket(link); });
    ASSERT_EQ(rounds[round].result, 'D');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(link.receivedData), 80), data);
    // 10 ms are due; a loaded machine may send the last byte late, within the sleep.
    EXPECT_GE(rounds[round].quietBeforeAnswer, std::chrono::milliseconds(5)) << "round " << round;
  }
  EXPECT_TRUE(SerialPort().Input().pacing.KeepsRate());
  // The first packet teaches: one wake-up a byte, and a sleep for the settle.
  EXPECT_GT(rounds[0].readWakes, 40);
  EXPECT_EQ(rounds[0].settleWakes, 1);
  // The second: its start, the rest of the shortest packet, the rest of this
  // one together with the settle.
  EXPECT_LE(rounds[1].readWakes, 4);
  EXPECT_EQ(rounds[1].settleWakes, 0);
}

}  // namespace
}  // namespace corvane::testing
