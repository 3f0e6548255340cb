#include "corvane/port_options.h"

#include <charconv>
#include <iostream>
#include <sstream>

#include "corvane/exit_status.h"
#include "corvane/port_selection.h"
#include "corvane32/corvane32.h"

namespace corvane::cli {
namespace {

std::optional<int> WholeNumber(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int> ParityCode(const std::string& name) {
  static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
  for (int code = 0; code < 5; ++code) {
    if (name == kNames[code]) return code;
  }
  return std::nullopt;
}

std::optional<int> PlatformValue(const std::string& name, CommandFamily family) {
  if (name == "auto") return 1;
  if (name == "wide") return 2;
  if (name == "classic") return family == CommandFamily::Generic ? 1 : 0;
  return WholeNumber(name);
}

bool OpenPort(const std::string& port, const PortOptions& options) {
  const int parity = ParityCode(options.parity).value_or(0);
  if (const auto number = WholeNumber(port)) {
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
  const std::string shown = WholeNumber(*chosen.path) ? "COM" + *chosen.path : *chosen.path;
  std::cerr << "corvane: cannot open " << shown << " at " << options.baudRate << " baud\n";
  std::stringstream why(TransferGetErrorDetail());
  for (std::string line; std::getline(why, line);) std::cerr << "corvane: " << line << "\n";
  return kExitPortUnavailable;
}

}  // namespace corvane::cli
