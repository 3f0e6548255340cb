#include "platform/termination_signals.h"

#include <signal.h>

#include <atomic>

namespace corvane {
namespace {

std::atomic<bool>& TerminationFlag() {
  static std::atomic<bool> requested{false};
  return requested;
}

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void NoteTermination(int) { TerminationFlag().store(true); }

}  // namespace

bool WatchTerminationSignals() {
  TerminationFlag().store(false);
  struct sigaction action {};
  action.sa_handler = NoteTermination;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking wait returns early and the caller sees the flag.
  action.sa_flags = 0;
  return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

bool TerminationRequested() { return TerminationFlag().load(); }

}  // namespace corvane
