#include "soak/soak_report.h"

#include <algorithm>
#include <cstdio>

namespace corvane::bench {
namespace {

constexpr Fault kFaultOrder[] = {Fault::Corrupt01, Fault::Corrupt1, Fault::Drop01, Fault::Silent, Fault::Cancel};

int Count(const CaseTally& tally, Verdict verdict) { return tally.verdicts[static_cast<int>(verdict)]; }

int Broken(const CaseTally& tally) {
  return Count(tally, Verdict::Hang) + Count(tally, Verdict::Crash) + Count(tally, Verdict::Sanitizer);
}

std::string Seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

bool FailsTheSoak(Verdict verdict) {
  return verdict == Verdict::Hang || verdict == Verdict::Crash || verdict == Verdict::Sanitizer ||
         verdict == Verdict::PartialFile || verdict == Verdict::OddCode;
}

std::string SoakTables(const std::vector<CaseTally>& tallies) {
  std::string out;
  CaseTally total{};
  for (Fault fault : kFaultOrder) {
    const bool any = std::any_of(tallies.begin(), tallies.end(),
                                 [fault](const CaseTally& t) { return t.soakCase.fault == fault && t.runs > 0; });
    if (!any) continue;
    out += "\n### " + FaultTitle(fault) + "\n\n";
    out += "| operation | framing | runs | byte-exact | clean failure | silently corrupted | partial file | "
           "undefined code | stalled until Cancel | hang/crash/sanitizer | longest run s | budget s |\n";
    out += "|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n";
    for (const CaseTally& tally : tallies) {
      if (tally.soakCase.fault != fault || tally.runs == 0) continue;
      out += "| " + OperationName(tally.soakCase.operation) + " | " + WireName(tally.soakCase.wire) + " | " +
             std::to_string(tally.runs) + " | " + std::to_string(Count(tally, Verdict::Exact)) + " | " +
             std::to_string(Count(tally, Verdict::CleanFailure)) + " | " +
             std::to_string(Count(tally, Verdict::Corrupted)) + " | " +
             std::to_string(Count(tally, Verdict::PartialFile)) + " | " +
             std::to_string(Count(tally, Verdict::OddCode)) + " | " + std::to_string(Count(tally, Verdict::Stalled)) +
             " | " + std::to_string(Broken(tally)) + " | " +
             Seconds(tally.longestSeconds) + " | " + Seconds(BudgetSeconds(tally.soakCase)) + " |\n";
      for (std::size_t i = 0; i < total.verdicts.size(); ++i) total.verdicts[i] += tally.verdicts[i];
      total.runs += tally.runs;
    }
  }
  out += "\nTotal: " + std::to_string(total.runs) + " runs, " + std::to_string(Count(total, Verdict::Exact)) +
         " byte-exact, " + std::to_string(Count(total, Verdict::CleanFailure)) + " clean failures, " +
         std::to_string(Count(total, Verdict::Corrupted)) + " silently corrupted, " +
         std::to_string(Count(total, Verdict::PartialFile)) + " partial files, " +
         std::to_string(Count(total, Verdict::OddCode)) + " undefined codes, " +
         std::to_string(Count(total, Verdict::Stalled)) + " stalled until the user's Cancel, " +
         std::to_string(Count(total, Verdict::Hang)) + " hangs, " + std::to_string(Count(total, Verdict::Crash)) +
         " crashes, " + std::to_string(Count(total, Verdict::Sanitizer)) + " sanitizer reports\n";
  return out;
}

std::string SweepTable(const std::vector<SweepTally>& tallies) {
  std::string out =
      "\n| operation | framing | packets sent / read by the device | runs | byte-exact | clean failure | other |\n"
      "|---|---|--:|--:|--:|--:|--:|\n";
  int runs = 0;
  int exact = 0;
  int clean = 0;
  for (const SweepTally& tally : tallies) {
    const int rowExact = tally.verdicts[static_cast<int>(Verdict::Exact)];
    const int rowClean = tally.verdicts[static_cast<int>(Verdict::CleanFailure)];
    out += "| " + OperationName(tally.reference.operation) + " | " + WireName(tally.reference.wire) + " | " +
           std::to_string(tally.packets.sent) + " / " + std::to_string(tally.packets.received) + " | " +
           std::to_string(tally.runs) + " | " + std::to_string(rowExact) + " | " + std::to_string(rowClean) + " | " +
           std::to_string(tally.runs - rowExact - rowClean) + " |\n";
    runs += tally.runs;
    exact += rowExact;
    clean += rowClean;
  }
  out += "\nTotal: " + std::to_string(runs) + " runs, " + std::to_string(exact) + " byte-exact, " +
         std::to_string(clean) + " clean failures, " + std::to_string(runs - exact - clean) + " other\n";
  return out;
}

}  // namespace corvane::bench
