// A simulated Data Collector on the master side of a pty pair, serving a fresh
// temporary directory; the test opens SlavePath() as the PC side.
// Header only: it is compiled into the test programs that link corvane_dc.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "corvane-dc/simulated_device.h"

namespace corvane::testing {

// A fresh temporary directory, removed with its contents at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device random;
    std::error_code error;
    // A path that could not be made is reported by the device's Start() as not a directory.
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = std::filesystem::temp_directory_path(error) / ("corvane-dc-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_, error)) break;
    }
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Bytes of every value, in an order that is not a plain count.
inline std::string MixedBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
  return bytes;
}

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
  const std::filesystem::path& Served() const { return served_.Path(); }
  dc::SimulatedDevice& Device() { return device_.Device(); }
  const std::string& StartError() { return device_.Device().StartError(); }
  // The packet log as one text, for failure messages.
  std::string Log() {
    std::string text;
    for (const std::string& line : device_.Device().LogLines()) text += line + "\n";
    return text;
  }

 private:
  static dc::DeviceOptions WithDirectory(dc::DeviceOptions options, const std::filesystem::path& served) {
    options.directory = served.string();
    return options;
  }

  ScratchDir served_;  // made before the device and removed after it has stopped
  dc::PtyDevice device_;
};

}  // namespace corvane::testing
