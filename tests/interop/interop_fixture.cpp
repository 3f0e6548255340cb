#include "interop/interop_fixture.h"

#include <cctype>

namespace corvane::testing {

void InteropTest::SetUp() {
  ASSERT_TRUE(line.IsReady());
  const auto base = std::filesystem::temp_directory_path() /
                    ("corvane-interop-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(base);
  pcDir = base / "pc";
  kermitDir = base / "kermit";
  std::filesystem::create_directories(pcDir);
  std::filesystem::create_directories(kermitDir);
}

void InteropTest::TearDown() {
  kermit.Kill();
  if (!HasFailure()) std::filesystem::remove_all(pcDir.parent_path());
}

int InteropTest::RunCorvane(const std::vector<std::string>& arguments, std::uint32_t timeoutMs) {
  ChildOptions options;
  options.arguments = {CORVANE_BINARY, "--port", line.PcEnd(), "--baud", std::to_string(kInteropBaud), "--quiet"};
  options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
  options.workingDirectory = pcDir.string();
  options.outputPath = (pcDir.parent_path() / "corvane.out").string();
  std::filesystem::remove(options.outputPath);
  ChildProcess corvane;
  if (!corvane.Start(options)) return -1;
  const auto status = corvane.Wait(timeoutMs);
  return status.value_or(-2);
}

std::string InteropTest::CorvaneOutput() const { return ReadFile(pcDir.parent_path() / "corvane.out"); }

void InteropTest::StartCKermit(const std::string& commands) {
  ASSERT_TRUE(testing::StartCKermit(kermit, line.DeviceEnd(), kInteropBaud, kermitDir.string(), commands))
      << "C-Kermit (Debian package ckermit) must be installed";
}

void InteropTest::StartGKermit(const std::vector<std::string>& options) {
  ASSERT_TRUE(testing::StartGKermit(kermit, line.DeviceEnd(), kermitDir.string(), options))
      << "G-Kermit (Debian package gkermit) must be installed";
}

int InteropTest::WaitForKermit(std::uint32_t timeoutMs) { return kermit.Wait(timeoutMs).value_or(-2); }

std::string InteropTest::KermitLog() const { return ReadFile(kermitDir / "kermit.log"); }

std::string InteropTest::ReadFileAnyCase(const std::filesystem::path& directory, const std::string& name) {
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (lower(entry.path().filename().string()) == lower(name)) return ReadFile(entry.path());
  }
  ADD_FAILURE() << name << " is not in " << directory;
  return {};
}

}  // namespace corvane::testing
