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

TEST(Event, ResetModesAndClosedEvents) {
  Event event;
  EXPECT_EQ(event.Wait(0), WaitResult::Failed);  // never created
  event.Create(EventReset::Manual);
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
  ASSERT_TRUE(event.Set());
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);  // manual: stays signalled
  ASSERT_TRUE(event.Reset());
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);

  event.Set();
  event.Create(EventReset::Auto);  // recreated: not signalled
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
  ASSERT_TRUE(event.Set());
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), WaitResult::Timeout);  // auto: consumed by one wait

  event.Set();
  event.Close();
  EXPECT_FALSE(event.IsOpen());
  EXPECT_FALSE(event.Set());
  EXPECT_FALSE(event.Reset());
  EXPECT_EQ(event.Wait(kWaitForever), WaitResult::Failed);
}

TEST(Event, AutoResetReleasesOneOfTwoWaiters) {
  Event event;
  event.Create(EventReset::Auto);
  std::atomic<int> signalled{0};
  const auto wait = [&] { signalled += event.Wait(300) == WaitResult::Signalled; };
  std::thread first(wait), second(wait);
  std::this_thread::sleep_for(milliseconds(50));
  event.Set();
  first.join();
  second.join();
  EXPECT_EQ(signalled.load(), 1);
  EXPECT_FALSE(StartDetachedThread({})) << "a thread with nothing to run is refused";
}

// A cancel closes the session's event: its waiter must fail even when the
// event is reopened before the waiter runs again.
TEST(Event, CloseWakesWaiterWithFailureEvenWhenReopened) {
  Event event;
  event.Create(EventReset::Manual);
  std::atomic<WaitResult> result{WaitResult::Signalled};
  std::thread waiter([&] { result = event.Wait(5000); });
  std::this_thread::sleep_for(milliseconds(100));
  event.Close();
  event.Create(EventReset::Manual);
  waiter.join();
  EXPECT_EQ(result.load(), WaitResult::Failed);
}

// A 32-bit millisecond count of the monotonic clock, wrapping; tests may replace it.
TEST(Tick, FollowsTheMonotonicClockUnlessReplaced) {
  const auto monotonic = [] {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<milliseconds>(now).count());
  };
  EXPECT_LT(TickCount() - monotonic() + 1000u, 2000u);  // within a second, across the wrap
  SetTickSource([] { return 0xFFFFFFF0u; });
  EXPECT_EQ(TickCount(), 0xFFFFFFF0u);
  SetTickSource({});
  EXPECT_LT(TickCount() - monotonic() + 1000u, 2000u);
}

}  // namespace
}  // namespace corvane
