#include "support/paced_line.h"

#include <sys/resource.h>

#include <chrono>
#include <thread>

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

}  // namespace corvane::testing
