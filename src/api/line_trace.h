// A record of everything on the line, for a field failure to be sent in and
// replayed at the desk (corvane-dc --replay). One event a line, seconds since
// the trace began, then what happened:
//
//   0.004 purge                         this side discarded its unread input
//   0.017 pc 01 2F 20 53 7E ...         bytes this side wrote, in hex
//   0.031 dc 01 2F 20 59 7E ...         bytes this side read from the Data Collector
//   #     dc Y seq=0 len=13 classic     a packet complete in that direction, decoded
//
// Lines starting with '#' are notes for people; a replay reads the others.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "serial/serial_port.h"

namespace corvane {

class LineTrace : public LineObserver {
 public:
  // False when the file cannot be created.
  bool Open(const std::string& path);

  void OnSent(const std::uint8_t* data, std::size_t length) override;
  void OnReceived(const std::uint8_t* data, std::size_t length) override;
  void OnPurged() override;
  void Flush() { file_.Flush(); }

 private:
  // The bytes of one direction not yet decoded into packets.
  struct Direction {
    const char* name;
    std::vector<std::uint8_t> pending;
    bool wide = false;  // the framing of its last packet
  };

  void Record(Direction& direction, const std::uint8_t* data, std::size_t length);
  std::string Stamp() const;
  void Line(const std::string& text);

  StdioFile file_;
  std::chrono::steady_clock::time_point start_;
  Direction pc_{"pc", {}, false};
  Direction dc_{"dc", {}, false};
};

// The decoded packets at the front of `pending`, one note each ("S seq=0 len=9
// classic"), taken off it; bytes that cannot start a packet are dropped, an
// unfinished packet is left for more bytes. A frame of one framing can pass the
// other's check by chance: the framing of the packet before (`wide`) is tried first.
std::vector<std::string> DecodePackets(std::vector<std::uint8_t>& pending, bool& wide);

// The one trace of the process, on the one port: started anew (to `path`) or
// stopped (empty path) while no operation runs; false when the file cannot be created.
bool StartTrace(const std::string& path);
// Hands what the trace has buffered to its file (at the end of every operation).
void FlushTrace();

}  // namespace corvane
