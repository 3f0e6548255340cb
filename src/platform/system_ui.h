// The system's own user interface for a host that has installed none: on
// Windows a modeless progress dialog over the host's window, where the host
// passed one; elsewhere (and without a window) headless.
#pragma once

#include <memory>

#include "corvane32/host.h"

namespace corvane {

std::unique_ptr<HostUi> MakeSystemHostUi();

}  // namespace corvane
