// The subcommands of corvane, each returning the command's exit status.
#pragma once

#include <string>

#include "corvane/port_options.h"

namespace corvane::cli {

int SendFile(const PortOptions& options, const std::string& local, const std::string& announced);
int ReceiveFile(const PortOptions& options, const std::string& name);
int GetFile(const PortOptions& options, const std::string& name, const std::string& second);
// letter 'D' lists (printed to stdout), 'C' changes directory, 'E' erases.
int RemoteCommand(const PortOptions& options, char letter, const std::string& argument);
int Serve(const PortOptions& options, const std::string& root, bool confine);
int ListPorts();
int RunDemo(const PortOptions& options);

}  // namespace corvane::cli
