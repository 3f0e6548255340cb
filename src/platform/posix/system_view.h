// The parts of a POSIX system that tell who holds a port and who may open it,
// read below a root directory: "/" for the system itself, a prepared tree in tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/port_diagnosis.h"
#include "platform/port_list.h"

namespace corvane {

struct SystemView {
  std::string root = "/";        // where /proc, /dev, /sys, /etc, /run, /var/lock and /usr/lib are read
  unsigned uid = 0;              // who asks
  std::vector<unsigned> groups;  // the groups the asking process has now
  std::string user;
  int ownPid = 0;                // the asking process, never named as a holder

  static SystemView OfThisProcess();
  // `absolute` (a path of the system) as a path under the root.
  std::string At(const std::string& absolute) const;
};

struct ProcessEntry {
  int pid = 0;
  std::string name;  // as /proc/<pid>/comm gives it
};

// The processes the view can see; with `openingPath`, only those that have that
// path open (the processes whose open files cannot be read are left out).
std::vector<ProcessEntry> ListProcesses(const SystemView& view, const std::optional<std::string>& openingPath = {});
bool ProcessRuns(const SystemView& view, int pid);
// The processes that hold a lock on `path` (flock or fcntl), as /proc/locks lists them.
std::vector<int> LockingProcesses(const SystemView& view, const std::string& path);

// The diagnosis with everything it reads given: the system below the view's
// root and the port's identity as the port list gave it.
std::vector<PortObstacle> DiagnosePortIn(const SystemView& view, const std::string& path, const SerialPortInfo& identity,
                                        OpenFailure failure, const std::string& systemError);

}  // namespace corvane
