// A scratch directory for a test of the corvane command (dc/ inside it for a
// simulated Data Collector's files), and the command run there as a child.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "platform/scratch_directory.h"
#include "support/files.h"

namespace corvane {

class CommandWorkspace : public ::testing::Test {
 protected:
  CommandWorkspace() : workspace_(scratch_.Path()) { std::filesystem::create_directories(workspace_ / "dc"); }

  // Starts `corvane ARGUMENTS` in the workspace; its stdout and stderr go to Output(), or
  // with `terminal` it runs in that terminal (its input too).
  bool StartCorvane(ChildProcess& corvane, const std::vector<std::string>& arguments, const std::string& terminal = "") {
    ChildOptions run;
    run.arguments = {CORVANE_BINARY};
    run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
    run.workingDirectory = workspace_.string();
    run.outputPath = (workspace_ / "output").string();
    if (!terminal.empty()) run.inputPath = run.outputPath = terminal;
    return corvane.Start(run);
  }
  // Runs it to its end: the exit status, or nullopt when it still runs after the guard.
  std::optional<int> RunCorvane(const std::vector<std::string>& arguments, std::uint32_t guardMs = 60000) {
    ChildProcess corvane;
    EXPECT_TRUE(StartCorvane(corvane, arguments));
    return corvane.Wait(guardMs);
  }
  std::string Output() const { return testing::ReadFile(workspace_ / "output"); }

  testing::ScratchDirectory scratch_;
  std::filesystem::path workspace_;
};

}  // namespace corvane
