// `corvane demo` on Windows: the simulated Data Collector plays its part on a
// pseudo-terminal, which Windows does not have.
#include <iostream>

#include "corvane/exit_status.h"
#include "corvane/operations.h"

namespace corvane::cli {

int RunDemo(const PortOptions& /*options*/) {
  std::cerr << "corvane: the demo runs the simulated Data Collector on a pseudo-terminal, which Windows "
               "does not have; run `corvane demo` on Linux, or connect a Data Collector and use the other commands\n";
  return kExitUsage;
}

}  // namespace corvane::cli
