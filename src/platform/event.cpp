#include "platform/event.h"

namespace corvane {

void Event::Create(EventReset reset) {
  std::lock_guard lock(mutex_);
  // A new generation: waiters on the previous event fail as if it had been closed.
  ++generation_;
  open_ = true;
  signalled_ = false;
  reset_ = reset;
  changed_.notify_all();
}

void Event::Close() {
  std::lock_guard lock(mutex_);
  ++generation_;
  open_ = false;
  signalled_ = false;
  changed_.notify_all();
}

bool Event::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

bool Event::Set() {
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  signalled_ = true;
  changed_.notify_all();
  return true;
}

bool Event::Reset() {
  std::lock_guard lock(mutex_);
  if (!open_) return false;
  signalled_ = false;
  return true;
}

WaitResult Event::Wait(std::uint32_t milliseconds) {
  if (milliseconds == kWaitForever) return Settle(std::nullopt);
  return Settle(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds));
}

WaitResult Event::WaitUntil(std::chrono::steady_clock::time_point deadline) { return Settle(deadline); }

WaitResult Event::Settle(std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::unique_lock lock(mutex_);
  if (!open_) return WaitResult::Failed;
  const std::uint64_t generation = generation_;
  const auto settled = [&] { return generation_ != generation || signalled_; };
  if (!deadline) {
    changed_.wait(lock, settled);
  } else if (!settled()) {
    // A deadline already passed is a test, asked between every packet: no need to enter the kernel.
    if (*deadline <= std::chrono::steady_clock::now() || !changed_.wait_until(lock, *deadline, settled)) {
      return WaitResult::Timeout;
    }
  }
  if (generation_ != generation) return WaitResult::Failed;
  if (reset_ == EventReset::Auto) signalled_ = false;
  return WaitResult::Signalled;
}

}  // namespace corvane
