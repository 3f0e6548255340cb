// Ctrl-C, Ctrl-Break and closing the console window as the Cancel button: the
// console calls the handler on a thread of its own.
#include <windows.h>

#include <atomic>

#include "common/interrupt.h"
#include "common/terminal.h"

namespace corvane {
namespace {

std::atomic<int>& InterruptCount() {
  static std::atomic<int> count{0};
  return count;
}

BOOL WINAPI CountInterrupt(DWORD /*event*/) {
  if (InterruptCount().fetch_add(1) + 1 < 2) return TRUE;
  // FALSE hands the event on to the default handler, which ends the program.
  RestoreTerminalForExit();
  return FALSE;
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  InterruptCount().store(0);
  ::SetConsoleCtrlHandler(CountInterrupt, TRUE);
}

InterruptCatcher::~InterruptCatcher() { ::SetConsoleCtrlHandler(CountInterrupt, FALSE); }

int InterruptCatcher::Count() const { return InterruptCount().load(); }

}  // namespace corvane
