// How every host describes a serial port of this machine, and why one did not
// open: the command and the desktop application word them alike.
#pragma once

#include <string>
#include <vector>

#include "corvane32/corvane32.h"

namespace corvane::host {

inline constexpr char kUsbPrefix[] = "usb:";

// "/dev/ttyUSB0  (USB 0403:6001, serial A1B2, FT232R USB UART)"; "/dev/ttyS0  (COM1)".
std::string DescribePort(const PortInfo& port);
// The `usb:VVVV:PPPP[:SERIAL]` name that picks this adapter out whatever tty it gets; empty off USB.
std::string UsbName(const PortInfo& port);
// After a failed open: the library's explanation, one cause a line
// ("<what is wrong>; fix: <command>"), control bytes shown as '?'. Empty when it has none.
std::vector<std::string> WhyPortDidNotOpen();

}  // namespace corvane::host
