// What the main thread hears of each request a route makes of its manager thread: every one reports
// busy and idle, and the ones whose caller asks for it end with an echo, on which the server sends
// the monitor its list. Program changes, reloads, previews and clears ask; the player plug-in's
// loads do not (its request ends with a list of its own).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "pump_until.h"
#include "route_test_support.h"
#include "stored_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"
#include "thread_post.h"
#include "tick_clock.h"

using namespace routetest;
using miditest::Pack;

namespace {

std::atomic<uint32_t> gNow{1000};
uint32_t TestClock() { return gNow.load(); }

class RouteEchoTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    UseKeysSynthAndCard(8u * 1024 * 1024);
    StoreMapping("main", 1, {{0, 0, 0, 1}, {0, 1, 0, 2}, {128, 3, 128, 3}});
    // A slot whose file is gone: its load fails.
    testsupport::StoreFileMapping("gone", 2, Folder.File("gone.sf2"), {{"Lost", 0, 4, 0, 4}});
    LoadMappings();
  }

  // Returns once the route has passed on everything its manager thread reported for the work so far.
  void Drain(TRouteThread& route) {
    Settle(route);
    TGetCachedPresetsCountMessage(route.Input()->SFThread()->ThreadID()).Send();
    Settle(route);
    Pump();
  }
  bool WaitReport(UINT id) {
    return testsupport::PumpUntil([&] { return ReportCount(id) > 0; }, 15000, [&] { Pump(20); });
  }
  // Plays and waits until the card holds the preset.
  void Load(TRouteThread& route, uint32_t message, int bank, int program, const std::string& name) {
    Play("Keys", {message});
    ASSERT_TRUE(WaitCardPreset(bank, program, name));
    Drain(route);
  }
};

struct TEchoCase {
  const char* What;
  std::function<void(TRouteThread&)> Before;  // not counted
  std::function<void(TRouteThread&)> Act;
  size_t Echoes;
};

}  // namespace

TEST_F(RouteEchoTest, EveryRequestReportsBusyAndIdleAndAsksForTheEchoAsItsCallerSays) {
  TTickFunction previous = SetTickFunction(&TestClock);
  auto play = [this](uint32_t message, int bank, int program, const char* name) {
    return [=](TRouteThread& route) { Load(route, message, bank, program, name); };
  };
  auto nothing = [](TRouteThread&) {};
  const TEchoCase cases[] = {
      {"program change on a fresh channel", nothing, play(Pack(0xC3, 0, 0), 0, 0, "P1"), 1},
      {"drum kit on channel 10", nothing, play(Pack(0xC9, 3, 0), 32768, 3, "Kit3"), 1},
      {"program change after the preset left the card", play(Pack(0xC0, 1, 0), 0, 1, "P2"),
       [this](TRouteThread& route) {
         ASSERT_TRUE(TClearPresetSyncMessage(route.ThreadID(), 0, 1, -1, true).Send());
         Drain(route);
         Reports.clear();
         Load(route, Pack(0xC0, 1, 0), 0, 1, "P2");
       },
       1},
      {"reload of the mappings: the unused preset, the channel's, then the route's own", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         Play("Keys", {Pack(0xC0, 1, 0)});
         ASSERT_TRUE(WaitCardPreset(0, 1, "P2"));
         Drain(route);
         Reports.clear();
         TAdvancedThread::PostAsOwner(route.ThreadID(), TM_RELOAD_MAPPINGS, 0, 0);
         Drain(route);
       },
       3},
      {"the editor's preview load", nothing,
       [this](TRouteThread& route) {
         TLoadPresetMessage(route.ThreadID(), Bank, 0, 6, 0, 0, 0, 0, true).Send();
         ASSERT_TRUE(WaitCardPreset(0, 0, "P6"));
         Drain(route);
       },
       1},
      {"the editor's preview stop", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         TClearPresetMessage(route.ThreadID(), 0, 0, -1, true).Send();
         ASSERT_TRUE(WaitCardPreset(0, 0, ""));
         Drain(route);
       },
       1},
      {"an orphan unloaded at its program change", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         TRouteSettings settings;
         settings.UnloadOrphanPreset = true;
         SetRouteSettings(settings);
         Load(route, Pack(0xC0, 1, 0), 0, 1, "P2");
         ASSERT_TRUE(WaitCardPreset(0, 0, ""));
         Drain(route);
       },
       2},
      {"reset caches: one clear each", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         Load(route, Pack(0xC9, 3, 0), 32768, 3, "Kit3");
         Reports.clear();
         TAdvancedThread::PostAsOwner(route.ThreadID(), TM_ROUTE_1044, 0, 0);
         ASSERT_TRUE(WaitCardPreset(32768, 3, ""));
         ASSERT_TRUE(WaitCardPreset(0, 0, ""));
         Drain(route);
       },
       2},
      {"clear all samples", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         TClearAllLoadedSFMessage(route.ThreadID()).Send();
         ASSERT_TRUE(WaitCardPreset(0, 0, ""));
         Drain(route);
       },
       1},
      {"unload by age", play(Pack(0xC0, 0, 0), 0, 0, "P1"),
       [this](TRouteThread& route) {
         TRouteSettings settings;
         settings.UnloadTime = 1;
         SetRouteSettings(settings);
         gNow += 1500;
         TAdvancedThread::PostAsOwner(route.ThreadID(), TM_UNLOAD_UNUSED, 0, 0);
         ASSERT_TRUE(WaitCardPreset(0, 0, ""));
         Drain(route);
       },
       1},
      {"a failed load (its file is gone)", nothing,
       [this](TRouteThread& route) {
         Play("Keys", {Pack(0xC0, 4, 0)});
         ASSERT_TRUE(WaitReport(TM_PRESET_NOT_FOUND));
         Drain(route);
       },
       1},
      {"the player plug-in's list", nothing,
       [](TRouteThread& route) {
         BankProgramRecord melodic{0, 1, {0, 0, 0}, NoRequestedPair};
         BankProgramRecord kit{128, 3, {0, 0, 0}, NoRequestedPair};
         ASSERT_TRUE(TWinampModeOnMessage(route.ThreadID()).Send());
         ASSERT_TRUE(TWinampLoadPresetsMessage(route.ThreadID(), {kit, melodic}).Send());
       },
       0},
  };
  for (const TEchoCase& c : cases) {
    SCOPED_TRACE(c.What);
    SetRouteSettings(TRouteSettings());
    gNow = 1000;
    TRouteThread& route = OpenRoute("Keys", Card, "Synth");
    c.Before(route);
    Drain(route);
    Reports.clear();
    c.Act(route);
    Drain(route);
    EXPECT_EQ(ReportCount(TM_ECHO), c.Echoes);
    EXPECT_GE(ReportCount(WM_TB_SERVER_BUSY), 1u);
    EXPECT_EQ(ReportCount(WM_TB_SERVER_BUSY), ReportCount(WM_TB_SERVER_IDLE));
    // The next case starts from an empty card.
    TClearAllLoadedSFMessage(route.ThreadID()).Send();
    Drain(route);
    CloseRoutes();
    Reports.clear();
  }
  SetTickFunction(previous);
}
