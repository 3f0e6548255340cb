// The serial line options shared by every subcommand that talks to the device.
#pragma once

#include <optional>
#include <string>

namespace corvane::cli {

struct PortOptions {
  std::string port = CORVANE_DEFAULT_PORT;  // a device path or a COM number: /dev/ttyS0, COM1 on Windows
  int baudRate = 4800;
  std::string parity = "none";
  std::string platform = "auto";
  bool quiet = false;
  bool overwrite = false;
};

enum class CommandFamily { FileTransfer, Generic };

// The library's parity code, or nullopt for an unknown name.
std::optional<int> ParityCode(const std::string& name);
// The platform value for TransferSetOtherPlatform: "classic" is the classic engine,
// which is 0 for file transfers but 1 for generic commands (0 would pick the wide engine).
std::optional<int> PlatformValue(const std::string& name, CommandFamily family);
// Opens the port the options name; false when it cannot be opened.
bool OpenPort(const PortOptions& options);

}  // namespace corvane::cli
