// Runs one command on the worker thread: picks the engine by command and
// platform (probing the remote side where needed) and maps its outcome to a
// result code.
#pragma once

#include <string>

namespace corvane {

int DispatchCommand(int command, std::string first, std::string second, std::string& outputName, int platform);

}  // namespace corvane
