// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends, and the tree that every confinement
// test shares. (Whole files by path: support/files.h.)
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace corvane::testing {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / ("corvane-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string Path() const { return path_.string(); }
  std::string PathOf(const std::string& relative) const { return (path_ / relative).string(); }
  // Creates the directories above the file that are missing.
  void WriteFile(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // root/IN/F.TXT ("inside") and outside/SECRET.TXT ("secret") beside root/,
  // with links in root/: OUTABS and OUTREL to outside/ (absolute, relative),
  // INABS and INREL back to IN/, FILELINK to the secret file, DANGLING to
  // nothing and LOOP to itself.
  void MakeConfinementTree() const {
    namespace fs = std::filesystem;
    WriteFile("root/IN/F.TXT", "inside");
    WriteFile("outside/SECRET.TXT", "secret");
    fs::create_directory_symlink(path_ / "outside", path_ / "root/OUTABS");
    fs::create_directory_symlink("../outside", path_ / "root/OUTREL");
    fs::create_directory_symlink(path_ / "root/IN", path_ / "root/INABS");
    fs::create_directory_symlink("IN", path_ / "root/INREL");
    fs::create_symlink(path_ / "outside/SECRET.TXT", path_ / "root/FILELINK");
    fs::create_symlink(path_ / "root/NOWHERE", path_ / "root/DANGLING");
    fs::create_symlink("LOOP", path_ / "root/LOOP");
  }

 private:
  std::filesystem::path path_;
};

}  // namespace corvane::testing
