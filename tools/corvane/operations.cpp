#include "corvane/operations.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <system_error>
#include <vector>

#include "corvane/exit_status.h"
#include "corvane/operation_watch.h"
#include "corvane/port_selection.h"
#include "hostkit/port_words.h"
#include "corvane/terminal_display.h"
#include "corvane32/corvane32.h"
#include "hostkit/result_words.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;

std::string WorkingDirectory() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return error ? std::string(".") : current.string();
}

bool ReadableFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && std::ifstream(path, std::ios::binary).is_open();
}

// Letter, length character, argument and a terminating zero must fit 96 bytes.
constexpr std::size_t kLongestRemoteArgument = 93;

// Opens the port, runs one operation and closes the port again.
// The Data Collector may send its own cd and erase commands in the middle of a
// get or a remote command; they stay inside the working directory, as a server's
// requests stay inside its root.
// A client operation is watched: it is given up when the Data Collector stays
// silent for the idle time-out, or answers only with an error that the
// operation would wait past. The server has no watch: it waits for requests.
int RunOperation(const PortOptions& options, CommandFamily family, const std::function<bool()>& operation,
                 const std::string& confinedTo = WorkingDirectory(), bool watched = true) {
  const auto platform = PlatformValue(options.platform, family);
  if (!platform) {
    std::cerr << "corvane: --platform takes auto, classic, wide or a number, not '" << options.platform << "'\n";
    return kExitUsage;
  }
  // Started before the port opens: its first purge marks the start for a replay.
  if (!options.tracePath.empty() && !TransferSetTrace(options.tracePath)) {
    std::cerr << "corvane: cannot create the trace file " << options.tracePath << "\n";
    return kExitUsage;
  }
  if (const std::optional<int> status = OpenNamedPort(options)) {
    TransferSetTrace("");
    return *status;
  }
  TransferSetOtherPlatform(*platform);
  TransferSetServerRoot(confinedTo);
  TerminalDisplay display(options.quiet);
  OperationWatch watch(options.idleTimeoutSeconds);
  if (watched) display.SetStopCheck([&watch](bool answering) { return watch.ShouldStop(answering); });
  TransferSetHostUi(&display);
  TransferSetSaveAsHandler(MakeTerminalSaveAs(display, options.overwrite));
  const bool succeeded = operation();
  const int result = TransferGetLastError();
  TransferSetSaveAsHandler({});
  TransferSetHostUi(nullptr);
  TransferCloseCom();
  TransferSetTrace("");
  if (watch.Why() != OperationWatch::Reason::None) {
    std::cerr << "corvane: " << host::PrintableText(watch.Message()) << "\n";
    return kExitFailed;
  }
  if (!succeeded) {
    std::cerr << "corvane: " << host::DescribeResult(result) << "\n";
    const std::string detail = host::PrintableText(TransferGetErrorDetail());
    if (!detail.empty()) std::cerr << "corvane: " << detail << "\n";
  }
  return ExitStatusOf(result);
}

// The listing comes in a text file of the Data Collector's kind: CR LF line
// ends, and a Ctrl-Z byte would end it. Print it with LF and remove it.
void PrintAndRemoveReply() {
  std::string reply;
  if (!TransferGetOutputFilename(reply)) return;
  std::ifstream file(reply, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  text.erase(std::min(text.size(), text.find('\x1a')));
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  std::cout << text;
  file.close();
  std::error_code error;
  fs::remove(reply, error);
}

}  // namespace

int SendFile(const PortOptions& options, const std::string& local, const std::string& announced) {
  // The library ends a send of a missing file without error; say so before anything is sent.
  if (!ReadableFile(local)) {
    std::cerr << "corvane: " << local << ": no such file, or it cannot be read\n";
    return kExitFailed;
  }
  return RunOperation(options, CommandFamily::FileTransfer, [&] { return TransferSend(local, announced); });
}

int ReceiveFile(const PortOptions& options, const std::string& name) {
  return RunOperation(options, CommandFamily::FileTransfer, [&] {
    const bool ok = TransferReceive(name);
    std::string written;
    if (ok && TransferGetOutputFilename(written) && !options.quiet) std::cerr << "Received " << written << "\n";
    return ok;
  });
}

int GetFile(const PortOptions& options, const std::string& name, const std::string& second) {
  return RunOperation(options, CommandFamily::FileTransfer, [&] { return TransferGet(name, second); });
}

int RemoteCommand(const PortOptions& options, char letter, const std::string& argument) {
  if (argument.size() > kLongestRemoteArgument) {
    std::cerr << "corvane: the argument is " << argument.size() << " characters long; at most "
              << kLongestRemoteArgument << " fit a remote command\n";
    return kExitUsage;
  }
  return RunOperation(options, CommandFamily::Generic, [&] {
    switch (letter) {
      case 'D': {
        const bool ok = TransferDirectory(argument);
        if (ok) PrintAndRemoveReply();
        return ok;
      }
      case 'C':
        return TransferChangeDirectory(argument);
      default:
        return TransferDelete(argument);
    }
  });
}

int Serve(const PortOptions& options, const std::string& root, bool confine) {
  const std::string served = root.empty() ? WorkingDirectory() : root;
  std::error_code error;
  if (!fs::is_directory(served, error)) {
    std::cerr << "corvane: " << served << " is not a directory\n";
    return kExitUsage;
  }
  const int status = RunOperation(
      options, CommandFamily::FileTransfer, [] { return TransferServer(); }, confine ? served : std::string(), false);
  // Ctrl-C or SIGTERM is how a server is meant to end.
  return status == kExitCancelled ? kExitSuccess : status;
}

int ListPorts() {
  const std::vector<PortInfo> ports = TransferListPorts();
  if (ports.empty()) std::cerr << "corvane: the system lists no serial ports\n";
  for (const PortInfo& port : ports) {
    std::cout << host::DescribePort(port) << "\n";
    // The names that stay with an adapter, whichever tty it gets when plugged in.
    if (!port.byIdPath.empty()) std::cout << "    " << port.byIdPath << "\n";
    if (!host::UsbName(port).empty()) std::cout << "    --port " << host::UsbName(port) << "\n";
  }
  return kExitSuccess;
}

}  // namespace corvane::cli
