// The serial line options shared by every subcommand that talks to the device.
#pragma once

#include <optional>
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
  std::string tracePath;  // empty: no line trace
  int idleTimeoutSeconds = kDefaultIdleTimeoutSeconds;  // 0: a client operation waits as long as the library does
};

using host::CommandFamily;
using host::ParityCode;
using host::PlatformValue;

// Opens `port` (a path, or a COM number) with the options' rate and parity; false when it cannot be opened.
bool OpenPort(const std::string& port, const PortOptions& options);
// The port the options name, opened; otherwise the exit status after saying
// why on stderr (a usage error for a `usb:` name that picks no one adapter,
// kExitPortUnavailable with the library's explanation for a port that will not open).
std::optional<int> OpenNamedPort(const PortOptions& options);

}  // namespace corvane::cli
