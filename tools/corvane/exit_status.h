// How the corvane command ends, and what it tells about a result code.
#pragma once

#include <string>

namespace corvane::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailed = 1,
  kExitUsage = 2,
  kExitPortUnavailable = 3,
  kExitCancelled = 130,
};

// "result -21: the transfer failed ..." — the code and what it means.
std::string DescribeResult(int result);
ExitStatus ExitStatusOf(int result);

}  // namespace corvane::cli
