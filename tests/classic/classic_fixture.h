// Shared set-up for the classic engine tests: a fresh engine run on its own
// thread against a scripted peer on a pty.
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "platform/tick.h"
#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"
#include "support/scripted_peer.h"

namespace corvane::testing {

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

// Whole packets in `bytes`, whatever their checks (the probes' are wrong on purpose).
inline std::size_t CountPackets(const std::string& bytes) {
  std::size_t count = 0;
  for (std::size_t at = bytes.find('\x01'); at != std::string::npos; at = bytes.find('\x01', at + 1)) {
    count += dc::ParseClassicFrame(std::string_view(bytes).substr(at)).status != dc::ParseStatus::NeedMore;
  }
  return count;
}

class ClassicPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.IsReady());
    NewExchange();
  }

  void TearDown() override {
    if (run_.valid() && !Finished(0)) Session().cancelEvent.Set();
    if (run_.valid()) run_.wait();
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

  ScriptedPeer peer_{dc::Framing::Classic};
  std::future<void> run_;
  std::unique_ptr<ClassicLinkState> link_;
};

}  // namespace corvane::testing
