// The requests a server run has finished, kept for the host's thread to take
// while the worker serves.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "corvane32/corvane32.h"

namespace corvane {

class ServedLog {
 public:
  void Clear();
  // Beyond kMostKept requests not taken the oldest goes: a host that never
  // looks must not make a long server run grow without end.
  void Add(ServedRequest request);
  std::vector<ServedRequest> Take();

  static constexpr std::size_t kMostKept = 1000;

 private:
  std::mutex mutex_;
  std::deque<ServedRequest> requests_;
};

}  // namespace corvane
