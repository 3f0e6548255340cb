// The soak's tables: one per fault, a row per operation and framing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "soak/soak_case.h"
#include "soak/soak_run.h"

namespace corvane::bench {

struct CaseTally {
  SoakCase soakCase;
  std::array<int, 9> verdicts{};  // indexed by Verdict
  double longestSeconds = 0;
  int runs = 0;
};

// Markdown tables and a line of totals.
std::string SoakTables(const std::vector<CaseTally>& tallies);
// Runs that fail the soak: hangs, crashes, sanitizer reports, partial files and undefined codes.
bool FailsTheSoak(Verdict verdict);

}  // namespace corvane::bench
