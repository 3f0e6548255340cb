// How the corvane command ends for a result code.
#pragma once

namespace corvane::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailed = 1,
  kExitUsage = 2,
  kExitPortUnavailable = 3,
  kExitCancelled = 130,
};

ExitStatus ExitStatusOf(int result);

}  // namespace corvane::cli
