#include "corvane/port_selection.h"

#include <charconv>

#include "hostkit/port_words.h"

namespace corvane::cli {
namespace {

using host::DescribePort;
using host::kUsbPrefix;
using host::UsbName;

std::optional<int> HexId(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || text.size() > 4 || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string Candidates(const std::vector<const PortInfo*>& ports) {
  std::string text;
  for (const PortInfo* port : ports) text += "\n  " + DescribePort(*port);
  return text;
}

}  // namespace

PortChoice ChoosePort(const std::string& name, const std::vector<PortInfo>& ports) {
  if (!name.starts_with(kUsbPrefix)) return {name, {}};
  const std::string identity = name.substr(sizeof kUsbPrefix - 1);
  const auto vendorEnd = identity.find(':');
  const auto productEnd = vendorEnd == std::string::npos ? vendorEnd : identity.find(':', vendorEnd + 1);
  const std::optional<int> vendor = HexId(identity.substr(0, vendorEnd));
  const std::optional<int> product =
      vendorEnd == std::string::npos ? std::nullopt : HexId(identity.substr(vendorEnd + 1, productEnd - vendorEnd - 1));
  if (!vendor || !product) return {std::nullopt, "--port " + name + ": a USB adapter is named usb:VVVV:PPPP or usb:VVVV:PPPP:SERIAL (hex vendor and product)"};
  const std::optional<std::string> serial =
      productEnd == std::string::npos ? std::nullopt : std::optional(identity.substr(productEnd + 1));

  std::vector<const PortInfo*> matches;
  std::vector<const PortInfo*> adapters;
  for (const PortInfo& port : ports) {
    if (port.usbVendor < 0) continue;
    adapters.push_back(&port);
    if (port.usbVendor == *vendor && port.usbProduct == *product && (!serial || port.serialNumber == *serial)) {
      matches.push_back(&port);
    }
  }
  if (matches.size() == 1) return {matches.front()->path, {}};
  if (matches.empty()) {
    return {std::nullopt, "--port " + name + ": no such USB adapter is plugged in" +
                              (adapters.empty() ? std::string("; none is") : "; the adapters plugged in:" + Candidates(adapters))};
  }
  std::string error = "--port " + name + ": " + std::to_string(matches.size()) + " adapters match; name one:";
  for (const PortInfo* port : matches) {
    error += "\n  " + (port->serialNumber.empty() ? port->path : UsbName(*port)) + "  " + DescribePort(*port);
  }
  return {std::nullopt, error};
}

PortChoice ChooseNamedPort(const std::string& name) {
  return ChoosePort(name, name.starts_with(kUsbPrefix) ? TransferListPorts() : std::vector<PortInfo>());
}

}  // namespace corvane::cli
