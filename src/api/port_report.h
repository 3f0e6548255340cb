// What the library tells a host about a port that will not open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/port_diagnosis.h"

namespace corvane {

// One line a finding: "<problem>; fix: <command>".
std::string FindingsText(const std::vector<PortObstacle>& findings);

// The findings for `path`: opened and closed here to see whether it opens
// (its settings left alone), unless the library's own port is open on it.
std::vector<PortObstacle> DiagnoseNamedPort(const std::string& path);

// Writes `sent` on the library's open port and collects what comes back until as
// many bytes came or the line was quiet for half a second.
bool LoopBack(const std::vector<std::uint8_t>& sent, std::vector<std::uint8_t>& received);

}  // namespace corvane
