// lineemu: a serial line between two pty pairs. Prints the two slave paths, one
// a line, then lets bytes pass each way at the baud rate until it is stopped
// (SIGINT/SIGTERM) or its time bound runs out, and reports what passed.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include "common/interrupt.h"
#include "common/pty_pair.h"
#include "lineemu/line_direction.h"

namespace {

using corvane::bench::DirectionCounts;
using corvane::bench::LineDirection;
using corvane::bench::LineShape;
using Clock = std::chrono::steady_clock;

constexpr int kExitUsage = 2;
constexpr int kExitNoPty = 3;
constexpr std::uint32_t kMainWakeMs = 20;

void ReportDirection(const char* name, const DirectionCounts& counts) {
  std::printf("%s in %llu out %llu corrupted %llu dropped %llu soh %llu\n", name,
              static_cast<unsigned long long>(counts.bytesIn), static_cast<unsigned long long>(counts.bytesOut),
              static_cast<unsigned long long>(counts.corrupted), static_cast<unsigned long long>(counts.dropped),
              static_cast<unsigned long long>(counts.packetMarks));
}

// Seconds from the first byte taken in either direction to the last handed over.
double ActiveSeconds(const DirectionCounts& one, const DirectionCounts& other) {
  if (one.bytesIn == 0 && other.bytesIn == 0) return 0;
  Clock::time_point first = Clock::time_point::max();
  Clock::time_point last = Clock::time_point::min();
  for (const DirectionCounts* counts : {&one, &other}) {
    if (counts->bytesIn > 0) first = std::min(first, counts->firstIn);
    if (counts->bytesOut > 0) last = std::max(last, counts->lastOut);
  }
  return last > first ? std::chrono::duration<double>(last - first).count() : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Emulated serial line between two pty pairs, paced at a baud rate."};
  LineShape shape;
  int seconds = 900;
  long batchMicroseconds = shape.batchInterval.count();
  app.add_option("--baud", shape.baudRate, "bits per second; a byte takes 10 bit times")
      ->required()
      ->check(CLI::Range(50, 4'000'000));
  app.add_option("--corrupt", shape.faults.corruptProbability, "probability of corrupting a byte")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--drop", shape.faults.dropProbability, "probability of losing a byte")->check(CLI::Range(0.0, 1.0));
  app.add_option("--seed", shape.faults.seed, "seed of the fault decisions");
  app.add_option("--seconds", seconds, "time bound: stop after this many seconds")->check(CLI::Range(1, 86400));
  app.add_option("--batch-us", batchMicroseconds, "hand over due bytes at most this often (microseconds)")
      ->check(CLI::Range(0L, 100'000L));
  CLI11_PARSE(app, argc, argv);
  shape.batchInterval = std::chrono::microseconds(batchMicroseconds);

  corvane::PtyPair endA;
  corvane::PtyPair endB;
  if (!endA.Open() || !endB.Open()) {
    std::cerr << "lineemu: cannot open two pty pairs\n";
    return kExitNoPty;
  }
  corvane::TimedStream masterA(std::move(endA.Master()));
  corvane::TimedStream masterB(std::move(endB.Master()));
  std::cout << endA.SlavePath() << '\n' << endB.SlavePath() << std::endl;

  const corvane::InterruptCatcher interrupts;  // SIGINT or SIGTERM ends the run with a report
  auto aToB = std::make_unique<LineDirection>(masterA, masterB, shape, shape.faults.seed);
  auto bToA = std::make_unique<LineDirection>(masterB, masterA, shape, shape.faults.seed + 1);
  {
    std::jthread forward([&](std::stop_token stop) { aToB->Run(stop); });
    std::jthread backward([&](std::stop_token stop) { bToA->Run(stop); });
    const auto bound = Clock::now() + std::chrono::seconds(seconds);
    while (interrupts.Count() == 0 && Clock::now() < bound) std::this_thread::sleep_for(std::chrono::milliseconds(kMainWakeMs));
  }  // the jthreads are asked to stop and joined here
  ReportDirection("a->b", aToB->Counts());
  ReportDirection("b->a", bToA->Counts());
  std::printf("active %.6f\n", ActiveSeconds(aToB->Counts(), bToA->Counts()));
  return 0;
}
