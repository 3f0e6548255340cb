// Shared set-up for the wide engine tests: a pty whose far end the test plays
// as the Data Collector, a fresh current directory, and engine runs on a thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "hostfiles/server_root.h"
#include "session/host_seams.h"
#include "session/transfer_session.h"
#include "support/serial_peer.h"
#include "support/wide_frames.h"
#include "wide/wide_context.h"

namespace corvane::testing {

// Type and sequence ("Y0"), then the data ("F1 A.TXT 3") or, for an error
// packet that carries a code, the length ("E0 #255"); " BADCHECK" when the
// check is wrong; "none" when no packet came.
inline std::string Describe(const std::optional<WideFrame>& frame) {
  if (!frame) return "none";
  std::string text = frame->type + std::to_string(frame->sequence);
  if (frame->type == 'E' && frame->data != "File exists") {
    text += " #" + std::to_string(frame->length);
  } else if (!frame->data.empty()) {
    text += " " + frame->data;
  }
  return frame->checkGood ? text : text + " BADCHECK";
}

// Runs `body` on a thread; one still running at the end is cancelled and joined.
class EngineThread {
 public:
  explicit EngineThread(std::function<int()> body) : result_(std::async(std::launch::async, std::move(body))) {}
  ~EngineThread() {
    if (!Result(0)) Session().cancelEvent.Set();
  }
  // The body's result, or nothing when it has not ended within `waitMs`.
  std::optional<int> Result(std::uint32_t waitMs) {
    if (result_.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready) return std::nullopt;
    return result_.get();
  }

 private:
  std::shared_future<int> result_;
};

class WideTestBed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.IsReady());
    Session().bytesDone = Session().bytesTotal = 0;
    directory_ = std::filesystem::temp_directory_path() / ("corvane-wide-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directory(directory_);
    std::filesystem::current_path(directory_);
  }
  void TearDown() override {
    TheHostSeams().saveAs = nullptr;
    Confinement().root.clear();
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  std::optional<WideFrame> NextFrame(std::uint32_t timeoutMs = 5000) { return ReadWidePacket(peer_, timeoutMs); }
  std::string Next(std::uint32_t timeoutMs = 5000) { return Describe(NextFrame(timeoutMs)); }
  void Send(char type, int sequence, std::string_view data = {}) { peer_.Send(WidePacket(type, sequence, data)); }
  // Plays the Data Collector's side: "<F1 A.TXT 3" sends an F with sequence 1
  // and that data, ">Y1" expects the engine's next packet to be described so
  // (see Describe), "!" signals the cancel event, "~" waits 100 ms as a Data
  // Collector does before it speaks to a side that has just flushed its line.
  void Play(const std::vector<std::string>& steps) {
    for (const std::string& step : steps) {
      const std::size_t space = std::min(step.find(' '), step.size());
      if (step[0] == '>') {
        EXPECT_EQ(Next(), step.substr(1)) << "at step " << step;
      } else if (step[0] == '<') {
        Send(step[1], std::stoi(step.substr(2, space - 2)), step.substr(std::min(space + 1, step.size())));
      } else if (step[0] == '!') {
        Session().cancelEvent.Set();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
  }
  // Files by their names below the test's directory.
  std::string ReadFile(const std::string& name) const {
    std::ifstream in(directory_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(directory_ / name, std::ios::binary) << bytes;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(directory_ / name); }
  std::filesystem::path Here() const { return directory_; }

  SerialPeer peer_;
  std::filesystem::path directory_;

 private:
  std::filesystem::path previous_ = std::filesystem::current_path();
};

}  // namespace corvane::testing
