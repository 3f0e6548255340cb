#include "session/host_seams.h"

#include "platform/system_ui.h"

namespace corvane {

HostSeams& TheHostSeams() {
  static HostSeams seams;
  return seams;
}

HostUi& CurrentHostUi() {
  // The system's own: a progress dialog on Windows for a host that passed its window, else headless.
  static const std::unique_ptr<HostUi> system = MakeSystemHostUi();
  HostUi* installed = TheHostSeams().ui;
  return installed != nullptr ? *installed : *system;
}

std::optional<std::string> AskSaveAs(const std::string& proposedName) {
  const SaveAsHandler& handler = TheHostSeams().saveAs;
  if (!handler) return std::nullopt;
  // The host's code must not unwind through the library: a throwing handler cancels.
  try {
    return handler(proposedName);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace corvane
