// What stands in the way of a serial port, each with its fix: the program that
// holds it, a service that claims such adapters, missing permission, a lock file.
#pragma once

#include <string>
#include <vector>

#include "platform/tty.h"

namespace corvane {

struct PortObstacle {
  std::string problem;  // one line: what is wrong
  std::string fix;      // the command or step that puts it right; empty when there is none to give
};

// The findings for `path`, given how the last attempt to open it ended
// (OpenFailure::None: it opened) and the system's words for that failure.
// Empty when nothing is known to stand in the way.
std::vector<PortObstacle> DiagnosePort(const std::string& path, OpenFailure failure, const std::string& systemError);

}  // namespace corvane
