// Wide Kermit packets as the Data Collector writes and reads them: a two-byte
// length, raw data, one check byte over everything from SOH, no end of line.
// Kept apart from the engine's own code so that a shared mistake cannot hide.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/serial_peer.h"

namespace corvane::testing {

// `checkBias` is added to the correct check byte (1 gives the presence probe's).
std::string WidePacket(char type, int sequence, std::string_view data, int checkBias = 0);

struct WideFrame {
  char type = 0;
  int sequence = -1;
  int length = -1;  // from the length field
  std::string data;
  bool checkGood = false;
  std::string raw;  // every byte of the packet as it arrived
};

// Reads one packet from the line: nothing when no complete packet arrives
// within `timeoutMs` or the first byte is not SOH.
std::optional<WideFrame> ReadWidePacket(SerialPeer& peer, std::uint32_t timeoutMs);

}  // namespace corvane::testing
