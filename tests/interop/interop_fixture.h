// The corvane command on one end of a null-modem pty cable and a real Kermit
// program (C-Kermit or G-Kermit) on the other, each in its own directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "platform/scratch_directory.h"
#include "support/files.h"
#include "support/kermit_peer.h"
#include "support/line_relay.h"

namespace corvane::testing {

inline constexpr int kInteropBaud = 38400;

class InteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.IsReady());
    std::filesystem::create_directory(pcDir);
    std::filesystem::create_directory(kermitDir);
  }

  void TearDown() override { kermit.Kill(); }

  // Runs `corvane --port <pc end> --baud ... --quiet <arguments>` in pcDir and returns its exit status.
  int RunCorvane(const std::vector<std::string>& arguments, std::uint32_t timeoutMs = 60000) {
    ChildOptions options;
    options.arguments = {CORVANE_BINARY, "--port", line.PcEnd(), "--baud", std::to_string(kInteropBaud), "--quiet"};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.workingDirectory = pcDir.string();
    options.outputPath = (pcDir.parent_path() / "corvane.out").string();
    std::filesystem::remove(options.outputPath);
    ChildProcess corvane;
    if (!corvane.Start(options)) return -1;
    return corvane.Wait(timeoutMs).value_or(-2);
  }
  // stdout and stderr of the last run
  std::string CorvaneOutput() const { return ReadFile(pcDir.parent_path() / "corvane.out"); }

  void StartCKermit(const std::string& commands) {
    ASSERT_TRUE(testing::StartCKermit(kermit, line.DeviceEnd(), kInteropBaud, kermitDir.string(), commands))
        << "C-Kermit (Debian package ckermit) must be installed";
  }
  void StartGKermit(const std::vector<std::string>& options) {
    ASSERT_TRUE(testing::StartGKermit(kermit, line.DeviceEnd(), kermitDir.string(), options))
        << "G-Kermit (Debian package gkermit) must be installed";
  }
  // Waits for the Kermit peer to end; its exit status.
  int WaitForKermit(std::uint32_t timeoutMs = 30000) { return kermit.Wait(timeoutMs).value_or(-2); }
  std::string KermitLog() const { return ReadFile(kermitDir / "kermit.log"); }

  ScratchDirectory scratch;
  const std::filesystem::path pcDir = scratch.PathOf("pc");
  const std::filesystem::path kermitDir = scratch.PathOf("kermit");
  LineRelay line;
  ChildProcess kermit;
};

}  // namespace corvane::testing
