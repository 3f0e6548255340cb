#include "wide/name_sandbox.h"

#include <algorithm>
#include <cstdlib>

namespace corvane::testing {

namespace fs = std::filesystem;

namespace {

constexpr char kSecret[] = "secret";

}  // namespace

void NameSandboxTest::SetUp() {
  WideTestBed::SetUp();
  // Without the bed's scratch directory every path below would be relative to wherever the test runs.
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_FALSE(Here().empty());
  fs::create_directories(HereDirectory() / "SUB");
  fs::create_directories(Outside());
  fs::create_directories(Here() / "tmp");
  WriteFile(Outside() / "SECRET.TXT", kSecret);
  fs::create_directory_symlink(Outside(), HereDirectory() / "LINK");
  fs::create_symlink(Outside() / "SECRET.TXT", HereDirectory() / "FILELINK");
  // Answer files of generic commands go to the temporary directory; keep it in the tree.
  if (const char* temporary = std::getenv("TMPDIR")) previousTemporary_ = temporary;
  ::setenv("TMPDIR", (Here() / "tmp").c_str(), 1);
  fs::current_path(HereDirectory());
}

void NameSandboxTest::TearDown() {
  if (previousTemporary_) {
    ::setenv("TMPDIR", previousTemporary_->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  WideTestBed::TearDown();
}

std::vector<std::string> NameSandboxTest::FilesWritten() const {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(Here())) {
    const fs::path relative = fs::relative(entry.path(), Here());
    const bool answerFile = *relative.begin() == "tmp";
    if (entry.is_regular_file() && !entry.is_symlink() && !answerFile && relative != "outside/SECRET.TXT") {
      files.push_back(relative.generic_string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void NameSandboxTest::RemoveFilesWritten() const {
  for (const std::string& file : FilesWritten()) fs::remove(Here() / file);
}

void NameSandboxTest::ExpectOutsideUntouched() const {
  std::vector<std::string> outside;
  for (const auto& entry : fs::directory_iterator(Outside())) outside.push_back(entry.path().filename().string());
  EXPECT_EQ(outside, std::vector<std::string>{"SECRET.TXT"});
  EXPECT_EQ(ReadFile(Outside() / "SECRET.TXT"), kSecret);
  EXPECT_TRUE(fs::is_symlink(HereDirectory() / "LINK"));
  EXPECT_TRUE(fs::is_symlink(HereDirectory() / "FILELINK"));
  for (const std::string& file : FilesWritten()) {
    EXPECT_EQ(file.rfind("a/b/here/", 0), 0u) << file << " lies outside the directory meant for it";
  }
}

}  // namespace corvane::testing
