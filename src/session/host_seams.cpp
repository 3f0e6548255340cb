#include "session/host_seams.h"

namespace corvane {

HostSeams& TheHostSeams() {
  static HostSeams seams;
  return seams;
}

HostUi& CurrentHostUi() {
  static HostUi headless;
  HostUi* installed = TheHostSeams().ui;
  return installed != nullptr ? *installed : headless;
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
