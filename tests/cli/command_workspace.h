// A scratch directory for a test of the corvane command (dc/ inside it for a
// simulated Data Collector's files), and the command run there as a child.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/child_process.h"

namespace corvane {

class CommandWorkspace : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_ = std::filesystem::temp_directory_path() / ("corvane-command-" + std::to_string(::getpid()));
    std::filesystem::create_directories(workspace_ / "dc");
  }
  void TearDown() override { std::filesystem::remove_all(workspace_); }

  // Starts `corvane ARGUMENTS` in the workspace; its stdout and stderr go to Output().
  bool StartCorvane(ChildProcess& corvane, const std::vector<std::string>& arguments) {
    ChildOptions run;
    run.arguments = {CORVANE_BINARY};
    run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
    run.workingDirectory = workspace_.string();
    run.outputPath = (workspace_ / "output").string();
    return corvane.Start(run);
  }
  std::string Output() const { return ReadText(workspace_ / "output"); }
  static std::string ReadText(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  std::filesystem::path workspace_;
};

}  // namespace corvane
