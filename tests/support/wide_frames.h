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
// A packet whose length field says `length` whatever data follows, as error
// packets that carry a code in the length are built.
std::string WidePacketWithLength(char type, int sequence, int length, std::string_view data);

struct WideFrame {
  char type = 0;
  int sequence = -1;
  int length = -1;  // from the length field
  std::string data;
  bool checkGood = false;
  std::string raw;  // every byte of the packet as it arrived
};

// The packet at the start of `bytes`; nothing when it is not complete.
std::optional<WideFrame> ParseWidePacket(std::string_view bytes);

// Reads one packet from the line: nothing when no complete packet arrives
// within `timeoutMs` or the first byte is not SOH.
std::optional<WideFrame> ReadWidePacket(SerialPeer& peer, std::uint32_t timeoutMs);

}  // namespace corvane::testing
