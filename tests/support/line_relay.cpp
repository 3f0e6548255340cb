#include "support/line_relay.h"

#include <cstdint>

namespace corvane::testing {
namespace {

constexpr std::uint32_t kRelayPollMs = 5;

// Moves what has arrived on `from` to `to`; false when nothing had arrived.
bool Pass(ByteStream& from, ByteStream& to) {
  std::uint8_t block[4096];
  const std::size_t count = from.ReadNow(block, sizeof block);
  if (count > 0) to.Write(block, count);
  return count > 0;
}

}  // namespace

LineRelay::LineRelay() {
  ready_ = pc_.Open() && device_.Open();
  if (ready_) relay_ = std::thread([this] { Relay(); });
}

LineRelay::~LineRelay() {
  stop_ = true;
  if (relay_.joinable()) relay_.join();
}

void LineRelay::Relay() {
  while (!stop_) {
    const bool moved = Pass(pc_.Master(), device_.Master()) | Pass(device_.Master(), pc_.Master());
    if (!moved) {
      pc_.Master().WaitReadable(kRelayPollMs);
    }
  }
}

}  // namespace corvane::testing
