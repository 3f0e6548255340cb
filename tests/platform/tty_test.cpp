#include "platform/tty.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "common/pty_pair.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

// The device and the pty's master side move bytes through the same calls.
template <typename Stream>
bool WriteText(Stream& stream, const std::string& text) {
  return stream.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// What arrives until `capacity` bytes came or the line was quiet for `waitMs`.
template <typename Stream>
std::string ReadText(Stream& stream, std::size_t capacity, std::uint32_t waitMs) {
  std::vector<std::uint8_t> buffer(capacity);
  std::size_t count = 0;
  while (count < capacity && stream.WaitReadable(waitMs)) {
    const std::size_t more = stream.ReadNow(buffer.data() + count, capacity - count);
    if (more == 0) break;
    count += more;
  }
  return std::string(buffer.begin(), buffer.begin() + static_cast<long>(count));
}

class TtyDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    ASSERT_EQ(pty_.SlavePath().rfind("/dev/pts/", 0), 0u) << pty_.SlavePath();
    ASSERT_TRUE(device_.Open(pty_.SlavePath()));
  }
  PtyPair pty_;
  TtyDevice device_;
};

// Exclusive opening, rates, the receive-queue count and purge are covered through
// the serial port; here: what only the device itself decides.
TEST_F(TtyDeviceTest, RefusesWhatIsNotATtyAndSettingsItCannotHold) {
  testing::ScratchDirectory scratch;
  scratch.WriteFile("plain", "x");
  TtyDevice other;
  EXPECT_FALSE(other.Open(scratch.PathOf("plain")));
  EXPECT_FALSE(other.Open(scratch.PathOf("missing")));
  EXPECT_FALSE(other.Apply(9600, kParityNone, 8));
  EXPECT_FALSE(WriteText(other, "x"));
  // A pty keeps the rate but frames nothing: 8 data bits without parity, accepted on a pty only.
  ASSERT_TRUE(device_.Apply(4000000, kParityMark, 7));
  EXPECT_EQ(device_.CurrentSettings().value_or(LineSettings{}).dataBits, 8);
  ASSERT_TRUE(device_.Apply(50, kParitySpace, 8));
  const std::tuple<int, int, int> refused[] = {
      {12345, kParityNone, 8}, {0, kParityNone, 8}, {9600, 5, 8}, {9600, kParityNone, 9}};
  for (const auto& [rate, parity, bits] : refused) {
    EXPECT_FALSE(device_.Apply(rate, parity, bits)) << rate << " " << parity << " " << bits;
  }
  EXPECT_EQ(device_.CurrentSettings().value_or(LineSettings{}).baudRate, 50);
}

TEST_F(TtyDeviceTest, BytesPassRawAndReadsStopAtCapacity) {
  ASSERT_TRUE(device_.Apply(9600, kParityNone, 8));
  // Bytes a cooked line would translate or act on: CR, LF, Ctrl-C, Ctrl-S, DEL, 0xFF.
  const std::string bytes("a\r\n\x03\x13\x7f\xff\x00z", 9);
  ASSERT_TRUE(WriteText(pty_.Master(), bytes + bytes));
  EXPECT_EQ(ReadText(device_, 9, 100), bytes);
  EXPECT_EQ(ReadText(device_, 64, 100), bytes);
  ASSERT_TRUE(WriteText(device_, bytes));
  EXPECT_EQ(ReadText(pty_.Master(), 64, 100), bytes);
}

TEST_F(TtyDeviceTest, LongWriteWaitsForTheReader) {
  // Far more than the pty buffers hold: the write must ride out EAGAIN.
  std::string block(256 * 1024, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + i / 251);
  std::string received;
  std::thread reader([&] {
    for (std::string part; received.size() < block.size(); received += part) {
      if ((part = ReadText(pty_.Master(), 8192, 1000)).empty()) break;
    }
  });
  EXPECT_TRUE(WriteText(device_, block));
  reader.join();
  EXPECT_TRUE(received == block) << received.size() << " bytes received";
}

}  // namespace
}  // namespace corvane
