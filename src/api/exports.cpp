// The exported functions: each fills or reads the session, and the seven
// operations hand over to the runner. No exception leaves this file.
#include <exception>

#include "api/runner.h"
#include "corvane32/corvane32.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"
#include "platform/port_list.h"
#include "platform/real_path.h"
#include "platform/thread.h"
#include "serial/serial_port.h"
#include "session/host_seams.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"

using namespace corvane;

namespace {

constexpr std::uint32_t kCancelRetestMs = 50;

// Runs `body`, turning any exception into `fallback`.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

bool OpenPort(std::string devicePath, int portNumber, int baudRate, int parity, HostWindow hostWindow) {
  TransferSession& session = Session();
  session.lastResult = kResultSuccess;
  session.hostWindow = hostWindow;
  CSerialPort& port = SerialPort();
  port.SetDevicePath(std::move(devicePath));
  port.SetPortNumber(portNumber);
  port.SetBaudRate(baudRate);
  port.SetParity(parity);
  // An open port took the new settings in the setters; report when it refused them.
  const bool settingsApplied = !port.IsOpen() || port.ApplySettings();
  return port.Open() && settingsApplied;
}

bool RunCommand(TransferCommand command, std::string first, std::string second) {
  TransferSession& session = Session();
  session.command = command;
  session.firstArgument = std::move(first);
  session.secondArgument = std::move(second);
  return RunTransfer();
}

// The reply file of a change-directory or erase request is of no use to the host.
void RemoveReplyFile() {
  std::string name;
  if (TransferGetOutputFilename(name)) RemoveFile(name);
}

}  // namespace

bool TransferOpenCom(int portNumber, int baudRate, int parity, HostWindow hostWindow) {
  return Guarded(false, [&] { return OpenPort("", portNumber, baudRate, parity, hostWindow); });
}

bool TransferOpenDevice(std::string devicePath, int baudRate, int parity, HostWindow hostWindow) {
  return Guarded(false, [&] { return OpenPort(std::move(devicePath), 1, baudRate, parity, hostWindow); });
}

void TransferCloseCom() {
  Guarded(false, [] {
    Session().lastResult = kResultSuccess;
    SerialPort().Close();
    return true;
  });
}

bool TransferSend(std::string localPath, std::string announcedName) {
  return Guarded(false, [&] { return RunCommand(TransferCommand::Send, std::move(localPath), std::move(announcedName)); });
}

bool TransferReceive(std::string outputName) {
  return Guarded(false, [&] { return RunCommand(TransferCommand::Receive, std::move(outputName), ""); });
}

bool TransferGet(std::string firstName, std::string secondName) {
  return Guarded(false, [&] {
    std::string wanted = secondName.empty() ? firstName : secondName;
    return RunCommand(TransferCommand::Get, std::move(wanted), std::move(firstName));
  });
}

bool TransferDirectory(std::string argument) {
  return Guarded(false, [&] { return RunCommand(TransferCommand::Generic, "D" + argument, ""); });
}

bool TransferChangeDirectory(std::string directory) {
  return Guarded(false, [&] {
    const bool ok = RunCommand(TransferCommand::Generic, "C" + directory, "");
    RemoveReplyFile();
    return ok;
  });
}

bool TransferDelete(std::string fileName) {
  return Guarded(false, [&] {
    const bool ok = RunCommand(TransferCommand::Generic, "E" + fileName, "");
    RemoveReplyFile();
    return ok;
  });
}

bool TransferServer() {
  return Guarded(false, [] {
    Session().command = TransferCommand::Server;
    return RunTransfer();
  });
}

bool TransferCancel() {
  return Guarded(true, [] {
    TransferSession& session = Session();
    session.cancelEvent.Set();
    // No limit: the worker always notices the cancel at its next test.
    while (session.busyEvent.Wait(0) == WaitResult::Signalled) SleepMilliseconds(kCancelRetestMs);
    session.lastResult = kResultSuccess;
    return true;
  });
}

bool TransferGetStatus(std::int32_t& bytesDone, std::int32_t& bytesTotal) {
  return Guarded(false, [&] {
    TransferSession& session = Session();
    bytesDone = session.bytesDone;
    bytesTotal = session.bytesTotal;
    return session.busyEvent.Wait(0) == WaitResult::Signalled;
  });
}

bool TransferGetOutputFilename(std::string& name) {
  return Guarded(false, [&] {
    name = Session().outputFileName.Get();
    return !name.empty();
  });
}

int TransferGetLastError() { return Session().lastResult; }

bool TransferSetOtherPlatform(int platform) {
  Session().platform = platform;
  return true;
}

void TransferSetHostUi(HostUi* hostUi) { TheHostSeams().ui = hostUi; }

void TransferSetSaveAsHandler(SaveAsHandler handler) {
  Guarded(false, [&] {
    TheHostSeams().saveAs = std::move(handler);
    return true;
  });
}

void TransferSetServerRoot(std::string root) {
  Guarded(false, [&] {
    // Fixed as an absolute path now: the server's own change-directory moves ".".
    Confinement().root = root.empty() ? std::string() : RealPath(root).value_or(root);
    return true;
  });
}

std::string TransferGetErrorDetail() {
  return Guarded(std::string(), [] { return Session().errorDetail.Get(); });
}

bool TransferGetLineActivity(std::uint32_t& packetsRead, std::uint32_t& errorPacketsRead) {
  errorPacketsRead = Session().errorPacketsRead;
  packetsRead = Session().packetsRead;
  return true;
}

std::string TransferErrorText(int code) {
  return Guarded(std::string(), [&] {
    std::string text;
    ProtocolErrorText(code, text);
    return text;
  });
}

std::vector<PortInfo> TransferListPorts() {
  return Guarded(std::vector<PortInfo>(), [] {
    std::vector<PortInfo> ports;
    for (SerialPortInfo& found : ListSerialPorts()) {
      ports.push_back(PortInfo{std::move(found.path), std::move(found.description), std::move(found.byIdPath),
                               found.usbVendor, found.usbProduct, std::move(found.serialNumber),
                               std::move(found.comName)});
    }
    return ports;
  });
}
