// The far end of the line: a pty pair whose slave the library's serial port
// has open, with the master driven by the test as the Data Collector.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/pty_pair.h"

namespace corvane::testing {

class SerialPeer {
 public:
  // Opens a pty pair, opens the library's port on its slave at `baudRate`, and
  // creates the session's cancel event (engines read a closed one as cancel).
  explicit SerialPeer(int baudRate = 9600);
  ~SerialPeer();
  SerialPeer(const SerialPeer&) = delete;
  SerialPeer& operator=(const SerialPeer&) = delete;

  bool IsReady() const { return ready_; }
  const std::string& SlavePath() const { return pty_.SlavePath(); }
  ByteStream& Master() { return pty_.Master(); }

  void Send(std::string_view bytes);
  // Up to `count` bytes, waiting at most `timeoutMs` in all.
  std::string Receive(std::size_t count, std::uint32_t timeoutMs);
  // Bytes up to and including `end`, waiting at most `timeoutMs` in all.
  std::string ReceiveUntil(std::uint8_t end, std::uint32_t timeoutMs);
  // Everything that arrives until the line has been quiet for `quietMs`.
  std::string ReceiveUntilQuiet(std::uint32_t quietMs);

 private:
  PtyPair pty_;
  bool ready_ = false;
};

// Bytes written as hexadecimal pairs, for readable expectations: "01 23 20 59".
std::string Hex(std::string_view bytes);
std::string FromHex(std::string_view hex);

}  // namespace corvane::testing
