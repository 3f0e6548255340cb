#include "corvane-dc/simulated_device.h"

#include <chrono>

#include "common/raw_tty.h"
#include "corvane-dc/classic_device.h"
#include "corvane-dc/device_line.h"
#include "corvane-dc/served_directory.h"
#include "corvane-dc/wide_device.h"

namespace corvane::dc {

SimulatedDevice::SimulatedDevice(DeviceOptions options) : options_(std::move(options)) {}

SimulatedDevice::~SimulatedDevice() { Stop(); }

bool SimulatedDevice::Start(ByteStream& line) { return Launch(line); }

bool SimulatedDevice::Start(const std::string& ttyPath) {
  ownTty_ = OpenRawTty(ttyPath, options_.baudRate, startError_);
  return ownTty_.IsOpen() && Launch(ownTty_);
}

bool SimulatedDevice::Launch(ByteStream& line) {
  if (thread_.joinable()) {
    startError_ = "already started";
    return false;
  }
  if (!ServedDirectory(options_.directory).IsUsable()) {
    startError_ = "not a directory: " + options_.directory;
    return false;
  }
  if (!log_.Open(options_.logPath)) {
    startError_ = "cannot write the log " + options_.logPath;
    return false;
  }
  stop_.store(false);
  {
    std::lock_guard lock(mutex_);
    finished_ = false;
    outcomes_.clear();
  }
  thread_ = std::thread([this, &line] { Play(line); });
  return true;
}

void SimulatedDevice::Play(ByteStream& line) {
  ServedDirectory files(options_.directory);
  DeviceLine deviceLine(line, options_.framing, options_.faults, log_, stop_);
  EngineSettings settings{options_.timeoutSeconds, options_.retries, options_.faults.errorText};
  ClassicDevice classic(deviceLine, files, settings);
  WideDevice wide(deviceLine, files, settings);
  log_.Note(std::string(options_.framing == Framing::Wide ? "wide" : "classic") + " device serving " +
            files.Root().string());
  for (const Role& role : options_.script) {
    if (stop_.load()) break;
    log_.Note("role: " + DescribeRole(role));
    Outcome outcome = options_.framing == Framing::Wide ? wide.Run(role) : classic.Run(role);
    log_.Note(std::string(outcome.success ? "done: " : "failed: ") + outcome.detail);
    std::lock_guard lock(mutex_);
    outcomes_.push_back(std::move(outcome));
    outgoingFaults_ = deviceLine.OutgoingFaults().Events();
    incomingFaults_ = deviceLine.IncomingFaults().Events();
  }
  std::lock_guard lock(mutex_);
  outgoingFaults_ = deviceLine.OutgoingFaults().Events();
  incomingFaults_ = deviceLine.IncomingFaults().Events();
  finished_ = true;
  finishedChanged_.notify_all();
}

void SimulatedDevice::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  ownTty_.Close();
}

bool SimulatedDevice::WaitFinished(std::uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_; });
}

bool SimulatedDevice::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

std::vector<Outcome> SimulatedDevice::Outcomes() const {
  std::lock_guard lock(mutex_);
  return outcomes_;
}

std::vector<FaultEvent> SimulatedDevice::OutgoingFaults() const {
  std::lock_guard lock(mutex_);
  return outgoingFaults_;
}

std::vector<FaultEvent> SimulatedDevice::IncomingFaults() const {
  std::lock_guard lock(mutex_);
  return incomingFaults_;
}

bool PtyDevice::Start() {
  if (!pty_.Open()) return false;
  return device_.Start(pty_.Master());
}

}  // namespace corvane::dc
