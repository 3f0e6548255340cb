// The Data Collector's side of the line as a script of packets, in either
// framing. Packets are built and read with corvane-dc's own codec, kept apart
// from the engines so that a misreading shared with them cannot hide.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane-dc/wire.h"
#include "support/serial_peer.h"

namespace corvane::testing {

struct PeerFrame {
  char type = 0;
  int sequence = -1;
  std::string data;
  bool checkGood = false;
  std::string raw;  // every byte of the packet as it arrived
};

// "Y0", "F1 A.TXT 3"; on the wide line an error packet that carries its code
// in the length reads "E0 #255"; " BADCHECK" after a wrong check; "none" when
// no packet came.
std::string Describe(const std::optional<PeerFrame>& frame, dc::Framing framing);

class ScriptedPeer : public SerialPeer {
 public:
  explicit ScriptedPeer(dc::Framing framing, int baudRate = 9600) : SerialPeer(baudRate), framing_(framing) {}

  // `checkBias` is added to the correct check (1 gives the presence probe's).
  std::string Packet(char type, int sequence, std::string_view data = {}, int checkBias = 0) const;
  void SendPacket(char type, int sequence, std::string_view data = {}) { Send(Packet(type, sequence, data)); }
  // The next packet, noise before its SOH skipped; nothing when none is whole within `timeoutMs` a byte.
  std::optional<PeerFrame> NextFrame(std::uint32_t timeoutMs = 5000);
  std::string Next(std::uint32_t timeoutMs = 5000) { return Describe(NextFrame(timeoutMs), framing_); }

  // Plays the Data Collector's side: "<D2 a#Mb" sends D 2 with that data, ">Y2"
  // expects the next packet to be described so (see Describe), "!" sets the
  // cancel event, "~" waits 100 ms as a Data Collector does before it speaks
  // to a side that has just flushed its line, "?" sends a line of noise.
  void Play(const std::vector<std::string>& steps);

 private:
  dc::Framing framing_;
};

}  // namespace corvane::testing
