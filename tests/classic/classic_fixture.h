// Shared set-up for the classic engine tests: a fresh engine in a scratch
// directory, run on its own thread against a scripted peer on a pty.
#pragma once

#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/kermit_frames.h"
#include "support/serial_peer.h"

namespace corvane::testing {

inline const std::string kPcInit = "z' @-#";
inline const std::string kPeerInit = "~/ @-#";  // MAXL 94, TIME 15, EOL CR, prefix '#'

// Back to the compiled defaults: settings, link state, slots, counters.
void ResetClassicEngine();

// The engine's clock runs 250 ms a reading, so read time-outs pass in
// milliseconds. Only while no engine thread starts or stops.
class FastClock {
 public:
  FastClock();
  ~FastClock();

 private:
  std::uint32_t savedLastTick_;
};

// A run of an engine entry on its own thread; one still going at the end is cancelled.
class EngineRun {
 public:
  explicit EngineRun(std::function<void()> body) : done_(std::async(std::launch::async, std::move(body))) {}
  ~EngineRun();
  bool Finished(std::uint32_t waitMs = 3000);

 private:
  std::future<void> done_;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);
std::vector<KermitFrame> SplitPackets(const std::string& bytes);

class ClassicPeerTest : public ::testing::Test {
 protected:
  // A fresh current directory, also TMPDIR, for the test's duration.
  void SetUp() override;
  void TearDown() override;

  void Start(int event, std::function<void()> engine);
  bool Finished(std::uint32_t waitMs = 3000) { return run_->Finished(waitMs); }
  void Reply(char type, int sequence, const std::string& data = {}) {
    peer_.Send(KermitPacket(type, sequence, data));
  }
  // The engine's next packet, checked for type, number and a good check.
  KermitFrame Expect(char type, int sequence);
  KermitFrame Exchange(char type, int sequence, const std::string& data, char answer, int answerSequence) {
    Reply(type, sequence, data);
    return Expect(answer, answerSequence);
  }
  void ExpectSilence(std::uint32_t quietMs = 200) { EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(quietMs)), ""); }

  SerialPeer peer_;
  std::unique_ptr<EngineRun> run_;

 private:
  std::filesystem::path previousDirectory_;
  std::filesystem::path scratch_;
  std::optional<std::string> previousTemporary_;
};

}  // namespace corvane::testing
