// corvane-bench: moves files through the line emulator in both framings and both
// directions, and C-Kermit to C-Kermit for reference, and prints a Markdown table.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <random>
#include <thread>

#include "throughput/report.h"

namespace {

using namespace corvane::bench;
namespace fs = std::filesystem;

struct Job {
  std::size_t caseIndex;
  int run;
};

std::vector<TransferCase> Matrix(const std::vector<int>& bauds, bool corvaneRows, bool kermitRows) {
  std::vector<TransferCase> cases;
  for (int baud : bauds) {
    for (Direction direction : {Direction::Send, Direction::Receive}) {
      if (!corvaneRows) break;
      cases.push_back({Peers::Classic, direction, Media::Text, baud});
      cases.push_back({Peers::Classic, direction, Media::Points, baud});
      cases.push_back({Peers::Wide, direction, Media::Binary, baud});
    }
    for (Peers kermit : {Peers::KermitBasic, Peers::KermitDefaults}) {
      if (!kermitRows) break;
      cases.push_back({kermit, Direction::Send, Media::Text, baud});
      cases.push_back({kermit, Direction::Send, Media::Binary, baud});
    }
  }
  return cases;
}

// Runs `jobs` with at most `parallel` transfers at a time: each transfer mostly
// waits on the line, so a slow line can carry many side by side.
void RunJobs(const std::vector<Job>& jobs, int parallel, std::vector<CaseResults>& results, const BenchMedia& media,
             const BenchPaths& paths, std::atomic<int>& done, int total) {
  std::atomic<std::size_t> next{0};
  std::mutex reportMutex;
  std::vector<std::jthread> workers;
  for (int worker = 0; worker < parallel; ++worker) {
    workers.emplace_back([&] {
      for (std::size_t index = next++; index < jobs.size(); index = next++) {
        const Job& job = jobs[index];
        const TransferCase& what = results[job.caseIndex].what;
        const int runIndex = static_cast<int>(job.caseIndex) * 100 + job.run;
        TransferResult outcome = RunTransfer(what, media, paths, runIndex);
        std::lock_guard lock(reportMutex);
        results[job.caseIndex].runs[static_cast<std::size_t>(job.run)] = outcome;
        std::fprintf(stderr, "[%d/%d] %s %s %s %d: %.2f s %s\n", ++done, total, Describe(what.peers).c_str(),
                     Describe(what.direction).c_str(), Describe(what.media).c_str(), what.baudRate,
                     outcome.lineSeconds, outcome.ok ? "ok" : outcome.problem.c_str());
      }
    });
  }
}

std::string RandomSuffix() {
  std::random_device device;
  char text[16];
  std::snprintf(text, sizeof text, "%08x", device());
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Throughput of both framings through the line emulator, against C-Kermit."};
  int runs = 3;
  std::size_t size = 65536;
  std::vector<int> bauds{115200, 9600};
  int fastParallel = 3;
  int slowParallel = 21;
  int slowBelow = 38400;
  bool keep = false;
  bool noKermit = false;
  bool onlyKermit = false;
  BenchPaths paths{CORVANE_BENCH_LINEEMU, CORVANE_BENCH_CORVANE, CORVANE_BENCH_DC, {}};
  app.add_option("--runs", runs, "transfers per configuration (the table shows the median)")->check(CLI::Range(1, 9));
  app.add_option("--size", size, "bytes of each file")->check(CLI::Range(1024, 1 << 24));
  app.add_option("--baud", bauds, "baud rates")->delimiter(',');
  app.add_option("--fast-parallel", fastParallel, "transfers side by side on fast lines")->check(CLI::Range(1, 32));
  app.add_option("--slow-parallel", slowParallel, "transfers side by side on slow lines")->check(CLI::Range(1, 64));
  app.add_option("--slow-below", slowBelow, "a line below this baud rate counts as slow");
  app.add_flag("--no-kermit", noKermit, "leave out the C-Kermit rows");
  app.add_flag("--only-kermit", onlyKermit, "only the C-Kermit rows");
  app.add_option("--corvane", paths.corvane, "the corvane program to measure (default: this build's)");
  app.add_option("--device", paths.device, "the simulated Data Collector (default: this build's)");
  app.add_flag("--keep", keep, "keep the scratch directory with every run's files and logs");
  CLI11_PARSE(app, argc, argv);

  paths.scratch = fs::temp_directory_path() / ("corvane-bench-" + RandomSuffix());
  fs::create_directories(paths.scratch);
  const BenchMedia media = MakeMedia(size);

  std::vector<CaseResults> results;
  for (const TransferCase& what : Matrix(bauds, !onlyKermit, !noKermit)) results.push_back({what, std::vector<TransferResult>(runs)});
  // Fast lines first and few at a time: their figures hang on the 10 ms waits.
  std::vector<Job> fast;
  std::vector<Job> slow;
  for (int run = 0; run < runs; ++run) {
    for (std::size_t index = 0; index < results.size(); ++index) {
      (results[index].what.baudRate < slowBelow ? slow : fast).push_back({index, run});
    }
  }
  std::atomic<int> done{0};
  const int total = static_cast<int>(fast.size() + slow.size());
  RunJobs(fast, fastParallel, results, media, paths, done, total);
  RunJobs(slow, slowParallel, results, media, paths, done, total);

  PrintTable(results, std::cout);
  std::cout << '\n';
  PrintBoundTable(results, std::cout);
  std::cout << '\n';
  PrintWaitTable(results, std::cout);
  if (keep) {
    std::cerr << "runs kept in " << paths.scratch << '\n';
  } else {
    fs::remove_all(paths.scratch);
  }
  return 0;
}
