// A simulated Data Collector for integration tests: it runs on the master side
// of a pty pair and serves a fresh temporary directory; the test opens
// SlavePath() with the library (or a Kermit program) as the PC side.
//
//   DcFixture dc(dc::Framing::Wide);                 // serves until the end
//   ASSERT_TRUE(dc.Start()) << dc.StartError();
//   TransferOpenDevice(dc.SlavePath(), 9600, 0, nullptr); ... TransferSend(...)
//   dc.Stop();  EXPECT_TRUE(exists(dc.Served() / "JOB.CR5"));
//
// Header only: it is compiled into the test programs that link corvane_dc.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "corvane-dc/simulated_device.h"

namespace corvane::testing {

class DcFixture {
 public:
  explicit DcFixture(dc::Framing framing, std::vector<dc::Role> script = {dc::Role::Serve()},
                     dc::FaultOptions faults = {})
      : DcFixture(Options(framing, std::move(script), faults)) {}
  // Full control; the served directory is filled in here.
  explicit DcFixture(dc::DeviceOptions options)
      : served_(MakeServedDirectory()), device_(WithDirectory(std::move(options), served_)) {}
  ~DcFixture() {
    device_.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(served_, ignored);
  }
  DcFixture(const DcFixture&) = delete;
  DcFixture& operator=(const DcFixture&) = delete;

  bool Start() { return device_.Start(); }
  void Stop() { device_.Stop(); }
  const std::string& SlavePath() const { return device_.SlavePath(); }
  const std::filesystem::path& Served() const { return served_; }
  dc::SimulatedDevice& Device() { return device_.Device(); }
  const std::string& StartError() { return device_.Device().StartError(); }
  // The packet log as one text, for failure messages.
  std::string Log() {
    std::string text;
    for (const std::string& line : device_.Device().LogLines()) text += line + "\n";
    return text;
  }

 private:
  static std::filesystem::path MakeServedDirectory() {
    std::random_device random;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::filesystem::path path;
    // A path that could not be made is reported by Start() as not a directory.
    for (int attempt = 0; attempt < 100; ++attempt) {
      path = base / ("corvane-dc-" + std::to_string(random()));
      if (std::filesystem::create_directory(path, error)) break;
    }
    return path;
  }
  static dc::DeviceOptions Options(dc::Framing framing, std::vector<dc::Role> script, const dc::FaultOptions& faults) {
    dc::DeviceOptions options;
    options.framing = framing;
    options.script = std::move(script);
    options.faults = faults;
    return options;
  }
  static dc::DeviceOptions WithDirectory(dc::DeviceOptions options, const std::filesystem::path& served) {
    options.directory = served.string();
    return options;
  }

  std::filesystem::path served_;
  dc::PtyDevice device_;
};

}  // namespace corvane::testing
