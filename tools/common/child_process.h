// A child program with its standard streams redirected, for tools and tests
// that drive other programs (Kermit peers, the corvane command).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct ChildOptions {
  std::vector<std::string> arguments;  // arguments[0] is looked up in PATH
  std::string workingDirectory;        // empty: the caller's
  std::string inputPath = "/dev/null";
  std::string outputPath = "/dev/null";  // standard output and standard error
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is killed and reaped.
  ~ChildProcess();

  bool Start(const ChildOptions& options);
  bool Running() const { return pid_ > 0; }
  // The exit status (128 + signal when killed by one), or nullopt while it runs on after `timeoutMs`.
  std::optional<int> Wait(std::uint32_t timeoutMs);
  void Signal(int which);
  void Interrupt();  // SIGINT
  void Kill();       // SIGKILL, then reap
  // User plus system CPU seconds the child used, once Wait or Kill has reaped it; 0 before.
  double CpuSeconds() const { return cpuSeconds_; }
  // How often the child blocked (voluntary context switches: every sleep or
  // wait that did not find its answer ready), once reaped; 0 before.
  std::int64_t Waits() const { return waits_; }

 private:
  // Reaps the child if it has ended (or waits for it); false while it runs on.
  bool Reap(bool block, int& status);

  int pid_ = -1;
  double cpuSeconds_ = 0;
  std::int64_t waits_ = 0;
};

}  // namespace corvane
