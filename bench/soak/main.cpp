// corvane-soak: every operation in both framings through the emulated line,
// under byte damage, byte loss, a device that falls silent and a cancel at a
// random moment, each case under fixed seeds; with --sweep, every operation
// once for each single packet lost or damaged. The library keeps one operation
// per process, so every run is a child process of this program
// (`corvane-soak --run CASE --seed N --scratch DIR`), several at once.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <list>
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

struct ActiveRun {
  SoakCase soakCase;
  int seed;
  std::size_t tally;
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
RunReport Finished(int status, const std::string& output) {
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

// Runs children `jobs` at a time. Each run's files stay in the work directory
// only when the caller keeps them.
class RunPool {
 public:
  struct Done {
    const ActiveRun& run;
    RunReport report;
    std::string output;
  };
  // True: keep the run's log and files.
  using Finish = std::function<bool(const Done&)>;

  RunPool(fs::path self, fs::path work, int jobs) : self_(std::move(self)), work_(std::move(work)), jobs_(jobs) {
    fs::remove_all(work_);
    fs::create_directories(work_);
  }

  void Add(const SoakCase& soakCase, int seed, std::size_t tally) { pending_.push_back({soakCase, seed, tally}); }
  std::size_t Queued() const { return pending_.size() + active_.size() + done_; }

  // Until every run, also those added by `finish`, has ended; false when a child could not start.
  bool Drain(const Finish& finish) {
    while (!pending_.empty() || !active_.empty()) {
      while (!pending_.empty() && static_cast<int>(active_.size()) < jobs_) {
        if (!Launch(pending_.front())) return false;
        pending_.pop_front();
      }
      std::this_thread::sleep_for(kPollStep);
      for (auto it = active_.begin(); it != active_.end();) {
        ActiveRun& run = *it;
        const double limit = LimitSeconds(run.soakCase);
        const double elapsed = std::chrono::duration<double>(Clock::now() - run.started).count();
        RunReport report;
        std::string output;
        if (const auto status = run.child->Wait(0)) {
          output = ReadWhole(run.log);
          report = Finished(*status, output);
        } else if (elapsed > limit) {
          run.child->Kill();
          report.verdict = Verdict::Hang;
          report.seconds = elapsed;
          report.note = "killed after " + std::to_string(static_cast<int>(elapsed)) + " s";
        } else {
          ++it;
          continue;
        }
        if (!finish(Done{run, report, output})) {
          fs::remove_all(run.scratch);
          fs::remove(run.log);
        }
        it = active_.erase(it);
        if (++done_ % 20 == 0) std::cerr << "corvane-soak: " << done_ << "/" << Queued() << " done\n";
      }
    }
    return true;
  }

 private:
  struct Pending {
    SoakCase soakCase;
    int seed;
    std::size_t tally;
  };

  bool Launch(const Pending& next) {
    std::string tag = CaseName(next.soakCase) + "-" + std::to_string(next.seed);
    for (char& c : tag) c = c == '/' || c == ':' ? '_' : c;
    ActiveRun run{next.soakCase, next.seed, next.tally, std::make_unique<corvane::ChildProcess>(), Clock::now(),
                  work_ / tag, work_ / (tag + ".log")};
    fs::create_directories(run.scratch);
    corvane::ChildOptions options;
    options.arguments = {self_.string(), "--run", CaseName(next.soakCase), "--seed", std::to_string(next.seed),
                         "--scratch", run.scratch.string()};
    options.outputPath = run.log.string();
    if (!run.child->Start(options)) {
      std::cerr << "corvane-soak: cannot start " << self_ << "\n";
      return false;
    }
    active_.push_back(std::move(run));
    return true;
  }

  fs::path self_;
  fs::path work_;
  int jobs_;
  std::deque<Pending> pending_;
  std::list<ActiveRun> active_;
  std::size_t done_ = 0;
};

std::string Describe(const ActiveRun& run, const RunReport& report) {
  return VerdictName(report.verdict) + ": " + CaseName(run.soakCase) + " seed " + std::to_string(run.seed) +
         " (code " + std::to_string(report.code) + ") " + report.note + " [" + run.log.string() + "]";
}

int RunSoak(const fs::path& self, const fs::path& work, int jobs, const std::string& only, int repeat) {
  std::vector<CaseTally> tallies;
  RunPool pool(self, work, jobs);
  for (const SoakCase& soakCase : AllCases()) {
    if (!only.empty() && CaseName(soakCase).find(only) == std::string::npos) continue;
    tallies.push_back({soakCase});
    for (int seed = 1; seed <= soakCase.seeds * repeat; ++seed) pool.Add(soakCase, seed, tallies.size() - 1);
  }
  std::cerr << "corvane-soak: " << pool.Queued() << " runs, " << jobs << " at a time\n";

  std::vector<std::string> failures;
  const bool started = pool.Drain([&](const RunPool::Done& done) {
    CaseTally& tally = tallies[done.run.tally];
    ++tally.runs;
    ++tally.verdicts[static_cast<int>(done.report.verdict)];
    tally.longestSeconds = std::max(tally.longestSeconds, done.report.seconds);
    // A failed, corrupted or stalled run keeps its log (with the device's packet log) and files.
    const Verdict verdict = done.report.verdict;
    const bool keep = FailsTheSoak(verdict) || verdict == Verdict::Corrupted || verdict == Verdict::Stalled;
    if (keep) failures.push_back(Describe(done.run, done.report));
    return keep;
  });
  if (!started) return kExitUsage;

  std::cout << SoakTables(tallies);
  bool failed = false;
  for (const std::string& line : failures) {
    std::cout << "- " << line << "\n";
    failed = failed || !(line.starts_with("corrupted") || line.starts_with("stalled"));
  }
  std::cout << (failed ? "soak FAILED" : "soak passed") << std::endl;
  return failed ? 1 : 0;
}

// Every operation once on a clean line, to count its packets; then once for
// every packet in either direction lost, and once with it damaged.
int RunSweep(const fs::path& self, const fs::path& work, int jobs, const std::string& only) {
  std::vector<SweepTally> tallies;
  RunPool pool(self, work, jobs);
  for (const SoakCase& reference : SweepReferenceCases()) {
    if (!only.empty() && CaseName(reference).find(only) == std::string::npos) continue;
    tallies.push_back({reference});
    pool.Add(reference, 1, tallies.size() - 1);
  }
  std::vector<std::string> notExact;
  bool failed = false;
  const bool started = pool.Drain([&](const RunPool::Done& done) {
    SweepTally& tally = tallies[done.run.tally];
    const Verdict verdict = done.report.verdict;
    if (!done.run.soakCase.packetFault) {
      const auto count = ParsePacketCount(done.output);
      if (verdict != Verdict::Exact || !count) {
        failed = true;
        notExact.push_back("reference run " + Describe(done.run, done.report));
        return true;
      }
      tally.packets = *count;
      using Direction = corvane::dc::PacketFault::Direction;
      using Kind = corvane::dc::PacketFault::Kind;
      for (const Direction direction : {Direction::Sent, Direction::Received}) {
        const int last = direction == Direction::Sent ? count->sent : count->received;
        for (int index = 1; index <= last; ++index) {
          for (const Kind kind : {Kind::Drop, Kind::Damage}) {
            pool.Add(WithPacketFault(tally.reference, {direction, index, kind}), 1, done.run.tally);
          }
        }
      }
      std::cerr << "corvane-soak: " << CaseName(tally.reference) << ": " << count->sent << " packets sent, "
                << count->received << " read\n";
      return false;
    }
    ++tally.runs;
    ++tally.verdicts[static_cast<int>(verdict)];
    if (verdict == Verdict::Exact) return false;
    if (verdict != Verdict::CleanFailure) failed = true;
    notExact.push_back(Describe(done.run, done.report));
    return true;
  });
  if (!started) return kExitUsage;

  std::cout << SweepTable(tallies);
  std::sort(notExact.begin(), notExact.end());
  for (const std::string& line : notExact) std::cout << "- " << line << "\n";
  std::cout << (failed ? "sweep FAILED" : "sweep passed") << std::endl;
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
  bool sweep = false;
  app.add_flag("--sweep", sweep, "the single-fault sweep instead of the soak");
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
  if (sweep) return RunSweep(fs::absolute(fs::path(argv[0])), fs::absolute(work), jobs, only);
  return RunSoak(fs::absolute(fs::path(argv[0])), fs::absolute(work), jobs, only, repeat);
}
