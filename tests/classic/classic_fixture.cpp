#include "classic/classic_fixture.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "hostfiles/transfer_slots.h"
#include "platform/tick.h"
#include "serial/serial_io.h"

namespace corvane::testing {

void ResetClassicEngine() {
  ClassicLink() = ClassicLinkState{};
  ClassicConfig() = ClassicSettings{};
  Slots() = TransferSlots{};
  Session().bytesDone = 0;
}

FastClock::FastClock() : savedLastTick_(SerialInputs().lastTick) {
  auto now = std::make_shared<std::atomic<std::uint32_t>>(TickCount());
  SetTickSource([now] { return now->fetch_add(250); });
}

FastClock::~FastClock() {
  SetTickSource({});
  SerialInputs().lastTick = savedLastTick_;
}

EngineRun::~EngineRun() {
  if (!Finished(0)) Session().cancelEvent.Set();
  done_.wait();
}

bool EngineRun::Finished(std::uint32_t waitMs) {
  return done_.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<KermitFrame> SplitPackets(const std::string& bytes) {
  std::vector<KermitFrame> frames;
  for (std::size_t at = bytes.find('\x01'); at != std::string::npos; at = bytes.find('\x01', at + 1)) {
    if (auto frame = ParseKermitPacket(std::string_view(bytes).substr(at))) frames.push_back(*frame);
  }
  return frames;
}

void ClassicPeerTest::SetUp() {
  ASSERT_TRUE(peer_.IsReady());
  ResetClassicEngine();
  previousDirectory_ = std::filesystem::current_path();
  scratch_ = std::filesystem::temp_directory_path() / ("corvane-classic-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(scratch_);
  std::filesystem::current_path(scratch_);
  if (const char* temporary = std::getenv("TMPDIR")) previousTemporary_ = temporary;
  ::setenv("TMPDIR", scratch_.c_str(), 1);
}

void ClassicPeerTest::TearDown() {
  run_.reset();
  previousTemporary_ ? ::setenv("TMPDIR", previousTemporary_->c_str(), 1) : ::unsetenv("TMPDIR");
  std::error_code ignored;
  std::filesystem::current_path(previousDirectory_, ignored);
  std::filesystem::remove_all(scratch_, ignored);
  ResetClassicEngine();
}

void ClassicPeerTest::Start(int event, std::function<void()> engine) {
  ClassicLink().pendingPacketType = event;
  run_ = std::make_unique<EngineRun>(std::move(engine));
}

KermitFrame ClassicPeerTest::Expect(char type, int sequence) {
  const std::string bytes = peer_.ReceiveUntil('\r', 5000);
  const KermitFrame frame = ParseKermitPacket(bytes).value_or(KermitFrame{});
  EXPECT_EQ(frame.type, type) << "received: " << Hex(bytes);
  EXPECT_EQ(frame.sequence, sequence) << "type " << frame.type;
  EXPECT_TRUE(frame.checkGood);
  return frame;
}

}  // namespace corvane::testing
