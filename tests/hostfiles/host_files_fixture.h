// A fresh directory tree per test: the test runs inside `work`, answer files go
// to `tmp` (TMPDIR), and the process's directory, TMPDIR and the file-name
// slots are put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "hostfiles/server_root.h"
#include "hostfiles/transfer_slots.h"

namespace corvane::testing {

namespace fs = std::filesystem;

inline std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

class HostFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    base_ = fs::temp_directory_path() / ("corvane-hostfiles-" + std::to_string(random()) + std::to_string(random()));
    work_ = base_ / "work";
    tmp_ = base_ / "tmp";
    fs::create_directories(work_);
    fs::create_directories(tmp_);
    work_ = fs::canonical(work_);
    savedDirectory_ = fs::current_path();
    if (const char* old = std::getenv("TMPDIR")) savedTmpdir_ = old;
    ::setenv("TMPDIR", tmp_.c_str(), 1);
    fs::current_path(work_);
    Slots() = TransferSlots{};
    Confinement().root.clear();
  }

  void TearDown() override {
    fs::current_path(savedDirectory_);
    if (savedTmpdir_) {
      ::setenv("TMPDIR", savedTmpdir_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    Slots() = TransferSlots{};
    Confinement().root.clear();
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }

  void SetHostCommand(const std::string& data) {
    auto& command = Slots().hostCommand;
    command.fill('\0');
    std::copy(data.begin(), data.end(), command.begin());
  }

  fs::path AnswerPath() const { return tmp_ / "$ktm$.tmp"; }
  std::string Answer() const { return ReadWholeFile(AnswerPath()); }

  fs::path base_, work_, tmp_;

 private:
  fs::path savedDirectory_;
  std::optional<std::string> savedTmpdir_;
};

}  // namespace corvane::testing
