#include "session/served_log.h"

#include <iterator>

namespace corvane {

void ServedLog::Clear() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void ServedLog::Add(ServedRequest request) {
  std::lock_guard lock(mutex_);
  if (requests_.size() == kMostKept) requests_.pop_front();
  requests_.push_back(std::move(request));
}

std::vector<ServedRequest> ServedLog::Take() {
  std::lock_guard lock(mutex_);
  std::vector<ServedRequest> taken(std::make_move_iterator(requests_.begin()),
                                   std::make_move_iterator(requests_.end()));
  requests_.clear();
  return taken;
}

}  // namespace corvane
