#include "serial/line_pacing.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Clock = LinePacing::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr int kBaud = 9600;
const microseconds kByte{1041};  // ten bit times at 9600 baud, rounded down to whole microseconds
const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);
constexpr auto kArriving = LinePacing::Found::Arriving;
constexpr auto kWaiting = LinePacing::Found::Waiting;
const Clock::duration kSettle = LinePacing::kSettle;

// Close enough: the byte time is 1041.67 µs, so counts of bytes drift below a microsecond each.
void ExpectNear(Clock::time_point actual, Clock::time_point expected) {
  EXPECT_LT(std::chrono::abs(actual - expected), microseconds(100));
}

// A pacing that has already seen its line keep the rate.
LinePacing Learned() {
  LinePacing pacing;
  pacing.Restart(kBaud);
  pacing.NoteWrite(90, false, kStart);
  pacing.NoteArrival(1, kStart + 95 * kByte, kArriving);
  return pacing;
}

TEST(LinePacing, LearnsFromWhenBytesArriveAgainstTheirLineTime) {
  enum class Trial { Write, Remainder };
  struct Case {
    const char* what;
    Trial trial;
    std::uint32_t count;
    bool inputUnread;
    int percentOfLineTime;  // when the deciding byte arrives
    bool keepsRate;
  };
  const Case cases[] = {
      {"an answer after the question has left", Trial::Write, 90, false, 100, true},
      {"an answer at once: a line faster than its rate", Trial::Write, 90, false, 5, false},
      {"unread input could pass for the answer", Trial::Write, 90, true, 100, false},
      {"a packet's rest trickling in at the rate", Trial::Remainder, 40, false, 98, true},
      {"a packet's rest there at once", Trial::Remainder, 40, false, 1, false},
  };
  for (const Case& c : cases) {
    LinePacing pacing;
    pacing.Restart(kBaud);
    const Clock::time_point decided = kStart + kByte * c.count * c.percentOfLineTime / 100;
    if (c.trial == Trial::Write) {
      pacing.NoteWrite(c.count, c.inputUnread, kStart);
      pacing.NoteArrival(1, decided, kArriving);
    } else {
      pacing.Expect(100, c.count, kStart);
      pacing.NoteArrival(100 + c.count / 2, kStart + kByte * c.count / 2, kArriving);  // not yet the last byte
      pacing.NoteArrival(100 + c.count, decided, kArriving);
    }
    EXPECT_EQ(pacing.KeepsRate(), c.keepsRate) << c.what;
  }
}

TEST(LinePacing, AFastAnswerUnlearnsAndARestartForgets) {
  LinePacing pacing = Learned();
  ASSERT_TRUE(pacing.KeepsRate());
  pacing.NoteWrite(90, false, kStart + milliseconds(200));
  pacing.NoteArrival(2, kStart + milliseconds(201), kArriving);
  EXPECT_FALSE(pacing.KeepsRate());

  pacing = Learned();
  pacing.Restart(kBaud);
  EXPECT_FALSE(pacing.KeepsRate());
  pacing.Expect(0, 50, kStart);
  EXPECT_EQ(pacing.RestDueAt(0, kStart), kStart);
}

TEST(LinePacing, PredictsNothingUntilTheLineHasShownItsRate) {
  LinePacing pacing;
  pacing.Restart(kBaud);
  pacing.NoteWrite(512, true, kStart);
  pacing.Expect(0, 500, kStart);
  EXPECT_EQ(pacing.RestDueAt(0, kStart), kStart);
  EXPECT_EQ(pacing.TransmitterBusyFor(kStart), Clock::duration::zero());
}

TEST(LinePacing, SleepsThroughAPacketsRestAndTheSettleAfterIt) {
  const Clock::duration fastByte = std::chrono::nanoseconds(86'805);  // at 115200 baud
  struct Case {
    const char* what;
    int baud;
    std::uint64_t position;  // where the fill stands; 80 bytes are under way from position 10
    Clock::duration sleep;   // from the arrival of the byte before position 10
  };
  const Case cases[] = {
      {"the whole rest", kBaud, 10, 80 * kByte + kSettle},
      {"part of the rest already taken", kBaud, 50, 80 * kByte + kSettle},
      {"everything taken: nothing to sleep through", kBaud, 90, Clock::duration::zero()},
      {"a fast line", 115200, 10, 80 * fastByte + kSettle},
      {"never more than a second", 300, 10, milliseconds(1000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LinePacing pacing;
    pacing.Restart(c.baud);
    pacing.NoteWrite(90, false, kStart);
    const Clock::time_point arrived = kStart + milliseconds(900'000) / c.baud;  // 90 bytes' line time
    pacing.NoteArrival(10, arrived, kArriving);
    ASSERT_TRUE(pacing.KeepsRate());
    pacing.Expect(10, 80, arrived);
    if (c.position > 10) {
      // Taken in one delivery on the heels of the first bytes, at their line time.
      const Clock::time_point later = arrived + (c.position - 10) * (c.baud == kBaud ? kByte : fastByte);
      pacing.NoteArrival(c.position, later, kArriving);
    }
    const Clock::time_point now = arrived + microseconds(50);
    ExpectNear(pacing.RestDueAt(c.position, now), c.sleep == Clock::duration::zero() ? now : arrived + c.sleep);
  }
}

// The settle runs from the end of the bytes a paced sleep found waiting, and
// in full after anything else.
TEST(LinePacing, TheSettleCountsFromWhenTheBytesFoundWaitingArrived) {
  LinePacing pacing = Learned();
  const Clock::time_point first = kStart + milliseconds(500);
  pacing.NoteArrival(11, first, kArriving);
  pacing.Expect(11, 5, first);
  const Clock::time_point woke = pacing.RestDueAt(11, first);
  ExpectNear(woke, first + 5 * kByte + kSettle);

  struct Case {
    const char* what;
    std::uint64_t end;  // the stream position the fill after the sleep reached
    LinePacing::Found found;
    Clock::time_point settleEnds;
  };
  const Case cases[] = {
      {"the short answer expected: the settle is over", 16, kWaiting, first + 5 * kByte + kSettle},
      {"a longer packet found whole: the settle runs from its end", 25, kWaiting, first + 14 * kByte + kSettle},
      {"more than could have arrived: no later than now", 100, kWaiting, woke + kSettle},
      {"bytes that came while the fill waited: a full settle", 16, kArriving, woke + kSettle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LinePacing copy = pacing;
    copy.NoteArrival(c.end, woke, c.found);
    ExpectNear(copy.SettleDueAt(woke), c.settleEnds);
  }

  // Our own packet, or discarded input, ends what was known: a full settle.
  LinePacing written = pacing;
  written.NoteArrival(16, woke, kWaiting);
  written.NoteWrite(6, false, woke);
  ExpectNear(written.SettleDueAt(woke), woke + kSettle);
  LinePacing discarded = pacing;
  discarded.NoteArrival(16, woke, kWaiting);
  discarded.Forget();
  ExpectNear(discarded.SettleDueAt(woke), woke + kSettle);

  // Nothing predicted: every settle is a full one.
  LinePacing unpaced;
  unpaced.Restart(kBaud);
  unpaced.NoteArrival(16, woke, kWaiting);
  ExpectNear(unpaced.SettleDueAt(woke), woke + kSettle);
}

TEST(LinePacing, AnAnswerWaitsForWhatWasWrittenToLeave) {
  const Clock::time_point now = kStart + milliseconds(500);
  LinePacing pacing = Learned();
  EXPECT_EQ(pacing.TransmitterBusyFor(now), Clock::duration::zero());
  pacing.NoteWrite(40, false, now);
  pacing.NoteWrite(40, false, now + milliseconds(1));  // queued behind the first
  EXPECT_LT(std::chrono::abs(pacing.TransmitterBusyFor(now + milliseconds(2)) - (80 * kByte - milliseconds(2))),
            microseconds(100));
  EXPECT_EQ(pacing.TransmitterBusyFor(now + milliseconds(90)), Clock::duration::zero());
  pacing.NoteWrite(4000, false, now);
  EXPECT_EQ(pacing.TransmitterBusyFor(now), milliseconds(1000));
}

TEST(LinePacing, DiscardedInputIsNoLongerAwaited) {
  LinePacing pacing = Learned();
  const Clock::time_point now = kStart + milliseconds(500);
  pacing.Expect(10, 80, now);
  pacing.Forget();
  EXPECT_EQ(pacing.RestDueAt(10, now), now);
}

}  // namespace
}  // namespace corvane
