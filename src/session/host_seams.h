// The host application's seams as the library holds them: its user interface
// (the system's own by default: see platform/system_ui.h) and its answer to the Save As question.
#pragma once

#include <optional>
#include <string>

#include "corvane32/host.h"

namespace corvane {

struct HostSeams {
  HostUi* ui = nullptr;  // nullptr: the system's own
  SaveAsHandler saveAs;  // empty: every question is answered "cancelled"
};

HostSeams& TheHostSeams();
HostUi& CurrentHostUi();
// The host's answer for a received file that exists: a new full path, or nullopt.
std::optional<std::string> AskSaveAs(const std::string& proposedName);

}  // namespace corvane
