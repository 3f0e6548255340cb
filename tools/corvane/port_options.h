// The serial line options shared by every subcommand that talks to the device.
#pragma once

#include <string>

#include "corvane/operation_watch.h"
#include "hostkit/line_choices.h"

namespace corvane::cli {

struct PortOptions {
  std::string port = CORVANE_DEFAULT_PORT;  // a device path or a COM number: /dev/ttyS0, COM1 on Windows
  int baudRate = 4800;
  std::string parity = "none";
  std::string platform = "auto";
  bool quiet = false;
  bool overwrite = false;
  int idleTimeoutSeconds = kDefaultIdleTimeoutSeconds;  // 0: a client operation waits as long as the library does
};

using host::CommandFamily;
using host::ParityCode;
using host::PlatformValue;

// Opens the port the options name; false when it cannot be opened.
bool OpenPort(const PortOptions& options);

}  // namespace corvane::cli
