// One soak run, in a process of its own: the library and the simulated Data
// Collector joined by an emulated line with the case's faults.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "soak/soak_case.h"

namespace corvane::bench {

enum class Verdict {
  Exact,         // completed, and what arrived is what was sent
  CleanFailure,  // failed with a defined result code and left nothing behind
  Corrupted,     // reported success, but the content differs
  OddCode,       // failed with a code the library does not define
  PartialFile,   // failed and left an unfinished file where it must remove it
  Stalled,       // still waiting long past its retry budget: ended by the user's Cancel
  Hang,          // over its time limit (judged by the parent)
  Crash,         // died, or exited without a verdict (judged by the parent)
  Sanitizer,     // a sanitizer reported (judged by the parent)
};

std::string VerdictName(Verdict verdict);
std::optional<Verdict> ParseVerdict(const std::string& name);

struct RunReport {
  Verdict verdict = Verdict::Crash;
  int code = 0;
  double seconds = 0;  // the operation itself
  std::string note;
};

// Runs the case under `seed` in `scratch` (an empty directory) and judges it.
RunReport RunCase(const SoakCase& soakCase, std::uint64_t seed, const std::filesystem::path& scratch);

// The one line a run prints for the parent, and its reading.
std::string FormatReport(const RunReport& report);
std::optional<RunReport> ParseReport(const std::string& output);
// The packets the device sent and read in a run, from the run's output.
struct PacketCount {
  int sent = 0;
  int received = 0;
};
std::optional<PacketCount> ParsePacketCount(const std::string& output);

}  // namespace corvane::bench
