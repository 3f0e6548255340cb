#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/thread.h"
#include "platform/tick.h"

namespace corvane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TEST(Event, ManualResetStaysSignalledUntilReset) {
  Event event;
  event.Create(EventReset::Manual);
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
  ASSERT_TRUE(event.Set());
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  ASSERT_TRUE(event.Reset());
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

TEST(Event, AutoResetIsConsumedByOneWait) {
  Event event;
  event.Create(EventReset::Auto);
  ASSERT_TRUE(event.Set());
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

TEST(Event, RecreatingStartsNotSignalled) {
  Event event;
  event.Create(EventReset::Manual);
  event.Set();
  event.Create(EventReset::Auto);
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

TEST(Event, TimedWaitLastsItsTime) {
  Event event;
  event.Create(EventReset::Manual);
  const auto start = Clock::now();
  EXPECT_EQ(event.Wait(40), WaitResult::Timeout);
  EXPECT_GE(Clock::now() - start, milliseconds(40));
}

TEST(Event, ClosedEventFailsEveryCall) {
  Event never;
  EXPECT_FALSE(never.IsOpen());
  EXPECT_EQ(never.Wait(0), WaitResult::Failed);

  Event event;
  event.Create(EventReset::Manual);
  event.Set();
  event.Close();
  EXPECT_FALSE(event.IsOpen());
  EXPECT_FALSE(event.Set());
  EXPECT_FALSE(event.Reset());
  EXPECT_EQ(event.Wait(kWaitForever), WaitResult::Failed);
}

TEST(Event, SetFromAnotherThreadWakesWaiter) {
  Event event;
  event.Create(EventReset::Manual);
  std::thread setter([&] {
    std::this_thread::sleep_for(milliseconds(20));
    event.Set();
  });
  EXPECT_EQ(event.Wait(5000), WaitResult::Signalled);
  setter.join();
}

TEST(Event, CloseWakesWaiterWithFailureEvenWhenReopened) {
  Event event;
  event.Create(EventReset::Manual);
  std::atomic<WaitResult> result{WaitResult::Signalled};
  std::thread waiter([&] { result = event.Wait(5000); });
  std::this_thread::sleep_for(milliseconds(100));
  // Reopened before the waiter runs again: its event is still gone.
  event.Close();
  event.Create(EventReset::Manual);
  waiter.join();
  EXPECT_EQ(result.load(), WaitResult::Failed);
}

TEST(Event, AutoResetReleasesOneOfTwoWaiters) {
  Event event;
  event.Create(EventReset::Auto);
  std::atomic<int> signalled{0};
  std::atomic<int> timedOut{0};
  const auto wait = [&] {
    const WaitResult result = event.Wait(300);
    (result == WaitResult::Signalled ? signalled : timedOut)++;
  };
  std::thread first(wait);
  std::thread second(wait);
  std::this_thread::sleep_for(milliseconds(50));
  event.Set();
  first.join();
  second.join();
  EXPECT_EQ(signalled.load(), 1);
  EXPECT_EQ(timedOut.load(), 1);
}

TEST(Thread, DetachedThreadRunsItsBody) {
  Event done;
  done.Create(EventReset::Manual);
  ASSERT_TRUE(StartDetachedThread([&done] { done.Set(); }));
  EXPECT_EQ(done.Wait(5000), WaitResult::Signalled);
  EXPECT_FALSE(StartDetachedThread({}));
}

TEST(Tick, FollowsTheMonotonicClockUnlessReplaced) {
  const auto monotonic = [] {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count());
  };
  EXPECT_LT(TickCount() - monotonic() + 1000u, 2000u);  // within a second, across the wrap

  std::atomic<std::uint32_t> fake{0xFFFFFFF0u};
  SetTickSource([&fake] { return fake.load(); });
  EXPECT_EQ(TickCount(), 0xFFFFFFF0u);
  fake = 0x10;
  EXPECT_EQ(TickCount(), 0x10u);
  SetTickSource({});
  EXPECT_LT(TickCount() - monotonic() + 1000u, 2000u);
}

}  // namespace
}  // namespace corvane
