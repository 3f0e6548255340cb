#include "common/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace corvane {
namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(10);

int StatusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

}  // namespace

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Start(const ChildOptions& options) {
  if (pid_ > 0 || options.arguments.empty()) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
  }
  posix_spawn_file_actions_addopen(&actions, 0, options.inputPath.c_str(), O_RDWR | O_NOCTTY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, options.outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOCTTY,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);

  // A new process group keeps a terminal's Ctrl-C away from the child.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<char*> argv;
  for (const std::string& argument : options.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  cpuSeconds_ = 0;
  waits_ = 0;
  const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  pid_ = pid;
  return true;
}

bool ChildProcess::Reap(bool block, int& status) {
  int raw = 0;
  rusage usage{};
  // wait4 rather than waitpid: the child's own CPU time comes with its status.
  const pid_t done = ::wait4(pid_, &raw, block ? 0 : WNOHANG, &usage);
  if (done == 0) return false;
  pid_ = -1;
  if (done < 0) {
    status = -1;
    return true;
  }
  cpuSeconds_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  waits_ = usage.ru_nvcsw;
  status = StatusOf(raw);
  return true;
}

std::optional<int> ChildProcess::Wait(std::uint32_t timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    if (Reap(false, status)) return status;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kWaitStep);
  }
}

void ChildProcess::Signal(int which) {
  if (pid_ > 0) ::kill(pid_, which);
}

void ChildProcess::Interrupt() { Signal(SIGINT); }

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  Reap(true, status);
}

}  // namespace corvane
