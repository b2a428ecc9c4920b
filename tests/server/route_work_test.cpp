// State changes that arrive during route work wait for its end and then run in their order.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "route_work.h"
#include "server_test_support.h"

using servertest::TTestWindow;

namespace {
constexpr UINT kOn = WM_USER + 41, kOff = WM_USER + 42;

std::vector<UINT> Ids(const TTestWindow& window) {
  std::vector<UINT> ids;
  for (const auto& m : window.Messages) ids.push_back(m.id);
  return ids;
}
}  // namespace

TEST(RouteWork, CommandsKeptDuringWorkArePostedBackInOrderWhenTheOutermostWorkEnds) {
  TTestWindow window("route work test");
  TRouteWork work;
  work.SetWindow(window.Handle());
  EXPECT_FALSE(work.Defer(kOn, 0, 0));  // no work: the caller runs it now
  {
    TRouteWork::TScope outer(work);
    EXPECT_TRUE(work.Defer(kOff, 0, 0));
    {
      TRouteWork::TScope inner(work);
      EXPECT_TRUE(work.Defer(kOn, 0, 0));
      EXPECT_TRUE(work.Defer(kOn, 0, 0));  // the same again is kept once
      EXPECT_TRUE(work.Defer(kOff, 1, 2));
    }
    // Still inside the outer work: nothing has gone back yet.
    servertest::PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(window.Messages.empty());
    EXPECT_EQ(work.KeptCount(), 3u);
  }
  EXPECT_FALSE(work.InProgress());
  ASSERT_TRUE(servertest::PumpUntil([&] { return window.Messages.size() == 3; }));
  EXPECT_EQ(Ids(window), (std::vector<UINT>{kOff, kOn, kOff}));
  EXPECT_EQ(window.Messages[2].wParam, 1u);
  EXPECT_EQ(window.Messages[2].lParam, 2);
}

TEST(RouteWork, AFloodKeepsItsLatestCommands) {
  TTestWindow window("route work flood");
  TRouteWork work(4);
  work.SetWindow(window.Handle());
  {
    TRouteWork::TScope scope(work);
    for (UINT i = 0; i < 100; ++i) work.Defer(i % 2 ? kOn : kOff, i, 0);
    EXPECT_EQ(work.KeptCount(), 4u);
  }
  ASSERT_TRUE(servertest::PumpUntil([&] { return window.Messages.size() == 4; }));
  servertest::PumpUntil([] { return false; }, 50);
  ASSERT_EQ(window.Messages.size(), 4u);
  EXPECT_EQ(window.Messages.front().wParam, 96u);
  EXPECT_EQ(window.Messages.back().wParam, 99u);
  EXPECT_EQ(window.Messages.back().id, kOn);
}
