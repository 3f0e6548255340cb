// The serial ports this machine has, as the operating system knows them.
#pragma once

#include <string>
#include <vector>

namespace corvane {

struct SerialPortInfo {
  std::string path;          // what opens the port: /dev/ttyUSB0, or COM3 on Windows
  std::string description;   // the adapter's own words; empty when the system has none
  std::string byIdPath;      // a name that stays with the adapter (/dev/serial/by-id/...); empty when none
  int usbVendor = -1;        // USB identity; -1 for a port that is not on USB
  int usbProduct = -1;
  std::string serialNumber;  // the USB adapter's serial number; empty when it has none
  std::string comName;       // the COM name the port goes by (COM<n+1> for ttyS<n>); empty when none
};

// The ports the system lists, in its order; empty when it lists none or cannot list them.
std::vector<SerialPortInfo> ListSerialPorts();

}  // namespace corvane
