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

// One operation of the single-fault sweep: its reference run's packets and the faulted runs.
struct SweepTally {
  SoakCase reference;
  PacketCount packets{};
  std::array<int, 9> verdicts{};  // indexed by Verdict
  int runs = 0;
};
// A Markdown table, a row per operation and framing, and a line of totals.
std::string SweepTable(const std::vector<SweepTally>& tallies);
// Runs that fail the soak: hangs, crashes, sanitizer reports, partial files and undefined codes.
bool FailsTheSoak(Verdict verdict);

}  // namespace corvane::bench
