// Win32-style events: manual or auto reset, with waits that fail while the
// event is closed, so that a reader outside an operation sees "not signalled".
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace corvane {

enum class EventReset { Manual, Auto };
enum class WaitResult { Signalled, Timeout, Failed };

inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;

class Event {
 public:
  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Opens the event, not signalled. Re-creating an open event starts it afresh.
  void Create(EventReset reset);
  // Closes the event; every wait, also one in progress, then fails.
  void Close();
  bool IsOpen() const;
  // False when the event is closed.
  bool Set();
  bool Reset();
  // Waits up to `milliseconds` (kWaitForever: no limit). An auto-reset event is
  // reset by the wait that it satisfies.
  WaitResult Wait(std::uint32_t milliseconds);
  // Waits until `deadline` at the latest; a deadline already passed tests the event.
  WaitResult WaitUntil(std::chrono::steady_clock::time_point deadline);

 private:
  // Waits for the event until `deadline`, or for ever without one.
  WaitResult Settle(std::optional<std::chrono::steady_clock::time_point> deadline);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool signalled_ = false;
  EventReset reset_ = EventReset::Manual;
  // Counts Create and Close, so that a wait in progress notices either even
  // when the event is opened again before the waiter runs.
  std::uint64_t generation_ = 0;
};

}  // namespace corvane
