// The findings for a port, read from /proc, /dev, /sys, /etc/group, the udev
// database and rules, and the lock directory below a SystemView's root.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/port_list.h"
#include "platform/posix/system_view.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr char kModemManager[] = "ModemManager";
constexpr char kBrltty[] = "brltty";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The device as the system names it, links followed: a by-id name is its /dev/ttyUSB<n>.
std::string SystemPathOf(const SystemView& view, const std::string& path) {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(view.At(path), error);
  if (error) return path;
  if (view.root.empty() || view.root == "/") return resolved.string();
  const fs::path root = fs::weakly_canonical(view.root, error);
  return (fs::path("/") / resolved.lexically_relative(root)).string();
}

std::string Hex(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", width, static_cast<unsigned>(value));
  return text;
}

std::string UsbId(const SerialPortInfo& identity) {
  return Hex(identity.usbVendor, 4) + ":" + Hex(identity.usbProduct, 4);
}

// The fix for a program that holds the port; empty for a program of the user's own.
std::string FixForHolder(const std::string& name, const std::string& deviceName) {
  if (name == kModemManager) return "sudo systemctl stop ModemManager";
  if (name == kBrltty) return "sudo apt remove brltty";
  if (name.ends_with("getty")) return "sudo systemctl stop serial-getty@" + deviceName;
  return {};
}

PortObstacle HolderFinding(const std::string& what, const ProcessEntry& holder, const std::string& deviceName) {
  std::string fix = FixForHolder(holder.name, deviceName);
  if (fix.empty()) fix = "end it once it is done with the port: kill " + std::to_string(holder.pid);
  return {what + " " + holder.name + " (pid " + std::to_string(holder.pid) + ")", fix};
}

struct GroupEntry {
  std::string name;
  std::vector<std::string> members;
};

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::optional<unsigned> Number(const std::string& text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<GroupEntry> GroupOf(const SystemView& view, unsigned gid) {
  std::ifstream in(view.At("/etc/group"));
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> fields = Fields(line, ':');
    if (fields.size() < 4 || Number(fields[2]) != gid) continue;
    return GroupEntry{fields[0], Fields(fields[3], ',')};
  }
  return std::nullopt;
}

std::optional<unsigned> PrimaryGroupOf(const SystemView& view, const std::string& user) {
  std::ifstream in(view.At("/etc/passwd"));
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> fields = Fields(line, ':');
    if (fields.size() >= 4 && fields[0] == user) return Number(fields[3]);
  }
  return std::nullopt;
}

std::string ModeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : "-";
  const char letters[] = "rwx";
  for (int bit = 8; bit >= 0; --bit) text += (mode & (1u << bit)) ? letters[(8 - bit) % 3] : '-';
  return text;
}

PortObstacle PermissionFinding(const SystemView& view, const std::string& device) {
  struct stat status {};
  if (::stat(view.At(device).c_str(), &status) != 0) return {"the system does not let " + view.user + " open " + device, ""};
  const std::optional<GroupEntry> group = GroupOf(view, status.st_gid);
  const std::string groupName = group ? group->name : std::to_string(status.st_gid);
  const std::string mode = ModeText(status.st_mode);
  const bool groupMayUse = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (!groupMayUse) {
    return {device + " may be opened by its owner only (" + mode + ")",
            "sudo chgrp dialout " + device + " && sudo chmod 660 " + device + " (until the next boot or plug-in)"};
  }
  const bool listed = group && (std::find(group->members.begin(), group->members.end(), view.user) != group->members.end() ||
                                PrimaryGroupOf(view, view.user) == status.st_gid);
  if (listed) {
    return {view.user + " was added to group " + groupName + ", which may open " + device +
                ", after this login began: the group comes with the next login",
            "log in again (or, in this shell only: newgrp " + groupName + ")"};
  }
  return {device + " belongs to group " + groupName + " (" + mode + ") and " + view.user + " is not in it",
          "sudo usermod -aG " + groupName + " " + view.user + ", then log in again"};
}

// The lock file that programs such as minicom leave for a port they use.
std::optional<PortObstacle> LockFinding(const SystemView& view, const std::string& deviceName) {
  const std::string lockPath = "/var/lock/LCK.." + deviceName;
  const std::string text = ReadAll(view.At(lockPath));
  if (text.empty()) return std::nullopt;
  int pid = 0;
  const auto first = text.find_first_not_of(' ');
  if (first != std::string::npos) std::from_chars(text.data() + first, text.data() + text.size(), pid);
  // An older binary form holds the pid as a four-byte integer.
  if (pid <= 0 && text.size() == sizeof(int)) std::copy(text.begin(), text.end(), reinterpret_cast<char*>(&pid));
  if (pid == view.ownPid) return std::nullopt;
  if (ProcessRuns(view, pid)) {
    std::string name = ReadAll(view.At("/proc/" + std::to_string(pid) + "/comm"));
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return HolderFinding("/dev/" + deviceName + " is locked through " + lockPath + " by", {pid, name}, deviceName);
  }
  return PortObstacle{lockPath + " names process " + std::to_string(pid) +
                         ", which has ended: programs that honour lock files refuse the port",
                     "sudo rm " + lockPath};
}

// udev marks the adapters that ModemManager is to leave alone.
bool ModemManagerIgnores(const SystemView& view, const std::string& deviceName) {
  std::string numbers = ReadAll(view.At("/sys/class/tty/" + deviceName + "/dev"));
  while (!numbers.empty() && (numbers.back() == '\n' || numbers.back() == ' ')) numbers.pop_back();
  if (numbers.empty()) return false;
  return ReadAll(view.At("/run/udev/data/c" + numbers)).find("E:ID_MM_DEVICE_IGNORE=1") != std::string::npos;
}

// brltty's udev rules start it for the USB identities of braille displays, and
// some of those are common serial adapters (CH340, CP210x).
bool BrlttyClaims(const SystemView& view, const SerialPortInfo& identity) {
  const std::string product = "ENV{PRODUCT}==\"" + Hex(identity.usbVendor, 0) + "/" + Hex(identity.usbProduct, 0) + "/";
  const std::string attributes = "ATTRS{idVendor}==\"" + Hex(identity.usbVendor, 4) + "\", ATTRS{idProduct}==\"" +
                                 Hex(identity.usbProduct, 4) + "\"";
  for (const char* rules : {"/usr/lib/udev/rules.d/85-brltty.rules", "/lib/udev/rules.d/85-brltty.rules"}) {
    const std::string text = ReadAll(view.At(rules));
    if (!text.empty()) return text.find(product) != std::string::npos || text.find(attributes) != std::string::npos;
  }
  return false;
}

void AddFailureFinding(const SystemView& view, const std::string& device, OpenFailure failure,
                       const std::string& systemError, std::vector<PortObstacle>& findings) {
  std::error_code error;
  switch (failure) {
    case OpenFailure::Missing:
      if (fs::exists(view.At(device), error)) {
        findings.push_back({"no serial port answers behind " + device + " (" + systemError + ")", ""});
      } else {
        findings.push_back({device + " does not exist: the adapter is unplugged, or the system named it otherwise",
                            "ls -l /dev/serial/by-id/ (the adapters plugged in, by name)"});
      }
      return;
    case OpenFailure::NotATty:
      findings.push_back({device + " is not a serial device", ""});
      return;
    case OpenFailure::Denied:
      findings.push_back(PermissionFinding(view, device));
      return;
    case OpenFailure::Refused:
      findings.push_back({"the system refused to open " + device + ": " + systemError, ""});
      return;
    case OpenFailure::Settings:
      findings.push_back({device + " does not take the rate or frame asked for",
                          "choose a standard rate: 9600, 19200, 38400, 57600 or 115200"});
      return;
    case OpenFailure::InUse:
    case OpenFailure::None:
      return;
  }
}

}  // namespace

std::vector<PortObstacle> DiagnosePortIn(const SystemView& view, const std::string& path, const SerialPortInfo& identity,
                                        OpenFailure failure, const std::string& systemError) {
  const std::string device = SystemPathOf(view, path);
  const std::string deviceName = fs::path(device).filename().string();
  std::vector<PortObstacle> findings;
  AddFailureFinding(view, device, failure, systemError, findings);

  // Holders are named when the port is in use (those that lock it, when any
  // does: others may only share it), and services that grab ports whenever they hold it.
  bool modemManagerHolds = false;
  bool brlttyHolds = false;
  const std::vector<ProcessEntry> holders = ListProcesses(view, device);
  const std::vector<int> lockers = LockingProcesses(view, device);
  const auto locks = [&lockers](const ProcessEntry& holder) {
    return std::find(lockers.begin(), lockers.end(), holder.pid) != lockers.end();
  };
  const bool anyLocks = std::any_of(holders.begin(), holders.end(), locks);
  for (const ProcessEntry& holder : holders) {
    const bool grabber = !FixForHolder(holder.name, deviceName).empty();
    const bool blocks = failure == OpenFailure::InUse && (!anyLocks || locks(holder));
    if (blocks || grabber) findings.push_back(HolderFinding(device + " is held open by", holder, deviceName));
    modemManagerHolds = modemManagerHolds || holder.name == kModemManager;
    brlttyHolds = brlttyHolds || holder.name == kBrltty;
  }
  const std::optional<PortObstacle> lock = LockFinding(view, deviceName);
  if (lock) findings.push_back(*lock);
  if (failure == OpenFailure::InUse && holders.empty() && !lock) {
    findings.push_back({device + " is in use by a program that this user cannot see", "sudo fuser -v " + device});
  }

  if (identity.usbVendor < 0) return findings;
  const std::vector<ProcessEntry> running = ListProcesses(view);
  const bool modemManagerRuns = std::any_of(running.begin(), running.end(), [](const ProcessEntry& entry) {
    return entry.name == kModemManager;
  });
  if (modemManagerRuns && !modemManagerHolds && !ModemManagerIgnores(view, deviceName)) {
    findings.push_back({"ModemManager runs and opens new USB serial adapters to look for modems, " + device +
                            " (USB " + UsbId(identity) + ") among them",
                        "sudo systemctl stop ModemManager, or leave this adapter alone for good: echo 'ATTRS{idVendor}==\"" +
                            Hex(identity.usbVendor, 4) + "\", ATTRS{idProduct}==\"" + Hex(identity.usbProduct, 4) +
                            "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee /etc/udev/rules.d/70-corvane.rules"});
  }
  if (!brlttyHolds && BrlttyClaims(view, identity)) {
    findings.push_back({"brltty takes USB " + UsbId(identity) + " adapters for braille displays and holds them once plugged in",
                        "sudo apt remove brltty"});
  }
  return findings;
}

std::vector<PortObstacle> DiagnosePort(const std::string& path, OpenFailure failure, const std::string& systemError) {
  const SystemView view = SystemView::OfThisProcess();
  SerialPortInfo identity;
  std::error_code error;
  const fs::path device = fs::weakly_canonical(path, error);
  for (SerialPortInfo& port : ListSerialPorts()) {
    if (fs::weakly_canonical(port.path, error) == device) identity = std::move(port);
  }
  return DiagnosePortIn(view, path, identity, failure, systemError);
}

}  // namespace corvane
