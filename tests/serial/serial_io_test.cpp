#include <gtest/gtest.h>

#include <thread>

#include "platform/thread.h"
#include "platform/tick.h"
#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"
#include "support/serial_peer.h"

namespace corvane {
namespace {

using testing::SerialPeer;

constexpr std::uint8_t kCr = 13;

class SerialReadLineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(peer_.IsReady()); }

  int ReadLine(int size = 512, int timeoutSeconds = 2) {
    return SerialReadLine(buffer_, size, kCr, timeoutSeconds);
  }
  std::string Line() const { return reinterpret_cast<const char*>(buffer_); }

  SerialPeer peer_;
  std::uint8_t buffer_[613] = {};
};

// Lines cut at their end, and bytes behind it waiting, are pinned through the classic packet reader.
TEST_F(SerialReadLineTest, AFullBufferEndsTheReadAndTheRestWaits) {
  peer_.Send("0123456789\r");
  EXPECT_EQ(ReadLine(4), 4);
  EXPECT_EQ(Line(), "0123");
  EXPECT_EQ(ReadLine(), 6);
  EXPECT_EQ(Line(), "456789");
}

TEST_F(SerialReadLineTest, JoinsBurstsThatArriveApart) {
  std::thread late([this] {
    peer_.Send("first ");
    SleepMilliseconds(60);
    peer_.Send("second\r");
  });
  EXPECT_EQ(ReadLine(), 12);
  late.join();
  EXPECT_EQ(Line(), "first second");
}

// A cancel ends the wait for a line, but not the reading of one already there.
TEST_F(SerialReadLineTest, AReadyLineIsReadDespiteCancel) {
  peer_.Send("ready\r");
  SleepMilliseconds(20);
  Session().cancelEvent.Set();
  EXPECT_EQ(ReadLine(), 5);
  EXPECT_EQ(ReadLine(512, 5), -2);
}

TEST_F(SerialReadLineTest, ByteReadyDoesNotConsumeAndFlushDiscards) {
  peer_.Send("x");
  SleepMilliseconds(20);
  EXPECT_EQ(SerialByteReady(), 1);
  EXPECT_EQ(SerialByteReady(), 1);
  EXPECT_EQ(SerialGetByte(), 'x');
  peer_.Send("old\rolder\r");
  EXPECT_EQ(ReadLine(), 3);
  SerialFlushInput();
  peer_.Send("new\r");
  EXPECT_EQ(ReadLine(), 3);
  EXPECT_EQ(Line(), "new");
}

TEST(SerialSendTest, ReportsTheLengthEvenOnAClosedPort) {
  const std::uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(SerialSend(bytes, 3), 3);
  EXPECT_FALSE(SerialWrite(bytes, 3));
}

class TickTest : public ::testing::Test {
 protected:
  void SetUp() override { SerialPort().Input().lastTick = 0; }
  void TearDown() override {
    SetTickSource({});
    SerialPort().Input().lastTick = 0;
  }
  void SetTick(std::uint32_t value) {
    now_ = value;
    SetTickSource([this] { return now_; });
  }
  std::uint32_t now_ = 0;
};

TEST_F(TickTest, FollowsTheTickAndKeepsDifferencesAcrossTheHalfRange) {
  for (std::uint32_t tick : {0u, 1000u, 0x7FFFFFFFu}) {
    SetTick(tick);
    EXPECT_EQ(GetTick(), tick);
  }
  SerialPort().Input().lastTick = 0;
  SetTick(0x80000010u);
  EXPECT_EQ(GetTick(), 0x11u);
  SetTick(0x80000020u);
  EXPECT_EQ(GetTick(), 0x21u);
}

TEST_F(TickTest, SecondsTimerExpiresAfterOneSecondMore) {
  SetTick(5000);
  SecondsTimer(-1);
  struct Case {
    std::uint32_t after;
    int seconds;
    int expected;
  };
  for (const Case& c : {Case{999, 0, 0}, Case{1000, 0, -1}, Case{1999, 1, 0}, Case{2000, 1, -1}, Case{5999, 5, 0},
                        Case{6000, 5, -1}}) {
    SetTick(5000 + c.after);
    EXPECT_EQ(SecondsTimer(c.seconds), c.expected) << c.after << " ms, " << c.seconds << " s";
  }
}

}  // namespace
}  // namespace corvane
