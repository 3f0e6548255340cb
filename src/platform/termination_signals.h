// SIGINT and SIGTERM as a request to finish: a program that runs until told to
// stop polls TerminationRequested() instead of being killed mid-packet.
#pragma once

namespace corvane {

// Installs the handlers (once per process); false when the system refuses.
bool WatchTerminationSignals();
// True once SIGINT or SIGTERM has arrived since WatchTerminationSignals().
bool TerminationRequested();

}  // namespace corvane
