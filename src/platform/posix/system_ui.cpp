#include "platform/system_ui.h"

namespace corvane {

// No window system is assumed here: the headless defaults.
std::unique_ptr<HostUi> MakeSystemHostUi() { return std::make_unique<HostUi>(); }

}  // namespace corvane
