#include "api/port_report.h"

#include "platform/tty.h"
#include "serial/serial_port.h"

namespace corvane {

std::string FindingsText(const std::vector<PortObstacle>& findings) {
  std::string text;
  for (const PortObstacle& finding : findings) {
    if (!text.empty()) text += '\n';
    text += finding.problem;
    if (!finding.fix.empty()) text += "; fix: " + finding.fix;
  }
  return text;
}

std::vector<PortObstacle> DiagnoseNamedPort(const std::string& path) {
  const CSerialPort& port = SerialPort();
  if (port.IsOpen() && port.DeviceName() == path) return DiagnosePort(path, OpenFailure::None, "");
  TtyDevice trial;
  trial.Open(path);
  return DiagnosePort(path, trial.LastOpenFailure(), trial.LastOpenError());
}

}  // namespace corvane
