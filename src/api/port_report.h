// What the library tells a host about a port that will not open.
#pragma once

#include <string>
#include <vector>

#include "platform/port_diagnosis.h"

namespace corvane {

// One line a finding: "<problem>; fix: <command>".
std::string FindingsText(const std::vector<PortObstacle>& findings);

// The findings for `path`: opened here to see how it fails, unless the
// library's own port is open on it.
std::vector<PortObstacle> DiagnoseNamedPort(const std::string& path);

}  // namespace corvane
