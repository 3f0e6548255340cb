// A scratch tree for tests of where received files go: the engine works in
// a/b/here/ (the served root when one is set), deep enough that the "../" of
// the names tested stay in the tree; outside/ holds a file that nothing may
// touch, reachable from here/ only through two links.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "wide/wide_test_bed.h"

namespace corvane::testing {

class NameSandboxTest : public WideTestBed {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path HereDirectory() const { return Here() / "a" / "b" / "here"; }
  std::filesystem::path Outside() const { return Here() / "outside"; }
  // Every regular file of the tree but the untouchable one and the answer
  // files in tmp/, relative to the tree.
  std::vector<std::string> FilesWritten() const;
  void RemoveFilesWritten() const;
  // outside/ holds its one file unchanged, the links are still links, and no
  // file appeared outside here/.
  void ExpectOutsideUntouched() const;

 private:
  std::optional<std::string> previousTemporary_;
};

}  // namespace corvane::testing
