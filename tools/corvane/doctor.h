// corvane doctor: a preflight of the serial ports before a job in the field.
#pragma once

#include "corvane/port_options.h"

namespace corvane::cli {

// Checks the port the options name (`portGiven`), or every port the system
// lists: its adapter, everything that stands in its way with the fix, and with
// `loopback` a pattern written and read back through a loopback plug at the
// options' rate and parity. One line a finding; 0 when nothing is wrong, else 1.
int RunDoctor(const PortOptions& options, bool portGiven, bool loopback);

}  // namespace corvane::cli
