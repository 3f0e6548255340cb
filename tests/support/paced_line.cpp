#include "support/paced_line.h"

#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "serial/serial_io.h"

namespace corvane::testing {

void SendPaced(SerialPeer& peer, const std::string& bytes, int baud) {
  const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
  auto due = std::chrono::steady_clock::now();
  for (char byte : bytes) {
    std::this_thread::sleep_until(due);
    peer.Send(std::string_view(&byte, 1));
    due += byteTime;
  }
}

long WakesOfThisThread() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

namespace {

std::chrono::microseconds CpuOfThisThread() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  const auto micros = [](const timeval& t) { return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec); };
  return micros(usage.ru_utime) + micros(usage.ru_stime);
}

}  // namespace

WaitCost CostOf(const std::function<void()>& wait) {
  const auto wallStart = std::chrono::steady_clock::now();
  const auto cpuStart = CpuOfThisThread();
  wait();
  return {std::chrono::steady_clock::now() - wallStart, CpuOfThisThread() - cpuStart};
}

PacedRound ReadPacedAndSettle(SerialPeer& peer, const std::string& packet, int baud, const std::function<int()>& read) {
  PacedRound round;
  std::chrono::steady_clock::time_point lastByteSent;
  std::thread line([&] {
    SendPaced(peer, packet, baud);
    lastByteSent = std::chrono::steady_clock::now();
  });
  const long before = WakesOfThisThread();
  round.result = read();
  const long afterRead = WakesOfThisThread();
  SerialFlushInput();
  const auto settled = std::chrono::steady_clock::now();
  round.readWakes = afterRead - before;
  round.settleWakes = WakesOfThisThread() - afterRead;
  line.join();
  round.quietBeforeAnswer = settled - lastByteSent;
  return round;
}

}  // namespace corvane::testing
