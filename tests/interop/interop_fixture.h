// The corvane command on one end of a null-modem pty cable and a real Kermit
// program (C-Kermit or G-Kermit) on the other, each in its own directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "support/files.h"
#include "support/kermit_peer.h"
#include "support/line_relay.h"

namespace corvane::testing {

inline constexpr int kInteropBaud = 38400;

class InteropTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `corvane --port <pc end> --baud ... --quiet <arguments>` in pcDir and returns its exit status.
  int RunCorvane(const std::vector<std::string>& arguments, std::uint32_t timeoutMs = 60000);
  std::string CorvaneOutput() const;  // stdout and stderr of the last run

  void StartCKermit(const std::string& commands);
  void StartGKermit(const std::vector<std::string>& options);
  // Waits for the Kermit peer to end; its exit status.
  int WaitForKermit(std::uint32_t timeoutMs = 30000);
  std::string KermitLog() const;

  // Kermit programs store names in their own case: the file of that name whatever its case.
  static std::string ReadFileAnyCase(const std::filesystem::path& directory, const std::string& name);

  std::filesystem::path pcDir;
  std::filesystem::path kermitDir;
  LineRelay line;
  ChildProcess kermit;
};

}  // namespace corvane::testing
