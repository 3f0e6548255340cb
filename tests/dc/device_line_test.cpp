// The device's line when the other end goes away: a wait, never a spin.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "common/pty_pair.h"
#include "common/raw_tty.h"
#include "corvane-dc/device_line.h"
#include "support/paced_line.h"

namespace corvane::dc {
namespace {

TEST(DcDeviceLine, AHungUpLineIsWaitedOutLikeSilence) {
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  std::string error;
  ByteStream device = OpenRawTty(pty.SlavePath(), 9600, error);
  ASSERT_TRUE(device.IsOpen()) << error;
  PacketLog log;
  const std::atomic<bool> stop{false};
  DeviceLine line(device, Framing::Classic, FaultOptions{}, log, stop);
  pty.Master().Close();  // the PC's end is gone: the device's end now reads as hung up

  const testing::WaitCost cost =
      testing::CostOf([&] { EXPECT_EQ(line.Read(ParseClassicFrame, 400, 50).kind, ReadKind::Timeout); });
  EXPECT_GE(cost.wall, std::chrono::milliseconds(400));
  EXPECT_LT(cost.cpu * 4, cost.wall) << "the read spun instead of waiting";
}

}  // namespace
}  // namespace corvane::dc
