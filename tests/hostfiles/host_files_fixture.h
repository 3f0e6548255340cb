// A scratch directory per test: the test runs inside its root/, answer files go
// to tmp/ (TMPDIR), local time is four hours behind UTC (TZ), and the
// directory, the environment and the served root are put back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "platform/scratch_directory.h"
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
    SetEnvironment("TMPDIR", tmp_.string());
    SetEnvironment("TZ", "CVT+4");
    fs::current_path(work_);
    Confinement().root.clear();
  }
  void TearDown() override {
    fs::current_path(savedDirectory_);
    for (const auto& [name, value] : savedEnvironment_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    Confinement().root.clear();
  }
  void SetEnvironment(const std::string& name, const std::string& value) {
    if (!savedEnvironment_.count(name)) {
      const char* old = std::getenv(name.c_str());
      savedEnvironment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
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

 private:
  fs::path savedDirectory_ = fs::current_path();
  std::map<std::string, std::optional<std::string>> savedEnvironment_;
};

}  // namespace corvane::testing
