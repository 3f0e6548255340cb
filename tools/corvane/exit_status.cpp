#include "corvane/exit_status.h"

namespace corvane::cli {

ExitStatus ExitStatusOf(int result) {
  if (result == 0) return kExitSuccess;
  if (result == -3) return kExitCancelled;
  return kExitFailed;
}

}  // namespace corvane::cli
