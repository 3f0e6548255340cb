// A pseudo-terminal pair: the master side as a stream, the slave by its path.
// The slave is held open (raw) for the pair's lifetime so that the master never
// reads end-of-file while the other end reopens the slave.
#pragma once

#include <string>

#include "common/byte_stream.h"

namespace corvane {

class PtyPair {
 public:
  PtyPair() = default;
  PtyPair(PtyPair&&) noexcept = default;
  PtyPair& operator=(PtyPair&&) noexcept = default;
  ~PtyPair();
  bool Open();
  ByteStream& Master() { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  ByteStream master_;
  ByteStream slaveHold_;
  std::string slavePath_;
};

}  // namespace corvane
