#include "platform/tty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "scratch_directory.h"

namespace corvane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

bool WriteText(ByteStream& stream, const std::string& text) {
  return stream.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string ReadText(ByteStream& stream, std::size_t capacity, std::uint32_t waitMs) {
  std::vector<std::uint8_t> buffer(capacity);
  const std::size_t count = stream.ReadAvailable(buffer.data(), capacity, waitMs);
  return std::string(buffer.begin(), buffer.begin() + static_cast<long>(count));
}

class TtyDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    ASSERT_TRUE(device_.Open(pty_.SlavePath()));
  }
  PtyPair pty_;
  TtyDevice device_;
};

TEST(PtyPair, OpensMasterAndNamesSlave) {
  PtyPair pty;
  ASSERT_TRUE(pty.Open());
  EXPECT_TRUE(pty.Master().IsOpen());
  EXPECT_EQ(pty.SlavePath().rfind("/dev/pts/", 0), 0u) << pty.SlavePath();
}

TEST(TtyDevice, RefusesWhatIsNotAFreeTty) {
  testing::ScratchDirectory scratch;
  scratch.WriteFile("plain", "x");
  TtyDevice device;
  EXPECT_FALSE(device.Open(scratch.PathOf("plain")));
  EXPECT_FALSE(device.Open(scratch.PathOf("missing")));
  EXPECT_FALSE(device.IsOpen());
  EXPECT_FALSE(device.Apply(9600, kParityNone, 8));
  EXPECT_FALSE(device.CurrentSettings().has_value());
  EXPECT_FALSE(WriteText(device, "x"));
}

TEST_F(TtyDeviceTest, OpenIsExclusiveUntilClosed) {
  TtyDevice second;
  EXPECT_FALSE(second.Open(pty_.SlavePath()));
  device_.Close();
  EXPECT_FALSE(device_.IsOpen());
  ASSERT_TRUE(second.Open(pty_.SlavePath()));
  second.Close();
  EXPECT_TRUE(device_.Open(pty_.SlavePath()));
}

struct LineCase {
  int baudRate;
  int parity;
  int dataBits;
};

class TtyApplyTest : public TtyDeviceTest, public ::testing::WithParamInterface<LineCase> {};

// A pty keeps the rate but frames nothing: its driver forces 8 data bits
// without parity, and Apply accepts that on a pty only.
TEST_P(TtyApplyTest, PtyHoldsTheRateAndAnUnframedByte) {
  const LineCase line = GetParam();
  ASSERT_TRUE(device_.Apply(line.baudRate, line.parity, line.dataBits));
  const auto held = device_.CurrentSettings();
  ASSERT_TRUE(held.has_value());
  EXPECT_EQ(held->baudRate, line.baudRate);
  EXPECT_EQ(held->parity, kParityNone);
  EXPECT_EQ(held->dataBits, 8);
}

INSTANTIATE_TEST_SUITE_P(Lines, TtyApplyTest,
                         ::testing::Values(LineCase{9600, kParityEven, 7}, LineCase{4800, kParityNone, 8},
                                           LineCase{115200, kParityOdd, 7}, LineCase{50, kParitySpace, 7},
                                           LineCase{4000000, kParityMark, 8}));

TEST_F(TtyDeviceTest, RefusesUnknownSettingsAndKeepsTheOldOnes) {
  ASSERT_TRUE(device_.Apply(9600, kParityEven, 7));
  EXPECT_FALSE(device_.Apply(12345, kParityNone, 8));
  EXPECT_FALSE(device_.Apply(0, kParityNone, 8));
  EXPECT_FALSE(device_.Apply(9600, 5, 8));
  EXPECT_FALSE(device_.Apply(9600, kParityNone, 9));
  const auto held = device_.CurrentSettings();
  ASSERT_TRUE(held.has_value());
  EXPECT_EQ(held->baudRate, 9600);
}

TEST_F(TtyDeviceTest, BytesPassRawBothWays) {
  ASSERT_TRUE(device_.Apply(9600, kParityNone, 8));
  // Bytes a cooked line would translate or act on: CR, LF, Ctrl-C, Ctrl-S, DEL, 0xFF.
  const std::string bytes("a\r\n\x03\x13\x7f\xff\x00z", 9);
  ASSERT_TRUE(WriteText(pty_.Master(), bytes));
  EXPECT_EQ(ReadText(device_, 64, 100), bytes);
  ASSERT_TRUE(WriteText(device_, bytes));
  EXPECT_EQ(ReadText(pty_.Master(), 64, 100), bytes);
}

TEST_F(TtyDeviceTest, ReadJoinsBurstsCloserThanTheWait) {
  ASSERT_TRUE(WriteText(pty_.Master(), "abc"));
  std::thread later([this] {
    std::this_thread::sleep_for(milliseconds(30));
    WriteText(pty_.Master(), "def");
  });
  EXPECT_EQ(ReadText(device_, 64, 150), "abcdef");
  later.join();
}

TEST_F(TtyDeviceTest, ReadStopsAtCapacityAndLeavesTheRest) {
  ASSERT_TRUE(WriteText(pty_.Master(), "0123456789"));
  EXPECT_EQ(ReadText(device_, 4, 100), "0123");
  EXPECT_EQ(ReadText(device_, 64, 100), "456789");
}

TEST_F(TtyDeviceTest, QuietLineGivesNothingAfterTheWait) {
  const auto start = Clock::now();
  EXPECT_EQ(ReadText(device_, 64, 50), "");
  EXPECT_GE(Clock::now() - start, milliseconds(50));
  std::uint8_t byte = 0;
  EXPECT_EQ(device_.ReadNow(&byte, 1), 0u);
  EXPECT_FALSE(device_.WaitReadable(0));
}

TEST_F(TtyDeviceTest, CountsAndPurgesTheReceiveQueue) {
  EXPECT_EQ(device_.BytesWaiting(), 0u);
  ASSERT_TRUE(WriteText(pty_.Master(), "12345"));
  ASSERT_TRUE(device_.WaitReadable(1000));
  EXPECT_EQ(device_.BytesWaiting(), 5u);
  EXPECT_TRUE(device_.PurgeInput());
  EXPECT_EQ(device_.BytesWaiting(), 0u);
  EXPECT_EQ(ReadText(device_, 64, 20), "");
}

TEST_F(TtyDeviceTest, LongWriteWaitsForTheReader) {
  // Far more than the pty buffers hold: the write must ride out EAGAIN.
  std::string block(256 * 1024, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + i / 251);
  std::string received;
  std::thread reader([&] {
    while (received.size() < block.size()) {
      const std::string part = ReadText(pty_.Master(), 8192, 1000);
      if (part.empty()) break;
      received += part;
    }
  });
  EXPECT_TRUE(WriteText(device_, block));
  reader.join();
  EXPECT_TRUE(received == block) << received.size() << " bytes received";
}

TEST_F(TtyDeviceTest, HungUpLineStillPacesReads) {
  pty_ = PtyPair();  // master and held slave gone: the device's line hangs up
  const auto start = Clock::now();
  EXPECT_EQ(ReadText(device_, 64, 50), "");
  EXPECT_GE(Clock::now() - start, milliseconds(45));
}

}  // namespace
}  // namespace corvane
