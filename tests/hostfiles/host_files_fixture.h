// A scratch directory per test: the test runs inside its root/, answer files go
// to tmp/ (TMPDIR), local time is four hours behind UTC (TZ), and the
// directory, the environment and the served root are put back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "platform/scratch_directory.h"
#include "support/environment.h"
#include "support/files.h"

namespace corvane::testing {

namespace fs = std::filesystem;

class HostFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::canonical(scratch_.Path());
    fs::create_directories(base_ / "root");
    fs::create_directories(tmp_ = base_ / "tmp");
    work_ = base_ / "root";
    environment_.Set("TMPDIR", tmp_.c_str());
    environment_.Set("TZ", "CVT+4");
    fs::current_path(work_);
    Confinement().root.clear();
  }
  void TearDown() override {
    fs::current_path(savedDirectory_);
    Confinement().root.clear();
  }

  // Handles `data` (the letter, then the argument field) as a generic command received.
  int Run(const std::string& data) {
    HostCommand command;
    if (!data.empty()) command = HostCommand{data[0], ArgumentOfField(data.substr(1))};
    answer_ = AnswerHostCommand(command);
    return answer_.result;
  }
  fs::path AnswerPath() const { return tmp_ / "$ktm$.tmp"; }
  std::string Answer() const { return ReadFile(AnswerPath()); }

  ScratchDirectory scratch_;
  fs::path base_, work_, tmp_;
  HostAnswer answer_;
  ScopedEnvironment environment_;

 private:
  fs::path savedDirectory_ = fs::current_path();
};

}  // namespace corvane::testing
