// Ports known by who they are: `usb:VVVV:PPPP[:SERIAL]` names whichever tty the
// adapter has today, and each port is described by its identity.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "corvane32/corvane32.h"

namespace corvane::cli {

struct PortChoice {
  std::optional<std::string> path;  // the tty to open
  std::string error;                // why none could be chosen, with the candidates
};

// A `usb:` name chooses the one listed port with that vendor, product (hex) and,
// when given, serial number; no match or several is an error that lists the
// candidates. Any other name is a path (a by-id path too) or a COM number, kept as it is.
PortChoice ChoosePort(const std::string& name, const std::vector<PortInfo>& ports);

// ChoosePort over the ports the system lists now (listed only for a `usb:` name).
PortChoice ChooseNamedPort(const std::string& name);

// "/dev/ttyUSB0  (USB 0403:6001, serial A1B2, FT232R USB UART)"; "/dev/ttyS0  (COM1)".
std::string DescribePort(const PortInfo& port);
// The `usb:` name that picks this adapter out whatever tty it gets; empty off USB.
std::string UsbName(const PortInfo& port);

}  // namespace corvane::cli
