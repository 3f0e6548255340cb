#include "corvane/doctor.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "corvane/exit_status.h"
#include "corvane/port_selection.h"
#include "hostkit/port_words.h"
#include "corvane32/corvane32.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPatternRounds = 2;
constexpr std::size_t kWrongBytesShown = 3;

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

void Report(const PortFinding& finding, int& problems) {
  std::cout << "  " << finding.problem;
  if (!finding.fix.empty()) std::cout << "; fix: " << finding.fix;
  std::cout << "\n";
  ++problems;
}

// What the system lists for `path`, or a bare entry for a port it does not list (a pty).
PortInfo IdentityOf(const std::string& path, const std::vector<PortInfo>& listed) {
  std::error_code error;
  const fs::path device = fs::weakly_canonical(path, error);
  for (const PortInfo& port : listed) {
    if (port.path == path || fs::weakly_canonical(port.path, error) == device) return port;
  }
  PortInfo bare;
  bare.path = path;
  return bare;
}

// Every byte value (7-bit ones only with parity, which carries 7 data bits), twice over.
std::vector<std::uint8_t> LoopbackPattern(bool sevenBits) {
  std::vector<std::uint8_t> pattern;
  const unsigned values = sevenBits ? 128 : 256;
  for (std::size_t round = 0; round < kPatternRounds * (256 / values); ++round) {
    for (unsigned value = 0; value < values; ++value) pattern.push_back(static_cast<std::uint8_t>(value));
  }
  return pattern;
}

// `explained`: the findings have already said why the port may not open.
void CheckLoopback(const PortOptions& options, const std::string& path, bool explained, int& problems) {
  const std::string setting = std::to_string(options.baudRate) + " baud, " +
                              (options.parity == "none" ? std::string("no") : options.parity) + " parity";
  if (!OpenPort(path, options)) {
    if (explained) return;
    // The library's explanation has a line a cause; here they share the one finding.
    std::string why;
    for (const std::string& line : host::WhyPortDidNotOpen()) why += (why.empty() ? "" : " / ") + line;
    Report({"cannot open " + path + " at " + setting + ": " + why, ""}, problems);
    return;
  }
  const std::vector<std::uint8_t> sent = LoopbackPattern(options.parity != "none");
  std::vector<std::uint8_t> received;
  const bool written = TransferLoopback(sent, received);
  TransferCloseCom();
  const std::string retry = "corvane --port " + path + " --baud " + std::to_string(options.baudRate) + " doctor --loopback";
  if (!written) {
    Report({"the loopback pattern could not be written at " + setting, "check the cable, then " + retry}, problems);
    return;
  }
  if (received.empty()) {
    Report({"loopback at " + setting + ": nothing came back; no loopback plug, or the adapter does not send",
            "join TX to RX (pins 2 and 3 of a DB9) with a plug or a looped cable, then " + retry},
           problems);
    return;
  }
  std::size_t wrong = 0;
  std::string examples;
  for (std::size_t i = 0; i < received.size(); ++i) {
    if (received[i] == sent[i]) continue;
    if (++wrong <= kWrongBytesShown) {
      examples += (examples.empty() ? "" : ", ") + std::string("byte ") + std::to_string(i) + " sent " +
                  Hex2(sent[i]) + " came back " + Hex2(received[i]);
    }
  }
  if (wrong == 0 && received.size() == sent.size()) {
    std::cout << "  loopback at " << setting << ": all " << sent.size() << " bytes came back as sent\n";
    return;
  }
  std::string problem = "loopback at " + setting + ": " + std::to_string(received.size()) + " of " +
                        std::to_string(sent.size()) + " bytes came back";
  if (wrong > 0) problem += ", " + std::to_string(wrong) + " of them wrong (" + examples + ")";
  Report({problem, "use another adapter or cable, or a lower rate: --baud 4800"}, problems);
}

void CheckPort(const PortInfo& port, const PortOptions& options, bool loopback, int& problems) {
  std::cout << host::DescribePort(port) << "\n";
  if (!port.byIdPath.empty()) std::cout << "  known for good as " << port.byIdPath << "\n";
  if (!host::UsbName(port).empty()) std::cout << "  or as --port " << host::UsbName(port) << "\n";
  const int before = problems;
  for (const PortFinding& finding : TransferDiagnosePort(port.path)) Report(finding, problems);
  if (problems == before) std::cout << "  nothing stands in its way\n";
  // A finding need not stop Corvane (a stale lock file stops only the programs
  // that honour it), so the loopback is tried whatever was found.
  if (loopback) CheckLoopback(options, port.path, problems != before, problems);
}

}  // namespace

int RunDoctor(const PortOptions& options, bool portGiven, bool loopback) {
  const std::vector<PortInfo> listed = TransferListPorts();
  std::vector<PortInfo> ports;
  if (portGiven) {
    const PortChoice chosen = ChoosePort(options.port, listed);
    if (!chosen.path) {
      std::cerr << "corvane: " << chosen.error << "\n";
      return kExitUsage;
    }
    // A COM number names /dev/ttyS<n-1>, as the library opens it.
    const bool comNumber = chosen.path->find_first_not_of("0123456789") == std::string::npos;
    ports.push_back(IdentityOf(comNumber ? "/dev/ttyS" + std::to_string(std::stoi(*chosen.path) - 1) : *chosen.path,
                               listed));
  } else {
    ports = listed;
  }
  int problems = 0;
  if (ports.empty()) {
    Report({"the system lists no serial port", "plug the adapter in, then: corvane ports"}, problems);
  }
  for (const PortInfo& port : ports) CheckPort(port, options, loopback, problems);
  std::cout << "corvane doctor: " << ports.size() << (ports.size() == 1 ? " port, " : " ports, ")
            << (problems == 0 ? std::string("nothing wrong")
                              : std::to_string(problems) + (problems == 1 ? " problem" : " problems"))
            << "\n";
  return problems == 0 ? kExitSuccess : kExitFailed;
}

}  // namespace corvane::cli
