// Classic Kermit packets as a peer on the far end writes and reads them. Kept
// apart from the engine's own code so that a shared mistake cannot hide.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::testing {

// SOH, LEN, SEQ, TYPE, data, one-character check, end of line.
std::string KermitPacket(char type, int sequence, std::string_view data, char endOfLine = '\r');

struct KermitFrame {
  char type = 0;
  int sequence = -1;
  std::string data;
  bool checkGood = false;
};

// The packet that starts at the first SOH of `bytes`; nothing when incomplete.
std::optional<KermitFrame> ParseKermitPacket(std::string_view bytes);

}  // namespace corvane::testing
