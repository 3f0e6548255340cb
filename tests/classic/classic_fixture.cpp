#include "classic/classic_fixture.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
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
  TransferSlots& slots = Slots();
  slots.nextFileName.clear();
  slots.currentFileName.clear();
  slots.headerName.clear();
  slots.filePending = 0;
  slots.answerAsText = 0;
  slots.overwriteExisting = 0;
  slots.genericCommand.fill(0);
  slots.hostCommand.fill(0);
  Session().bytesDone = 0;
  Session().bytesTotal = 0;
}

FastClock::FastClock() : savedLastTick_(SerialInputs().lastTick) {
  auto now = std::make_shared<std::atomic<std::uint32_t>>(TickCount());
  SetTickSource([now] { return now->fetch_add(250); });
}

FastClock::~FastClock() {
  SetTickSource({});
  SerialInputs().lastTick = savedLastTick_;
}

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  std::random_device seed;
  path_ = std::filesystem::temp_directory_path() / ("corvane-classic-" + std::to_string(seed()));
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
  if (const char* temporary = std::getenv("TMPDIR")) previousTemporary_ = temporary;
  ::setenv("TMPDIR", path_.c_str(), 1);
}

ScratchDirectory::~ScratchDirectory() {
  if (previousTemporary_) {
    ::setenv("TMPDIR", previousTemporary_->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

EngineRun::EngineRun(std::function<void()> body) : done_(std::async(std::launch::async, std::move(body))) {}

EngineRun::~EngineRun() {
  if (!Finished(0)) {
    Session().cancelEvent.Set();
    done_.wait();
  }
}

bool EngineRun::Finished(std::uint32_t waitMs) {
  return done_.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<KermitFrame> SplitPackets(std::string_view bytes) {
  std::vector<KermitFrame> frames;
  for (std::size_t at = bytes.find('\x01'); at != std::string_view::npos; at = bytes.find('\x01', at + 1)) {
    if (auto frame = ParseKermitPacket(bytes.substr(at))) frames.push_back(*frame);
  }
  return frames;
}

void ClassicPeerTest::SetUp() {
  ASSERT_TRUE(peer_.IsReady());
  ResetClassicEngine();
}

void ClassicPeerTest::TearDown() { ResetClassicEngine(); }

KermitFrame ClassicPeerTest::NextPacket(std::uint32_t timeoutMs) {
  const std::string bytes = peer_.ReceiveUntil('\r', timeoutMs);
  auto frame = ParseKermitPacket(bytes);
  EXPECT_TRUE(frame.has_value()) << "no packet, got: " << Hex(bytes);
  return frame.value_or(KermitFrame{});
}

KermitFrame ClassicPeerTest::Expect(char type, int sequence, std::uint32_t timeoutMs) {
  KermitFrame frame = NextPacket(timeoutMs);
  EXPECT_EQ(frame.type, type) << "data: " << frame.data;
  EXPECT_EQ(frame.sequence, sequence) << "type " << frame.type;
  EXPECT_TRUE(frame.checkGood);
  return frame;
}

void ClassicPeerTest::Reply(char type, int sequence, std::string_view data) {
  peer_.Send(KermitPacket(type, sequence, data));
}

void ClassicPeerTest::ExpectSilence(std::uint32_t quietMs) {
  EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(quietMs)), "");
}

}  // namespace corvane::testing
