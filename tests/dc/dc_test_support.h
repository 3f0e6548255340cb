// Shared by the simulator's tests: a raw PC side on a pty slave, and file helpers.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "corvane-dc/device_line.h"
#include "platform/tty.h"
#include "support/serial_peer.h"

namespace corvane::dc::testing {

// The PC end as bytes: what the test writes and reads goes to the device as is.
class RawPc {
 public:
  RawPc(const std::string& slavePath, Framing framing) : line_(tty_, framing, {}, log_, stop_) {
    open_ = tty_.Open(slavePath) && tty_.Apply(9600, kParityNone, 8);
  }
  bool IsOpen() const { return open_; }
  void Send(const std::string& bytes) {
    tty_.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  // What arrives until the line has been quiet for `quietMs`, as hex pairs.
  std::string ReceiveHex(std::uint32_t quietMs = 400) {
    std::uint8_t buffer[2048];
    const std::size_t count = tty_.ReadAvailable(buffer, sizeof buffer, quietMs);
    return corvane::testing::Hex(std::string(reinterpret_cast<char*>(buffer), count));
  }
  ReadResult Read(FrameParser parse, std::uint32_t waitMs = 2000) { return line_.Read(parse, waitMs, 1000); }

 private:
  TtyDevice tty_;
  PacketLog log_;
  std::atomic<bool> stop_{false};
  DeviceLine line_;
  bool open_ = false;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Bytes of every value, in an order that is not a plain count.
inline std::string MixedBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
  return bytes;
}

}  // namespace corvane::dc::testing
