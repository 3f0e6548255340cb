// The corvane-dc command refuses a script it cannot play before it opens a
// line: a message that names the problem and the usage exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "platform/scratch_directory.h"

namespace corvane::dc {
namespace {

using corvane::testing::ScratchDirectory;

constexpr int kExitUsage = 2;

TEST(DcScript, ABadScriptIsRefusedWithItsReason) {
  ScratchDirectory work;
  work.WriteFile("bad.txt", "# a comment and a blank line are skipped\n\nserve\nremote cd\ndownload JOB.CR5\n");
  work.WriteFile("good.txt", "download JOB.CR5\n");
  const struct {
    std::vector<std::string> action;
    std::string message;
  } cases[] = {
      {{"script", work.PathOf("bad.txt")}, "corvane-dc: script line not understood: remote cd\n"},
      {{"script", work.PathOf("missing.txt")}, "corvane-dc: cannot read the script " + work.PathOf("missing.txt") + "\n"},
      {{"fly", "away"}, "corvane-dc: action not understood\n"},
      {{"send"}, "corvane-dc: action not understood\n"},
  };
  for (const auto& c : cases) {
    ChildProcess dc;
    ChildOptions options;
    options.arguments = {CORVANE_DC_BINARY, "--pty", "--dir", work.Path()};
    options.arguments.insert(options.arguments.end(), c.action.begin(), c.action.end());
    options.outputPath = work.PathOf("out.txt");
    std::filesystem::remove(options.outputPath);  // the child appends
    ASSERT_TRUE(dc.Start(options));
    EXPECT_EQ(dc.Wait(10000), kExitUsage) << c.message;
    EXPECT_EQ(work.ReadFile("out.txt"), c.message);
  }
}

}  // namespace
}  // namespace corvane::dc
