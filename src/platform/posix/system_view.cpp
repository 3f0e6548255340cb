#include "platform/posix/system_view.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::optional<int> PidOf(const std::string& name) {
  int pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || end != name.data() + name.size() || pid <= 0) return std::nullopt;
  return pid;
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool HasOpen(const fs::path& fdDirectory, const std::string& path) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fdDirectory, error)) {
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && target == path) return true;
  }
  return false;
}

}  // namespace

SystemView SystemView::OfThisProcess() {
  SystemView view;
  view.uid = ::getuid();
  view.ownPid = ::getpid();
  view.groups.push_back(::getegid());
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) view.groups.push_back(groups[static_cast<std::size_t>(i)]);
  }
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(view.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    view.user = found->pw_name;
  } else if (const char* name = std::getenv("USER")) {
    view.user = name;
  }
  return view;
}

std::string SystemView::At(const std::string& absolute) const {
  if (root.empty() || root == "/") return absolute;
  return (fs::path(root) / fs::path(absolute).relative_path()).string();
}

std::vector<ProcessEntry> ListProcesses(const SystemView& view, const std::optional<std::string>& openingPath) {
  std::vector<ProcessEntry> processes;
  std::error_code error;
  const fs::path proc = view.At("/proc");
  for (const auto& entry : fs::directory_iterator(proc, error)) {
    const auto pid = PidOf(entry.path().filename().string());
    if (!pid || *pid == view.ownPid) continue;
    if (openingPath && !HasOpen(entry.path() / "fd", *openingPath)) continue;
    processes.push_back(ProcessEntry{*pid, FirstLine(entry.path() / "comm")});
  }
  std::sort(processes.begin(), processes.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  return processes;
}

bool ProcessRuns(const SystemView& view, int pid) {
  std::error_code error;
  return pid > 0 && fs::is_directory(view.At("/proc/" + std::to_string(pid)), error);
}

std::vector<int> LockingProcesses(const SystemView& view, const std::string& path) {
  struct stat status {};
  if (::stat(view.At(path).c_str(), &status) != 0) return {};
  // The file as /proc/locks names it: the device of its file system in hex, then its inode.
  char file[64];
  std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(status.st_dev), minor(status.st_dev),
                static_cast<unsigned long>(status.st_ino));
  std::vector<int> pids;
  std::ifstream locks(view.At("/proc/locks"));
  for (std::string line; std::getline(locks, line);) {
    // "1: FLOCK  ADVISORY  WRITE 9853 00:1a:5 0 EOF"; a waiter's line has "->" after the number.
    std::istringstream words(line);
    std::string number, kind, mode, access, pid, where;
    if (!(words >> number >> kind) || kind == "->") continue;
    if (!(words >> mode >> access >> pid >> where) || where != file) continue;
    if (const auto holder = PidOf(pid)) pids.push_back(*holder);
  }
  return pids;
}

}  // namespace corvane
