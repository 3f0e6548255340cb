// The findings for a COM port from how its open ended: Windows does not tell
// which program holds a port, so the fixes point to where the user can look.
#include "platform/port_diagnosis.h"

namespace corvane {
namespace {

// "\\.\COM3" reads as "COM3" to the user.
std::string ShownName(const std::string& path) { return path.starts_with("\\\\.\\") ? path.substr(4) : path; }

}  // namespace

std::vector<PortObstacle> DiagnosePort(const std::string& path, OpenFailure failure, const std::string& systemError) {
  const std::string port = ShownName(path);
  switch (failure) {
    case OpenFailure::Missing:
      return {{port + " does not exist: the adapter is unplugged, or Windows gave it another number",
               "Device Manager, Ports (COM & LPT), shows the COM number of each adapter plugged in"}};
    case OpenFailure::InUse:
    case OpenFailure::Denied:
      return {{port + " is in use by another program (" + systemError + ")",
               "close the program that holds it: another transfer or terminal program, or a GPS or sync tool"}};
    case OpenFailure::NotATty:
      return {{port + " is not a serial port", "corvane ports lists the serial ports"}};
    case OpenFailure::Refused:
      return {{"Windows refused to open " + port + ": " + systemError, ""}};
    case OpenFailure::Settings:
      return {{port + " does not take the rate or frame asked for",
               "choose a standard rate: 9600, 19200, 38400, 57600 or 115200"}};
    case OpenFailure::None:
      break;
  }
  return {};
}

}  // namespace corvane
