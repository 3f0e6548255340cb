// The COM ports Windows knows, as its serial drivers enter them in the
// registry: the value's name is the driver's device, its data the COM name.
#include <windows.h>

#include <memory>

#include "platform/port_list.h"

namespace corvane {
namespace {

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return {};
  }
  const std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser> key(opened);
  std::vector<SerialPortInfo> ports;
  for (DWORD index = 0;; ++index) {
    char device[256] = {};
    char comName[256] = {};
    DWORD deviceLength = sizeof device;
    // One byte short of the buffer, so that the data always ends in a zero.
    DWORD comLength = sizeof comName - 1;
    DWORD type = 0;
    const LONG status = ::RegEnumValueA(key.get(), index, device, &deviceLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(comName), &comLength);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    SerialPortInfo info;
    info.path = comName;  // what opens the port: COM3
    info.description = device;
    ports.push_back(std::move(info));
  }
  return ports;
}

}  // namespace corvane
