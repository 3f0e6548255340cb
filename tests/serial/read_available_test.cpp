#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/pty_pair.h"
#include "serial/serial_port.h"

namespace corvane {
namespace {

// A fill hands over what has arrived at once: the line reader asks again for
// the rest, so waiting for the line to fall quiet would only delay every packet.
TEST(SerialPortReadAvailable, HandsOverWithoutWaitingForAQuietLine) {
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  CSerialPort port;
  port.SetDevicePath(pty.SlavePath());
  ASSERT_TRUE(port.Open());
  port.SetReadWait(3000);
  ASSERT_TRUE(pty.Master().Write(reinterpret_cast<const std::uint8_t*>("SOH"), 3));
  std::uint8_t buffer[16];
  std::uint32_t count = 0;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(port.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "SOH");
  // A read that waited for quiet would have taken the full three seconds.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));

  ASSERT_TRUE(pty.Master().Write(reinterpret_cast<const std::uint8_t*>("rest"), 4));
  ASSERT_TRUE(port.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "rest");
  port.Close();
}

}  // namespace
}  // namespace corvane
