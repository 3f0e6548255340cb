#include "common/child_process.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

ChildOptions Shell(const std::string& script) {
  ChildOptions options;
  options.arguments = {"sh", "-c", script};
  return options;
}

TEST(ChildProcessCpu, ReportsTheCpuOfABusyChildOnceReaped) {
  ChildProcess busy;
  ASSERT_TRUE(busy.Start(Shell("i=0; while [ $i -lt 300000 ]; do i=$((i+1)); done")));
  EXPECT_EQ(busy.CpuSeconds(), 0.0) << "nothing is known while it runs";
  EXPECT_EQ(busy.Wait(60000), 0);
  EXPECT_GT(busy.CpuSeconds(), 0.05);

  ChildProcess idle;
  ASSERT_TRUE(idle.Start(Shell("sleep 0.3")));
  EXPECT_EQ(idle.Wait(10000), 0);
  EXPECT_LT(idle.CpuSeconds(), busy.CpuSeconds()) << "sleeping is not CPU time";
}

TEST(ChildProcessCpu, KillReapsAndAFreshStartForgetsThePreviousFigure) {
  ChildProcess child;
  ASSERT_TRUE(child.Start(Shell("i=0; while [ $i -lt 300000 ]; do i=$((i+1)); done")));
  EXPECT_EQ(child.Wait(60000), 0);
  ASSERT_GT(child.CpuSeconds(), 0.0);
  ASSERT_TRUE(child.Start(Shell("sleep 30")));
  EXPECT_EQ(child.CpuSeconds(), 0.0);
  child.Kill();
  EXPECT_FALSE(child.Running());
  EXPECT_LT(child.CpuSeconds(), 0.05);
}

}  // namespace
}  // namespace corvane
