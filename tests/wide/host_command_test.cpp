#include "wide/host_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace corvane {
namespace {

// Of a doubled '#' behind the letter only the second is kept as the length
// character; a field over 99 bytes is refused, not cut. Bytes after the data
// are junk: only rxLength may count.
TEST(WideHostCommandTest, ArgumentIsTakenWholeOrNotAtAll) {
  const std::string fits(99, 'A');
  const std::string argumentOfFits = fits.substr(1);
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"C##ABC", "ABC"}, {"C#AB", "B"},   {"C$DATA", "DATA"},           {"D", std::nullopt},
      {"E#", std::nullopt}, {"C" + fits, argumentOfFits}, {"C#" + fits, argumentOfFits}};
  WideLinkContext context;
  for (const auto& [data, argument] : cases) {
    std::memset(context.rxPacket, 'Q', sizeof context.rxPacket);
    std::memcpy(context.rxData, data.data(), data.size());
    context.rxLength = static_cast<std::int32_t>(data.size());
    const HostCommand command = WideHostCommand(context);
    EXPECT_EQ(command.letter, data[0]) << data;
    EXPECT_FALSE(command.argumentTooLong) << data;
    EXPECT_EQ(command.argument, argument) << data;
  }
  const std::string tooLong = "C" + fits + "A";
  std::memcpy(context.rxData, tooLong.data(), tooLong.size());
  context.rxLength = static_cast<std::int32_t>(tooLong.size());
  EXPECT_TRUE(WideHostCommand(context).argumentTooLong);
  for (const std::int32_t length : {0, -1, static_cast<std::int32_t>(kWidePacketSize)}) {
    context.rxLength = length;
    EXPECT_EQ(WideHostCommand(context).letter, 0) << length;
  }
}

}  // namespace
}  // namespace corvane
