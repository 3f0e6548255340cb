// Real Kermit programs from Debian as peers on one end of a line.
#pragma once

#include <string>
#include <vector>

#include "common/child_process.h"

namespace corvane::testing {

// Starts C-Kermit on `line` in `directory` running `commands` (comma-separated
// interactive commands such as "receive" or "server"), then exiting. Its
// messages go to `directory`/kermit.log.
bool StartCKermit(ChildProcess& kermit, const std::string& line, int baudRate, const std::string& directory,
                  const std::string& commands);

// Starts G-Kermit with the line as its standard input and output; `options`
// are its command-line options, e.g. {"-r"} or {"-s", "FILE"}.
bool StartGKermit(ChildProcess& kermit, const std::string& line, const std::string& directory,
                  const std::vector<std::string>& options);

}  // namespace corvane::testing
