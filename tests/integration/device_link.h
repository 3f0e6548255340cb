// The library against the simulated Data Collector over a pty pair. Each test
// gets a fresh tree: pc/ (the process's current directory while it runs),
// served/ (the device's files) and outbox/ (files the device pushes).
//
// The fixture is the host: it starts the device when an operation opens its
// progress window, so that the operation's flush of stale input cannot swallow
// the device's first packet.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/pty_pair.h"
#include "corvane-dc/simulated_device.h"
#include "corvane32/corvane32.h"
#include "platform/scratch_directory.h"
#include "support/files.h"
#include "support/recording_host.h"

namespace corvane::testing {

namespace fs = std::filesystem;

inline std::vector<std::string> FileNames(const fs::path& directory) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class DeviceLinkTest : public ::testing::Test, public RecordingHost {
 protected:
  void SetUp() override {
    for (const fs::path& folder : {Pc(), Served(), Outbox()}) fs::create_directory(folder);
    savedDirectory_ = fs::current_path();
    fs::current_path(Pc());
    TransferSetHostUi(this);
  }

  void TearDown() override {
    device_.reset();
    TransferCloseCom();
    TransferSetHostUi(nullptr);
    TransferSetSaveAsHandler({});
    TransferSetServerRoot("");
    TransferSetOtherPlatform(1);
    fs::current_path(savedDirectory_);
  }

  void OnProgressWindow() override {
    if (!plan_) return;
    device_.reset();
    options_.script = std::move(*plan_);
    plan_.reset();
    device_ = std::make_unique<dc::SimulatedDevice>(options_);
    EXPECT_TRUE(device_->Start(pty_.Master())) << device_->StartError();
  }

  // Opens the PC's end of a fresh line (platform value first); the device follows with the next operation.
  void UseDevice(dc::Framing framing, int platform, dc::FaultOptions faults = {}, int deviceTimeoutSeconds = 3) {
    TransferSetOtherPlatform(platform);
    options_.framing = framing;
    options_.directory = Served().string();
    options_.faults = std::move(faults);
    options_.timeoutSeconds = deviceTimeoutSeconds;
    ASSERT_TRUE(pty_.Open());
    ASSERT_TRUE(TransferOpenDevice(pty_.SlavePath(), 9600, 0, nullptr));
    plan_ = std::vector<dc::Role>{dc::Role::Serve()};
  }
  // The device plays this script from the start of the next operation on.
  void Plan(std::vector<dc::Role> script) { plan_ = std::move(script); }
  std::string InOutbox(const std::string& name, const std::string& content) {
    WriteFile(Outbox() / name, content);
    return (Outbox() / name).string();
  }
  void PlanPush(const std::string& name, const std::string& data) { Plan({dc::Role::Send(InOutbox(name, data))}); }
  dc::SimulatedDevice& Device() { return *device_; }
  // The last result and the device's log, for failure messages.
  std::string Why() {
    std::string text = "result " + std::to_string(TransferGetLastError()) + "\n";
    for (const std::string& line : device_ ? device_->LogLines() : std::vector<std::string>{}) text += line + "\n";
    return text;
  }
  // TransferServer until the device has played its script, then TransferCancel from the host.
  bool ServeUntilScriptEnds() {
    // The deadline only guards against a hang; the script's outcomes tell what went wrong.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(45);
    StopWhen(false, [this, deadline] {
      return (device_ && device_->Finished()) || std::chrono::steady_clock::now() > deadline;
    });
    const bool result = TransferServer();
    StopWhen(false, nullptr);
    return result;
  }

  fs::path Pc() const { return fs::path(root_.Path()) / "pc"; }
  fs::path Served() const { return fs::path(root_.Path()) / "served"; }
  fs::path Outbox() const { return fs::path(root_.Path()) / "outbox"; }

 private:
  ScratchDirectory root_;
  fs::path savedDirectory_;
  dc::DeviceOptions options_;
  std::optional<std::vector<dc::Role>> plan_;
  PtyPair pty_;
  std::unique_ptr<dc::SimulatedDevice> device_;  // after the pty: stopped before it closes
};

}  // namespace corvane::testing
