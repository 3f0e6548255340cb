// The device's line when the other end goes away: a wait, never a spin.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "corvane-dc/device_line.h"
#include "support/paced_line.h"

namespace corvane::dc {
namespace {

TEST(DcDeviceLine, AHungUpLineIsWaitedOutLikeSilence) {
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  TtyDevice device;
  ASSERT_TRUE(device.Open(pty.SlavePath()));
  PacketLog log;
  const std::atomic<bool> stop{false};
  DeviceLine line(device, Framing::Classic, FaultOptions{}, log, stop);
  pty.Master().Close();  // the PC's end is gone: the device's end now reads as hung up

  const auto wallStart = std::chrono::steady_clock::now();
  const auto cpuStart = testing::CpuOfThisThread();
  EXPECT_EQ(line.Read(ParseClassicFrame, 400, 50).kind, ReadKind::Timeout);
  const auto wall = std::chrono::steady_clock::now() - wallStart;
  const auto cpu = testing::CpuOfThisThread() - cpuStart;
  EXPECT_GE(wall, std::chrono::milliseconds(400));
  EXPECT_LT(cpu * 4, wall) << "the read spun instead of waiting";
}

}  // namespace
}  // namespace corvane::dc
