#include "corvane-dc/packet_log.h"

#include <iostream>

namespace corvane::dc {
namespace {

// Enough for any test or demo; a long-running device keeps its latest lines.
constexpr std::size_t kMaxLinesKept = 20000;

}  // namespace

bool PacketLog::Open(const std::string& path) {
  std::lock_guard lock(mutex_);
  toStderr_ = path == "-";
  if (path.empty() || toStderr_) return true;
  file_.open(path, std::ios::out | std::ios::trunc);
  return file_.is_open();
}

void PacketLog::Sent(const Packet& packet, const std::string& note) {
  Add("-> " + DescribePacket(packet) + (note.empty() ? "" : " (" + note + ")"));
}

void PacketLog::Received(const Packet& packet, const std::string& note) {
  Add("<- " + DescribePacket(packet) + (note.empty() ? "" : " (" + note + ")"));
}

void PacketLog::Note(const std::string& text) { Add("-- " + text); }

std::vector<std::string> PacketLog::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

void PacketLog::Add(std::string line) {
  std::lock_guard lock(mutex_);
  if (file_.is_open()) file_ << line << '\n' << std::flush;
  if (toStderr_) std::cerr << line << '\n';
  if (lines_.size() >= kMaxLinesKept) lines_.erase(lines_.begin(), lines_.begin() + kMaxLinesKept / 2);
  lines_.push_back(std::move(line));
}

}  // namespace corvane::dc
