// corvane-soak: every operation in both framings through the emulated line,
// under byte damage, byte loss, a device that falls silent and a cancel at a
// random moment, each case under fixed seeds. The library keeps one operation
// per process, so every run is a child process of this program
// (`corvane-soak --run CASE --seed N --scratch DIR`), several at once.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <thread>

#include "common/child_process.h"
#include "soak/soak_files.h"
#include "soak/soak_report.h"
#include "soak/soak_run.h"

namespace {

namespace fs = std::filesystem;
using namespace corvane::bench;
using Clock = std::chrono::steady_clock;

constexpr int kExitUsage = 2;
constexpr auto kPollStep = std::chrono::milliseconds(50);
// A run gets twice its retry budget and a margin for a loaded machine; past that it hangs.
constexpr double kLimitFactor = 2.0;
constexpr double kLimitMarginSeconds = 30.0;

struct ActiveRun {
  SoakCase soakCase;
  int seed;
  std::unique_ptr<corvane::ChildProcess> child;
  Clock::time_point started;
  fs::path scratch;
  fs::path log;
};

bool SanitizerReported(const std::string& output) {
  for (const char* mark : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "runtime error:"}) {
    if (output.find(mark) != std::string::npos) return true;
  }
  return false;
}

// The verdict of a finished child: its own report unless it died or a sanitizer spoke.
RunReport Finished(int status, const fs::path& log) {
  const std::string output = ReadWhole(log);
  RunReport report;
  if (SanitizerReported(output)) {
    report.verdict = Verdict::Sanitizer;
    return report;
  }
  const auto parsed = ParseReport(output);
  if (status != 0 || !parsed) {
    report.verdict = Verdict::Crash;
    report.note = "exit status " + std::to_string(status);
    return report;
  }
  return *parsed;
}

int RunChild(const std::string& caseName, std::uint64_t seed, const fs::path& scratch) {
  const auto soakCase = FindCase(caseName);
  if (!soakCase) {
    std::cerr << "corvane-soak: no case " << caseName << "\n";
    return kExitUsage;
  }
  const RunReport report = RunCase(*soakCase, seed, scratch);
  std::cout << FormatReport(report) << std::endl;
  return 0;
}

int RunSoak(const fs::path& self, const fs::path& work, int jobs, const std::string& only, int repeat) {
  std::vector<CaseTally> tallies;
  std::vector<std::pair<std::size_t, int>> pending;  // (tally index, seed)
  for (const SoakCase& soakCase : AllCases()) {
    if (!only.empty() && CaseName(soakCase).find(only) == std::string::npos) continue;
    tallies.push_back({soakCase});
    for (int seed = 1; seed <= soakCase.seeds * repeat; ++seed) pending.emplace_back(tallies.size() - 1, seed);
  }
  fs::remove_all(work);
  fs::create_directories(work);
  std::cerr << "corvane-soak: " << pending.size() << " runs, " << jobs << " at a time\n";

  std::vector<std::string> failures;
  std::vector<std::pair<std::size_t, ActiveRun>> active;
  std::size_t next = 0;
  std::size_t done = 0;
  while (next < pending.size() || !active.empty()) {
    while (next < pending.size() && static_cast<int>(active.size()) < jobs) {
      const auto [index, seed] = pending[next++];
      const SoakCase& soakCase = tallies[index].soakCase;
      std::string tag = CaseName(soakCase) + "-" + std::to_string(seed);
      for (char& c : tag) c = c == '/' ? '_' : c;
      ActiveRun run{soakCase, seed, std::make_unique<corvane::ChildProcess>(), Clock::now(), work / tag,
                    work / (tag + ".log")};
      fs::create_directories(run.scratch);
      corvane::ChildOptions options;
      options.arguments = {self.string(), "--run", CaseName(soakCase), "--seed", std::to_string(seed), "--scratch",
                           run.scratch.string()};
      options.outputPath = run.log.string();
      if (!run.child->Start(options)) {
        std::cerr << "corvane-soak: cannot start " << self << "\n";
        return kExitUsage;
      }
      active.emplace_back(index, std::move(run));
    }
    std::this_thread::sleep_for(kPollStep);
    for (auto it = active.begin(); it != active.end();) {
      auto& [index, run] = *it;
      const double limit = kLimitFactor * BudgetSeconds(run.soakCase) + kLimitMarginSeconds;
      const double elapsed = std::chrono::duration<double>(Clock::now() - run.started).count();
      RunReport report;
      if (const auto status = run.child->Wait(0)) {
        report = Finished(*status, run.log);
      } else if (elapsed > limit) {
        run.child->Kill();
        report.verdict = Verdict::Hang;
        report.seconds = elapsed;
        report.note = "killed after " + std::to_string(static_cast<int>(elapsed)) + " s";
      } else {
        ++it;
        continue;
      }
      CaseTally& tally = tallies[index];
      ++tally.runs;
      ++tally.verdicts[static_cast<int>(report.verdict)];
      tally.longestSeconds = std::max(tally.longestSeconds, report.seconds);
      const std::string name = CaseName(run.soakCase) + " seed " + std::to_string(run.seed);
      if (FailsTheSoak(report.verdict) || report.verdict == Verdict::Corrupted || report.verdict == Verdict::Stalled) {
        failures.push_back(VerdictName(report.verdict) + ": " + name + " (code " + std::to_string(report.code) +
                           ") " + report.note + " [" + run.log.string() + "]");
      }
      // A failed, corrupted or stalled run keeps its log (with the device's packet log) and files.
      const bool keep = FailsTheSoak(report.verdict) || report.verdict == Verdict::Corrupted ||
                        report.verdict == Verdict::Stalled;
      if (!keep) {
        fs::remove_all(run.scratch);
        fs::remove(run.log);
      }
      if (++done % 20 == 0) std::cerr << "corvane-soak: " << done << "/" << pending.size() << " done\n";
      it = active.erase(it);
    }
  }

  std::cout << SoakTables(tallies);
  bool failed = false;
  for (const std::string& line : failures) {
    std::cout << "- " << line << "\n";
    failed = failed || !(line.starts_with("corrupted") || line.starts_with("stalled"));
  }
  std::cout << (failed ? "soak FAILED" : "soak passed") << std::endl;
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Fault soak of the library against the simulated Data Collector through the line emulator."};
  std::string runCase;
  std::uint64_t seed = 1;
  std::string scratch;
  int jobs = 6;
  std::string work = "soak-work";
  std::string only;
  int repeat = 1;
  app.add_option("--run", runCase, "run one case in this process (as the soak's child)");
  app.add_option("--seed", seed, "seed of the run");
  app.add_option("--scratch", scratch, "the run's empty scratch directory");
  app.add_option("--jobs", jobs, "runs at a time")->check(CLI::Range(1, 32));
  app.add_option("--work", work, "directory for the runs' files; a failed run's stay there");
  app.add_option("--only", only, "only the cases whose name contains this text (e.g. send/wide)");
  app.add_option("--repeat", repeat, "runs of every case, as a multiple of the usual count (more seeds)")
      ->check(CLI::Range(1, 100));
  CLI11_PARSE(app, argc, argv);

  if (!runCase.empty()) return RunChild(runCase, seed, fs::absolute(scratch));
  return RunSoak(fs::absolute(fs::path(argv[0])), fs::absolute(work), jobs, only, repeat);
}
