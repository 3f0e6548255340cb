// The device's record of every packet in both directions, one readable line
// each ("-> S seq=0 len=6 data=~/ @-#", "<- Y seq=0"), to a file, to stderr,
// and kept in memory for whoever runs the device in-process.
#pragma once

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "corvane-dc/wire.h"

namespace corvane::dc {

class PacketLog {
 public:
  // An empty path logs to memory only; "-" also writes to stderr.
  bool Open(const std::string& path);

  void Sent(const Packet& packet, const std::string& note = {});
  void Received(const Packet& packet, const std::string& note = {});
  // Events that are not packets: a time-out, damage, a role starting.
  void Note(const std::string& text);

  std::vector<std::string> Lines() const;

 private:
  void Add(std::string line);

  mutable std::mutex mutex_;
  std::ofstream file_;
  bool toStderr_ = false;
  std::vector<std::string> lines_;
};

}  // namespace corvane::dc
