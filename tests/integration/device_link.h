// The library against the simulated Data Collector over a pty pair. Each test
// gets a fresh tree: pc/ (the process's current directory while it runs),
// served/ (the device's files) and outbox/ (files the device pushes).
//
// The device is started when an operation begins (from the host's progress
// window), so that the operation's flush of stale input cannot swallow the
// device's first packet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane-dc/simulated_device.h"
#include "corvane32/corvane32.h"
#include "platform/tty.h"

namespace corvane::testing {

// A host that starts the device with each operation and, when asked, stops
// the operation once a condition holds.
class DeviceHost final : public HostUi {
 public:
  enum class Stop { None, PressCancel, CallTransferCancel };

  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow, ProgressInput& input) override;
  bool HasPendingMessage() override;
  void PumpMessage() override;

  std::function<void()> onOperationStart;
  Stop stop = Stop::None;
  std::function<bool()> stopWhen;

 private:
  ProgressInput* input_ = nullptr;
  bool stopped_ = false;
};

class DeviceLinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the PC's end of a fresh line; the device follows with the next operation.
  void UseDevice(dc::Framing framing, dc::FaultOptions faults = {}, int deviceTimeoutSeconds = 3);
  // The device plays this script from the start of the next operation on.
  void Plan(std::vector<dc::Role> script);
  // Waits for the planned script to end and returns its outcomes.
  std::vector<dc::Outcome> Outcomes(std::uint32_t waitMs = 15000);
  dc::SimulatedDevice& Device();
  // Ends the device's script, a serving role included.
  void StopDevice();
  std::string DeviceLog();

  // TransferServer until the device has played its script, then TransferCancel from the host.
  bool ServeUntilScriptEnds();

  std::filesystem::path Pc() const { return root_ / "pc"; }
  std::filesystem::path Served() const { return root_ / "served"; }
  std::filesystem::path Outbox() const { return root_ / "outbox"; }

  DeviceHost host_;

 private:
  void StartPlannedDevice();

  std::filesystem::path root_;
  std::filesystem::path savedDirectory_;
  dc::DeviceOptions options_;
  std::optional<std::vector<dc::Role>> plan_;
  PtyPair pty_;
  std::unique_ptr<dc::SimulatedDevice> device_;  // after the pty: stopped before it closes
};

// File helpers: whole files as bytes, and a directory lookup without regard to case.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory, const std::string& name);
std::vector<std::string> FileNames(const std::filesystem::path& directory);
// Lines of `count` printable characters each, CR LF ended, of `total` bytes in all.
std::string TextLines(std::size_t total, std::size_t lineLength = 60);
// Every byte value, in an order that is not a plain count.
std::string MixedBytes(std::size_t count);
// Packets of `type` the device read from the PC, by their data lengths.
std::vector<std::size_t> ReceivedLengths(const std::vector<std::string>& log, char type);

struct Point {
  std::int32_t number;
  double x, y, z;
  std::string description;
};
// A .CR5 file: a 38-byte header, then 45-byte little-endian records.
std::string CoordinateFile(const std::string& name, const std::vector<Point>& points);
std::vector<Point> CoordinatePoints(const std::string& file);
std::int32_t HighestPointInHeader(const std::string& file);
std::string NameInHeader(const std::string& file);

}  // namespace corvane::testing
