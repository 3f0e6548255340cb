// The Markdown table: medians per configuration, with every Corvane figure set
// against C-Kermit talking to C-Kermit over the same emulated line.
#pragma once

#include <ostream>
#include <vector>

#include "throughput/transfer_case.h"

namespace corvane::bench {

struct CaseResults {
  TransferCase what;
  std::vector<TransferResult> runs;
};

double Efficiency(std::uint64_t fileBytes, double seconds, int baudRate);
double Median(std::vector<double> values);

void PrintTable(const std::vector<CaseResults>& cases, std::ostream& out);
// For the Corvane rows: the time the line and the 10 ms flush after every
// accepted packet leave at least, and how close the transfers came to it.
// For the Corvane rows: how often the PC side blocked, against the fewest
// wake-ups the prescribed waits allow and against C-Kermit's, per byte moved.
void PrintWaitTable(const std::vector<CaseResults>& cases, std::ostream& out);
void PrintBoundTable(const std::vector<CaseResults>& cases, std::ostream& out);

}  // namespace corvane::bench
