// Ports as libserialport finds them (it reads sysfs, so an absent UART is not
// listed and no node is opened), with the stable by-id names udev makes.
#include "platform/port_list.h"

#include <libserialport.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct PortListDeleter {
  void operator()(sp_port** list) const { sp_free_port_list(list); }
};

std::string TextOf(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// udev's links under /dev/serial/by-id name an adapter by its maker, product and serial number.
std::string ByIdPathOf(const std::string& path) {
  std::error_code error;
  const fs::path device = fs::canonical(path, error);
  if (error) return {};
  for (const auto& link : fs::directory_iterator("/dev/serial/by-id", error)) {
    const fs::path target = fs::canonical(link.path(), error);
    if (!error && target == device) return link.path().string();
  }
  return {};
}

std::string ComNameOf(const std::string& path) {
  const std::string prefix = "/dev/ttyS";
  if (!path.starts_with(prefix) || path.size() == prefix.size()) return {};
  const std::string digits = path.substr(prefix.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 4) return {};
  return "COM" + std::to_string(std::stoi(digits) + 1);
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  sp_port** raw = nullptr;
  if (sp_list_ports(&raw) != SP_OK) return {};
  const std::unique_ptr<sp_port*, PortListDeleter> list(raw);
  std::vector<SerialPortInfo> ports;
  for (sp_port** port = raw; *port != nullptr; ++port) {
    SerialPortInfo info;
    info.path = TextOf(sp_get_port_name(*port));
    info.description = TextOf(sp_get_port_description(*port));
    if (sp_get_port_transport(*port) == SP_TRANSPORT_USB) {
      sp_get_port_usb_vid_pid(*port, &info.usbVendor, &info.usbProduct);
      info.serialNumber = TextOf(sp_get_port_usb_serial(*port));
    }
    info.byIdPath = ByIdPathOf(info.path);
    info.comName = ComNameOf(info.path);
    ports.push_back(std::move(info));
  }
  return ports;
}

}  // namespace corvane
