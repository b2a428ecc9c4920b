#include <gtest/gtest.h>
#include <windows.h>

#include "osc_timer.h"
#include "server_test_support.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

TEST(OSCTimer, PeriodAndResolution) {
  TOSC_Timer timer;
  EXPECT_EQ(1000u, timer.Period());
  EXPECT_EQ(500u, timer.Resolution());
  timer.SetPeriod(200, 0xFFFFFFFFu);
  EXPECT_EQ(100u, timer.Resolution());
  timer.SetPeriod(200, 10);
  EXPECT_EQ(10u, timer.Resolution());
}

TEST(OSCTimer, WithoutHandlerNothingStarts) {
  TOSC_Timer timer;
  EXPECT_EQ(0u, timer.Start());
  EXPECT_EQ(0u, timer.TimerId());
  timer.Stop();
  EXPECT_EQ(0u, timer.TimerId());
}

namespace {
// The one kind of handler the server uses: post a tick to the thread given as value.
void PostTick(uint32_t threadId) { PostThreadUntilAccepted(threadId, TM_ROUTE_1064, 0, 0); }
}  // namespace

TEST(OSCTimer, TicksReachTheThreadUntilStopped) {
  EnsureMessageQueue();
  TOSC_Timer timer;
  timer.SetHandler(&PostTick);
  timer.SetUserValue(GetCurrentThreadId());
  timer.SetPeriod(20, 0xFFFFFFFFu);
  ASSERT_NE(0u, timer.Start());
  MSG msg;
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_ROUTE_1064, msg, 3000));
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_ROUTE_1064, msg, 3000));
  // A second start replaces the running timer: after Stop no tick of either may come.
  ASSERT_NE(0u, timer.Start());
  timer.Stop();
  EXPECT_EQ(0u, timer.TimerId());
  Sleep(60);
  while (PeekMessageA(&msg, nullptr, TM_ROUTE_1064, TM_ROUTE_1064, PM_REMOVE)) {
  }
  Sleep(100);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, TM_ROUTE_1064, TM_ROUTE_1064, PM_REMOVE));
}
