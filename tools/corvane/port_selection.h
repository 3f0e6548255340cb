// Ports known by who they are: `usb:VVVV:PPPP[:SERIAL]` names whichever tty the
// adapter has today (hostkit/port_words.h words the ports and their names).
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

}  // namespace corvane::cli
