// A simulated Data Collector on the master side of a pty pair, serving a fresh
// temporary directory; the test opens SlavePath() as the PC side.
// Header only: it is compiled into the test programs that link corvane_dc.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "corvane-dc/simulated_device.h"
#include "platform/scratch_directory.h"
#include "support/files.h"

namespace corvane::testing {

inline dc::DeviceOptions DeviceFor(dc::Framing framing, std::vector<dc::Role> script = {dc::Role::Serve()}) {
  dc::DeviceOptions options;
  options.framing = framing;
  options.script = std::move(script);
  return options;
}

class DcFixture {
 public:
  explicit DcFixture(dc::DeviceOptions options) : device_(WithDirectory(std::move(options), served_.Path())) {}
  explicit DcFixture(dc::Framing framing, std::vector<dc::Role> script = {dc::Role::Serve()})
      : DcFixture(DeviceFor(framing, std::move(script))) {}

  bool Start() { return device_.Start(); }
  void Stop() { device_.Stop(); }
  const std::string& SlavePath() const { return device_.SlavePath(); }
  std::filesystem::path Served() const { return served_.Path(); }
  dc::SimulatedDevice& Device() { return device_.Device(); }
  const std::string& StartError() { return device_.Device().StartError(); }
  // The packet log as one text, for failure messages.
  std::string Log() {
    std::string text;
    for (const std::string& line : device_.Device().LogLines()) text += line + "\n";
    return text;
  }

 private:
  static dc::DeviceOptions WithDirectory(dc::DeviceOptions options, const std::string& served) {
    options.directory = served;
    return options;
  }

  ScratchDirectory served_;  // made before the device and removed after it has stopped
  dc::PtyDevice device_;
};

}  // namespace corvane::testing
