// A null-modem cable between two programs that each want a tty: two pty pairs
// whose master sides a thread relays to each other.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "common/pty_pair.h"

namespace corvane::testing {

class LineRelay {
 public:
  LineRelay();
  ~LineRelay();
  LineRelay(const LineRelay&) = delete;
  LineRelay& operator=(const LineRelay&) = delete;

  bool IsReady() const { return ready_; }
  // The two ends of the cable.
  const std::string& PcEnd() const { return pc_.SlavePath(); }
  const std::string& DeviceEnd() const { return device_.SlavePath(); }

 private:
  void Relay();

  PtyPair pc_;
  PtyPair device_;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread relay_;
};

}  // namespace corvane::testing
