#include "common/interrupt.h"

#include <signal.h>

#include <atomic>

#include "common/terminal.h"

namespace corvane {
namespace {

// Constant-initialised, so the handler may touch it at any time.
struct InterruptRecord {
  std::atomic<int> count{0};
  struct sigaction previousInt {};
  struct sigaction previousTerm {};
};

InterruptRecord& Interrupts() {
  static InterruptRecord record;
  return record;
}

extern "C" void CountInterrupt(int signalNumber) {
  if (Interrupts().count.fetch_add(1) + 1 < 2) return;
  RestoreTerminalForExit();
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

}  // namespace

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free counter");

InterruptCatcher::InterruptCatcher() {
  InterruptRecord& record = Interrupts();
  record.count.store(0);
  struct sigaction action {};
  action.sa_handler = CountInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a Ctrl-C must not turn into a failed read elsewhere in the program.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &record.previousInt);
  ::sigaction(SIGTERM, &action, &record.previousTerm);
}

InterruptCatcher::~InterruptCatcher() {
  InterruptRecord& record = Interrupts();
  ::sigaction(SIGINT, &record.previousInt, nullptr);
  ::sigaction(SIGTERM, &record.previousTerm, nullptr);
}

int InterruptCatcher::Count() const { return Interrupts().count.load(); }

}  // namespace corvane
