#include <gtest/gtest.h>

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

  PtyPair pty_;
  CSerialPort port_;
};

TEST_F(SerialPortTest, OpensOnceAndClosesOnce) {
  EXPECT_FALSE(port_.IsOpen());
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(port_.DeviceName(), pty_.SlavePath());
  EXPECT_TRUE(port_.Open()) << "an open port is not reopened";
  EXPECT_TRUE(port_.Close());
  EXPECT_FALSE(port_.Close());
  EXPECT_TRUE(port_.DeviceName().empty());
  ASSERT_TRUE(port_.Open()) << "a closed port opens again";
}

TEST_F(SerialPortTest, OpenIsExclusive) {
  ASSERT_TRUE(port_.Open());
  CSerialPort other;
  other.SetDevicePath(pty_.SlavePath());
  EXPECT_FALSE(other.Open());
  EXPECT_FALSE(other.IsOpen());
  port_.Close();
  EXPECT_TRUE(other.Open());
}

TEST_F(SerialPortTest, MissingDeviceDoesNotOpen) {
  CSerialPort missing;
  missing.SetDevicePath("/dev/corvane-no-such-port");
  EXPECT_FALSE(missing.Open());
  missing.SetDevicePath("");
  missing.SetPortNumber(200);  // /dev/ttyS199
  EXPECT_FALSE(missing.Open());
}

// A pty keeps the rate but always reports 8 data bits without parity, so only the
// rate can be read back here; the port must still open with every parity.
TEST_F(SerialPortTest, RateReachesTheDriverWhateverTheParity) {
  struct Case {
    int baud;
    int parity;
  };
  for (const Case& c : {Case{9600, kParityNone}, Case{4800, kParityEven}, Case{115200, kParityOdd},
                        Case{2400, kParityMark}, Case{1200, kParitySpace}}) {
    SCOPED_TRACE(::testing::Message() << c.baud << " baud, parity " << c.parity);
    port_.Close();
    port_.SetBaudRate(c.baud);
    port_.SetParity(c.parity);
    ASSERT_TRUE(port_.Open());
    const auto settings = port_.Device().CurrentSettings();
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->baudRate, c.baud);
  }
}

TEST_F(SerialPortTest, SettersApplyToAnOpenPortAndZeroKeepsTheRate) {
  ASSERT_TRUE(port_.Open());
  port_.SetBaudRate(19200);
  EXPECT_EQ(port_.Device().CurrentSettings()->baudRate, 19200);
  port_.SetBaudRate(0);
  port_.SetBaudRate(-5);
  EXPECT_EQ(port_.BaudRate(), 19200);
  EXPECT_EQ(port_.Device().CurrentSettings()->baudRate, 19200);
}

TEST_F(SerialPortTest, NonStandardRateIsRefused) {
  port_.SetBaudRate(12345);
  EXPECT_FALSE(port_.Open());
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(SerialPortTest, WritesRespectTheirLimits) {
  const std::vector<std::uint8_t> bytes(201, 'x');
  EXPECT_FALSE(port_.Write(bytes.data(), 1)) << "closed port";
  EXPECT_FALSE(port_.WriteByte('a'));
  ASSERT_TRUE(port_.Open());
  EXPECT_FALSE(port_.WriteString(std::string(201, 'a')));
  EXPECT_TRUE(port_.WriteString(std::string(200, 'b')));
  EXPECT_FALSE(port_.WriteBytes(bytes));
  EXPECT_TRUE(port_.WriteBytes(std::vector<std::uint8_t>(200, 'c')));
  EXPECT_TRUE(port_.WriteByte('d'));
  EXPECT_TRUE(port_.Write(bytes.data(), 0));

  std::string seen(401, '\0');
  std::size_t total = 0;
  while (total < seen.size()) {
    const std::size_t n = pty_.Master().ReadAvailable(reinterpret_cast<std::uint8_t*>(seen.data()) + total,
                                                      seen.size() - total, 200);
    if (n == 0) break;
    total += n;
  }
  EXPECT_EQ(seen, std::string(200, 'b') + std::string(200, 'c') + "d");
}

TEST_F(SerialPortTest, ReadAvailableWaitsThenTakesTheBurst) {
  ASSERT_TRUE(port_.Open());
  std::uint8_t buffer[16];
  std::uint32_t count = 99;
  port_.SetReadWait(10);
  EXPECT_FALSE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(port_.ReadAvailable(buffer, 0, count));

  pty_.Master().Write(reinterpret_cast<const std::uint8_t*>("hello"), 5);
  ASSERT_TRUE(port_.ReadAvailable(buffer, sizeof buffer, count));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "hello");
  EXPECT_EQ(port_.BytesWaiting(), 0u);
}

TEST_F(SerialPortTest, PurgeDiscardsWhatArrived) {
  ASSERT_TRUE(port_.Open());
  pty_.Master().Write(reinterpret_cast<const std::uint8_t*>("stale"), 5);
  for (int i = 0; i < 100 && port_.BytesWaiting() < 5; ++i) SleepMilliseconds(5);
  ASSERT_EQ(port_.BytesWaiting(), 5u);
  EXPECT_TRUE(port_.PurgeInput());
  std::uint8_t buffer[8];
  std::uint32_t count = 0;
  port_.SetReadWait(10);
  EXPECT_FALSE(port_.ReadAvailable(buffer, sizeof buffer, count));
}

}  // namespace
}  // namespace corvane
