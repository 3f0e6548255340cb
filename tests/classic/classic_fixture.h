// Shared set-up for the classic engine tests: a fresh engine in a scratch
// directory, run on its own thread against a scripted peer on a pty.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "platform/tick.h"
#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"
#include "support/kermit_frames.h"
#include "support/serial_peer.h"

namespace corvane::testing {

inline const std::string kPcInit = "z' @-#";
inline const std::string kPeerInit = "~/ @-#";  // MAXL 94, TIME 15, EOL CR, prefix '#'

// The engine's clock runs 250 ms a reading, so read time-outs pass in
// milliseconds. Only while no engine thread starts or stops.
class FastClock {
 public:
  FastClock() {
    auto now = std::make_shared<std::atomic<std::uint32_t>>(TickCount());
    SetTickSource([now] { return now->fetch_add(250); });
  }
  ~FastClock() {
    SetTickSource({});
    SerialPort().Input().lastTick = savedLastTick_;
  }

 private:
  std::uint32_t savedLastTick_ = SerialPort().Input().lastTick;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::size_t CountPackets(const std::string& bytes) {
  std::size_t count = 0;
  for (std::size_t at = bytes.find('\x01'); at != std::string::npos; at = bytes.find('\x01', at + 1)) {
    count += ParseKermitPacket(std::string_view(bytes).substr(at)).has_value();
  }
  return count;
}

class ClassicPeerTest : public ::testing::Test {
 protected:
  // A fresh current directory, also TMPDIR, for the test's duration.
  void SetUp() override {
    ASSERT_TRUE(peer_.IsReady());
    NewExchange();
    scratch_ = std::filesystem::temp_directory_path() / ("corvane-classic-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(scratch_);
    std::filesystem::current_path(scratch_);
    if (const char* temporary = std::getenv("TMPDIR")) previousTemporary_ = temporary;
    ::setenv("TMPDIR", scratch_.c_str(), 1);
  }

  void TearDown() override {
    if (run_.valid() && !Finished(0)) Session().cancelEvent.Set();
    if (run_.valid()) run_.wait();
    previousTemporary_ ? ::setenv("TMPDIR", previousTemporary_->c_str(), 1) : ::unsetenv("TMPDIR");
    std::error_code ignored;
    std::filesystem::current_path(previousDirectory_, ignored);
    std::filesystem::remove_all(scratch_, ignored);
  }

  // A classic exchange with the compiled defaults, and the counters at 0.
  void NewExchange() {
    link_ = std::make_unique<ClassicLinkState>();
    Session().bytesDone = 0;
  }
  ClassicLinkState& Link() { return *link_; }

  // Runs `engine` on its own thread with `event` pending and the cancel event
  // clear; a run still going at the end of the test is cancelled.
  void Start(int event, std::function<void()> engine) {
    Session().cancelEvent.Reset();
    Link().pendingPacketType = event;
    run_ = std::async(std::launch::async, std::move(engine));
  }
  bool Finished(std::uint32_t waitMs = 3000) {
    return run_.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready;
  }
  void Reply(char type, int sequence, const std::string& data = {}) { peer_.Send(KermitPacket(type, sequence, data)); }

  // The engine's next packet, checked for type, number and a good check.
  KermitFrame Expect(char type, int sequence) {
    const std::string bytes = peer_.ReceiveUntil('\r', 5000);
    const KermitFrame frame = ParseKermitPacket(bytes).value_or(KermitFrame{});
    EXPECT_EQ(frame.type, type) << "received: " << Hex(bytes);
    EXPECT_EQ(frame.sequence, sequence) << "type " << frame.type;
    EXPECT_TRUE(frame.checkGood);
    return frame;
  }
  KermitFrame Exchange(char type, int sequence, const std::string& data, char answer, int answerSequence) {
    Reply(type, sequence, data);
    return Expect(answer, answerSequence);
  }

  // The peer's side as steps: "<D2 a#Mb" sends D 2 with that data, ">Y2"
  // expects the engine's next packet to be Y 2 with no data, "!" signals the
  // cancel event, anything else sends a line of noise.
  void Play(const std::vector<std::string>& steps) {
    for (const std::string& step : steps) {
      SCOPED_TRACE(step);
      const std::size_t space = std::min(step.find(' '), step.size());
      const int sequence = step.size() > 2 ? std::stoi(step.substr(2, space - 2)) : 0;
      const std::string data = step.substr(std::min(space + 1, step.size()));
      if (step[0] == '>') {
        EXPECT_EQ(Expect(step[1], sequence).data, data);
      } else if (step[0] == '<') {
        Reply(step[1], sequence, data);
      } else if (step[0] == '!') {
        Session().cancelEvent.Set();
      } else {
        peer_.Send("noise\r");
      }
    }
  }

  // The run has ended with `outcome`, the line is quiet and no output is open.
  void ExpectEnd(EngineOutcome outcome) {
    ASSERT_TRUE(Finished());
    ExpectSilence(100);
    EXPECT_EQ(Link().errorFlag, outcome);
    EXPECT_FALSE(Link().streams.ReceiveFileOpen());
  }
  void ExpectSilence(std::uint32_t quietMs = 200) { EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(quietMs)), ""); }

  SerialPeer peer_;
  std::future<void> run_;
  std::unique_ptr<ClassicLinkState> link_;

 private:
  std::filesystem::path previousDirectory_ = std::filesystem::current_path();
  std::filesystem::path scratch_;
  std::optional<std::string> previousTemporary_;
};

}  // namespace corvane::testing
