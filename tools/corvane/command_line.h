// The corvane command: options, subcommands and exit statuses.
#pragma once

namespace corvane::cli {

int RunCommandLine(int argc, char** argv);

}  // namespace corvane::cli
