// When awaited bytes can have arrived on a line that carries them no faster
// than its rate, so that the worker sleeps through a packet's known remainder
// together with the settle that follows every accepted packet, and waits out
// its own packet's line time in one wait, instead of waking for every byte,
// every poll slice and once more for the settle.
// A pty without a paced peer delivers at once, so nothing is predicted until
// the line has shown that it keeps its rate; until then every wait is a poll
// and every settle a full one.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace corvane {

class LinePacing {
 public:
  using Clock = std::chrono::steady_clock;
  // The quiet time after a packet, before its answer, in which stale input is
  // let in and then purged.
  static constexpr std::chrono::milliseconds kSettle{10};

  // A new transaction or a new rate: what was learned about the line no longer holds.
  void Restart(int baudRate);
  int BaudRate() const { return baudRate_; }
  bool KeepsRate() const { return keepsRate_; }

  // `count` bytes were written at `now`. With input still unread an answer
  // could not be told from bytes already under way, so it teaches nothing.
  void NoteWrite(std::uint32_t count, bool inputUnread, Clock::time_point now);
  // How a fill found its bytes: arriving while it waited, or already in the
  // driver when it asked after a sleep through bytes under way.
  enum class Found { Arriving, Waiting };
  // A fill at `now` took bytes from the driver, up to stream position `end`.
  void NoteArrival(std::uint64_t end, Clock::time_point now, Found found);
  // The reader at stream position `position` knows at `now` that at least
  // `count` more bytes are under way.
  void Expect(std::uint64_t position, std::uint32_t count, Clock::time_point now);
  // Input was discarded: what was expected will not come.
  void Forget();
  // Until when a fill at `position`, with nothing buffered, can sleep through
  // bytes under way before it looks at the line; `now` when there are none.
  Clock::time_point RestDueAt(std::uint64_t position, Clock::time_point now) const;
  // When the settle before purging the input ends: kSettle after `now`, or
  // after the last bytes taken arrived when a sleep through them has already
  // waited for the settle too.
  Clock::time_point SettleDueAt(Clock::time_point now) const;
  // How much longer the bytes written so far take to leave: no answer can
  // begin sooner, so a wait for one may last that much longer.
  Clock::duration TransmitterBusyFor(Clock::time_point now) const;

 private:
  int baudRate_ = 0;
  Clock::duration byteTime_{};
  bool keepsRate_ = false;
  // Bytes that cannot all arrive before their line time has passed: an answer to
  // a write, or a packet's known rest. When they come tells whether the line keeps its rate.
  struct Trial {
    bool open = false;
    Clock::time_point since{};
    Clock::duration lineTime{};
    std::uint64_t decidedAt = 0;  // the stream position whose arrival decides
  };
  void OpenTrial(std::uint32_t count, std::uint64_t decidedAt, Clock::time_point now);

  Trial trial_;
  Clock::time_point transmitterIdleAt_{};  // when the bytes written so far have left
  std::uint64_t expectedEnd_ = 0;          // the stream position up to which bytes are under way
  std::uint64_t arrivedEnd_ = 0;           // the stream position up to which bytes have been taken
  Clock::time_point lastArrival_{};        // when the byte before `arrivedEnd_` arrived
  std::optional<Clock::time_point> settledSince_;  // the settle runs since then
};

}  // namespace corvane
