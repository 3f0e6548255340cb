#include "hostkit/port_words.h"

#include <cstdio>
#include <sstream>

#include "hostkit/result_words.h"

namespace corvane::host {
namespace {

std::string Hex4(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value) & 0xFFFF);
  return text;
}

}  // namespace

std::string UsbName(const PortInfo& port) {
  if (port.usbVendor < 0) return {};
  std::string name = kUsbPrefix + Hex4(port.usbVendor) + ":" + Hex4(port.usbProduct);
  return port.serialNumber.empty() ? name : name + ":" + port.serialNumber;
}

std::string DescribePort(const PortInfo& port) {
  std::vector<std::string> details;
  if (!port.comName.empty()) details.push_back(port.comName);
  if (port.usbVendor >= 0) {
    details.push_back("USB " + Hex4(port.usbVendor) + ":" + Hex4(port.usbProduct));
    if (!port.serialNumber.empty()) details.push_back("serial " + port.serialNumber);
  }
  // A built-in port's description is only its own name again.
  if (!port.description.empty() && !port.path.ends_with("/" + port.description)) details.push_back(port.description);
  std::string text = port.path;
  for (std::size_t i = 0; i < details.size(); ++i) text += (i == 0 ? "  (" : ", ") + details[i];
  return details.empty() ? text : text + ")";
}

std::vector<std::string> WhyPortDidNotOpen() {
  std::vector<std::string> lines;
  std::stringstream why(TransferGetErrorDetail());
  for (std::string line; std::getline(why, line);) lines.push_back(PrintableText(line));
  return lines;
}

}  // namespace corvane::host
