#include "corvane/port_options.h"

#include <iostream>

#include "corvane/exit_status.h"
#include "corvane/port_selection.h"
#include "corvane32/corvane32.h"
#include "hostkit/port_words.h"

namespace corvane::cli {

bool OpenPort(const std::string& port, const PortOptions& options) {
  const int parity = ParityCode(options.parity).value_or(0);
  if (const auto number = host::WholeNumber(port)) {
    return TransferOpenCom(*number, options.baudRate, parity, nullptr);
  }
  return TransferOpenDevice(port, options.baudRate, parity, nullptr);
}

std::optional<int> OpenNamedPort(const PortOptions& options) {
  const PortChoice chosen = ChooseNamedPort(options.port);
  if (!chosen.path) {
    std::cerr << "corvane: " << chosen.error << "\n";
    return kExitUsage;
  }
  if (OpenPort(*chosen.path, options)) return std::nullopt;
  const std::string shown = host::WholeNumber(*chosen.path) ? "COM" + *chosen.path : *chosen.path;
  std::cerr << "corvane: cannot open " << shown << " at " << options.baudRate << " baud\n";
  for (const std::string& line : host::WhyPortDidNotOpen()) std::cerr << "corvane: " << line << "\n";
  return kExitPortUnavailable;
}

}  // namespace corvane::cli
