#include "lineemu/line_direction.h"

#include <gtest/gtest.h>

#include "common/pty_pair.h"
#include "common/raw_tty.h"

#include <chrono>
#include <string>
#include <thread>

namespace corvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One direction of the emulated line between two pty pairs: the test writes at
// the slave of `in_` and reads at the slave of `out_`.
class LineDirectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(in_.Open());
    ASSERT_TRUE(out_.Open());
    std::string error;
    writer_ = OpenRawTty(in_.SlavePath(), 9600, error);
    reader_ = OpenRawTty(out_.SlavePath(), 9600, error);
    ASSERT_TRUE(writer_.IsOpen() && reader_.IsOpen()) << error;
    from_ = TimedStream(std::move(in_.Master()));
    to_ = TimedStream(std::move(out_.Master()));
  }

  void Start(const LineShape& shape, std::uint64_t seed = 1) {
    direction_ = std::make_unique<LineDirection>(from_, to_, shape, seed);
    relay_ = std::jthread([this](std::stop_token stop) { direction_->Run(stop); });
  }
  void Stop() {
    relay_.request_stop();
    relay_.join();
  }

  // Writes `text` and collects what arrives until `expected` bytes came or the line stayed quiet.
  std::string Pass(const std::string& text, std::size_t expected) {
    EXPECT_TRUE(writer_.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    std::string seen;
    std::uint8_t buffer[512];
    while (seen.size() < expected) {
      const std::size_t count = reader_.ReadAvailable(buffer, sizeof buffer, 500);
      if (count == 0) break;
      seen.append(reinterpret_cast<char*>(buffer), count);
    }
    return seen;
  }

  PtyPair in_;
  PtyPair out_;
  ByteStream writer_;
  ByteStream reader_;
  TimedStream from_;
  TimedStream to_;
  std::unique_ptr<LineDirection> direction_;
  std::jthread relay_;
};

std::string Sample(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text += static_cast<char>(i * 7 + 1);
  return text;
}

TEST_F(LineDirectionTest, DeliversEveryByteInOrderNoSoonerThanTheLineAllows) {
  LineShape shape;
  shape.baudRate = 9600;  // 96 bytes are 100 ms on the wire
  Start(shape);
  const std::string sample = Sample(96);
  const auto started = Clock::now();
  EXPECT_EQ(Pass(sample, sample.size()), sample);
  EXPECT_GE(Clock::now() - started, milliseconds(99)) << "bytes overtook the line rate";
  Stop();
  EXPECT_EQ(direction_->Counts().bytesIn, 96u);
  EXPECT_EQ(direction_->Counts().bytesOut, 96u);
  EXPECT_GE(direction_->Counts().lastOut - direction_->Counts().firstIn, milliseconds(99));
}

TEST_F(LineDirectionTest, LosesEveryByteAtCertainLossYetCountsIt) {
  LineShape shape;
  shape.baudRate = 115200;
  shape.faults.dropProbability = 1.0;
  Start(shape);
  EXPECT_EQ(Pass(Sample(40), 1), "");
  Stop();
  EXPECT_EQ(direction_->Counts().dropped, 40u);
  EXPECT_EQ(direction_->Counts().bytesOut, 0u);
}

TEST_F(LineDirectionTest, CorruptionChangesEveryChosenByteAndFollowsTheSeed) {
  LineShape shape;
  shape.baudRate = 115200;
  shape.faults.corruptProbability = 1.0;
  const std::string sample = Sample(64);
  Start(shape, 42);
  const std::string first = Pass(sample, sample.size());
  Stop();
  ASSERT_EQ(first.size(), sample.size());
  for (std::size_t i = 0; i < sample.size(); ++i) EXPECT_NE(first[i], sample[i]) << "byte " << i;
  EXPECT_EQ(direction_->Counts().corrupted, 64u);

  Start(shape, 42);
  EXPECT_EQ(Pass(sample, sample.size()), first) << "the same seed damages the same way";
  Stop();
}

}  // namespace
}  // namespace corvane::bench
