#include "common/timed_stream.h"

#include <gtest/gtest.h>

#include "common/pty_pair.h"
#include "common/raw_tty.h"

#include <chrono>
#include <string>
#include <thread>

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class TimedStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(near_.Open());
    std::string error;
    far_ = OpenRawTty(near_.SlavePath(), 9600, error);
    ASSERT_TRUE(far_.IsOpen()) << error;
    master_ = TimedStream(std::move(near_.Master()));
  }
  void Send(const std::string& text) {
    ASSERT_TRUE(far_.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  std::string Take(std::size_t capacity) {
    std::uint8_t buffer[64] = {};
    const std::size_t count = master_.ReadNow(buffer, capacity);
    return std::string(reinterpret_cast<char*>(buffer), count);
  }

  PtyPair near_;
  ByteStream far_;
  TimedStream master_;
};

TEST_F(TimedStreamTest, WaitsUntilTheDeadlineOnAQuietLine) {
  const auto deadline = Clock::now() + milliseconds(30);
  EXPECT_FALSE(master_.WaitReadableUntil(deadline));
  EXPECT_GE(Clock::now(), deadline);
  EXPECT_FALSE(master_.WaitReadableUntil(Clock::now() - milliseconds(5))) << "a deadline in the past is a test";
}

TEST_F(TimedStreamTest, ReportsInputAndReadNowTakesAllThatArrived) {
  Send("abc");
  Send("defg");
  ASSERT_TRUE(master_.WaitReadableUntil(Clock::now() + milliseconds(2000)));
  std::this_thread::sleep_for(milliseconds(20));  // both writes are through the line discipline
  EXPECT_EQ(Take(64), "abcdefg");
  EXPECT_EQ(Take(64), "") << "a drained stream gives nothing, at once";
}

TEST_F(TimedStreamTest, ReadNowStopsAtItsCapacityAndKeepsTheRest) {
  Send("0123456789");
  ASSERT_TRUE(master_.WaitReadableUntil(Clock::now() + milliseconds(2000)));
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_EQ(Take(4), "0123");
  EXPECT_EQ(Take(64), "456789");
}

TEST(TimedStreamClosed, NeverReadable) {
  TimedStream closed;
  EXPECT_FALSE(closed.WaitReadableUntil(Clock::now() + milliseconds(10)));
}

}  // namespace
}  // namespace corvane
