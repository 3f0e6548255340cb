#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/pty_pair.h"
#include "platform/thread.h"
#include "platform/tty.h"
#include "serial/serial_port.h"

namespace corvane {
namespace {

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    port_.SetDevicePath(pty_.SlavePath());
  }
  std::string ReadPeer(std::size_t count) {
    std::string seen(count, '\0');
    std::size_t total = 0;
    while (total < count) {
      const std::size_t n =
          pty_.Master().ReadAvailable(reinterpret_cast<std::uint8_t*>(seen.data()) + total, count - total, 200);
      if (n == 0) break;
      total += n;
    }
    return seen.substr(0, total);
  }

  PtyPair pty_;
  CSerialPort port_;
};

TEST_F(SerialPortTest, OpensExclusivelyOnceAndClosesOnce) {
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(port_.DeviceName(), pty_.SlavePath());
  EXPECT_TRUE(port_.Open()) << "an open port is not reopened";
  CSerialPort other;
  other.SetDevicePath(pty_.SlavePath());
  EXPECT_FALSE(other.Open()) << "the port is in use";
  EXPECT_TRUE(port_.Close());
  EXPECT_FALSE(port_.Close());
  EXPECT_TRUE(port_.DeviceName().empty());
  EXPECT_TRUE(other.Open());

  CSerialPort missing;
  missing.SetPortNumber(200);  // /dev/ttyS199
  EXPECT_FALSE(missing.Open());
  missing.SetDevicePath("/dev/corvane-no-such-port");
  EXPECT_FALSE(missing.Open());
}

// A pty keeps the rate but always reports 8 data bits without parity, so only the
// rate can be read back here; the port must still open with every parity.
TEST_F(SerialPortTest, RatesReachTheDriver) {
  struct Case {
    int baud;
    int parity;
    int expected;  // 0: the port must refuse to open
  };
  for (const Case& c : {Case{9600, kParityNone, 9600}, Case{4800, kParityEven, 4800}, Case{115200, kParityOdd, 115200},
                        Case{1200, kParitySpace, 1200}, Case{0, kParityMark, 1200}, Case{12345, kParityNone, 0}}) {
    SCOPED_TRACE(::testing::Message() << c.baud << " baud, parity " << c.parity);
    port_.Close();
    port_.SetBaudRate(c.baud);
    port_.SetParity(c.parity);
    ASSERT_EQ(port_.Open(), c.expected != 0);
    if (c.expected != 0) {
      EXPECT_EQ(port_.Device().CurrentSettings()->baudRate, c.expected);
    }
  }
  port_.SetBaudRate(9600);
  ASSERT_TRUE(port_.Open());
  port_.SetBaudRate(19200);
  EXPECT_EQ(port_.Device().CurrentSettings()->baudRate, 19200) << "applied at once to an open port";
}

TEST_F(SerialPortTest, WritesRespectTheirLimits) {
  const std::vector<std::uint8_t> bytes(201, 'x');
  EXPECT_FALSE(port_.Write(bytes.data(), 1)) << "closed port";
  ASSERT_TRUE(port_.Open());
  EXPECT_FALSE(port_.WriteString(std::string(201, 'a')));
  EXPECT_TRUE(port_.WriteString(std::string(200, 'b')));
  EXPECT_FALSE(port_.WriteBytes(bytes));
  EXPECT_TRUE(port_.WriteBytes(std::vector<std::uint8_t>(200, 'c')));
  EXPECT_TRUE(port_.WriteByte('d'));
  EXPECT_TRUE(port_.Write(bytes.data(), 0));
  EXPECT_EQ(ReadPeer(401), std::string(200, 'b') + std::string(200, 'c') + "d");
}

TEST_F(SerialPortTest, ReadsWhatArrivedPurgesTheRestAndKnowsAHungUpLine) {
  ASSERT_TRUE(port_.Open());
  port_.SetReadWait(10);
  std::uint8_t buffer[16];
  std::uint32_t count = 99;
  EXPECT_FALSE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);

  pty_.Master().Write(reinterpret_cast<const std::uint8_t*>("hello"), 5);
  ASSERT_TRUE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "hello");

  pty_.Master().Write(reinterpret_cast<const std::uint8_t*>("stale"), 5);
  for (int i = 0; i < 100 && port_.BytesWaiting() < 5; ++i) SleepMilliseconds(5);
  ASSERT_EQ(port_.BytesWaiting(), 5u);
  EXPECT_TRUE(port_.PurgeInput());
  EXPECT_FALSE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_FALSE(port_.DeviceGone()) << "a quiet line is not a line gone";

  pty_.Master().Close();  // the other end is gone: the port now reads as hung up
  EXPECT_FALSE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_TRUE(port_.DeviceGone());
}

}  // namespace
}  // namespace corvane
