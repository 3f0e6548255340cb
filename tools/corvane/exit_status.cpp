#include "corvane/exit_status.h"

#include "corvane/corvane.h"

namespace corvane::cli {

std::string DescribeResult(int result) { return "result " + std::to_string(result) + ": " + corvane_result_text(result); }

ExitStatus ExitStatusOf(int result) {
  if (result == 0) return kExitSuccess;
  if (result == -3) return kExitCancelled;
  return kExitFailed;
}

}  // namespace corvane::cli
