// How much of a classic packet the line reader still waits for.
#include "classic_fixture.h"

namespace corvane::testing {
namespace {

TEST(ClassicLineRemainder, CountsWhatThePacketStillNeeds) {
  struct Case {
    const char* what;
    std::string stored;
    int remainder;
  };
  const std::string packet = dc::ClassicFrame({'D', 1, "0123456789"}, dc::kCr);  // SOH, LEN, SEQ, TYPE, ten bytes, CHECK, CR
  const Case cases[] = {
      {"nothing yet", "", 0},
      {"noise without a start", "abc", 0},
      {"a start alone: LEN, SEQ, TYPE, CHECK and the end of line follow", "\x01", 5},
      {"noise, then a start", "xy\x01", 5},
      {"LEN known", packet.substr(0, 2), 14},
      {"halfway", packet.substr(0, 9), 7},
      {"all but the end of line", packet.substr(0, 15), 1},
      {"a LEN below the shortest packet still waits for the shortest", "\x01\x21", 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassicLineRemainder(reinterpret_cast<const std::uint8_t*>(c.stored.data()),
                                   static_cast<int>(c.stored.size())),
              c.remainder)
        << c.what;
  }
}

}  // namespace
}  // namespace corvane::testing
