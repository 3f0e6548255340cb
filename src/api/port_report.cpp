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
  std::string error;
  const OpenFailure failure = TtyDevice::TryOpen(path, error);
  return DiagnosePort(path, failure, error);
}

bool LoopBack(const std::vector<std::uint8_t>& sent, std::vector<std::uint8_t>& received) {
  constexpr std::uint32_t kQuietMs = 500;
  received.clear();
  CSerialPort& port = SerialPort();
  if (!port.IsOpen()) return false;
  port.PurgeInput();
  if (!port.Write(sent.data(), static_cast<std::uint32_t>(sent.size()))) return false;
  port.SetReadWait(kQuietMs);
  std::vector<std::uint8_t> block(sent.size() + 1);
  std::uint32_t count = 0;
  while (received.size() < sent.size() &&
         port.ReadAvailable(block.data(), static_cast<std::uint32_t>(sent.size() - received.size()), count)) {
    received.insert(received.end(), block.begin(), block.begin() + count);
  }
  return true;
}

}  // namespace corvane
