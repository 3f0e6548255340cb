// The session test program links no engine: the dispatcher and the server
// entry are these, set by each test.
#pragma once

#include <functional>
#include <string>

#include "api/dispatcher.h"

namespace corvane {

extern std::function<int(TransferCommand, const std::string&, const std::string&, std::string&, PlatformKind)>
    fakeDispatch;
extern std::function<int()> fakeServer;

}  // namespace corvane
