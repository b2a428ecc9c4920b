// The route's options and requests: orphans, MIDI reset, preview, lamps, synchronous loads, reload on
// the first note, the player plug-in's load and the requests that load nothing.
#include <gtest/gtest.h>

#include <atomic>

#include "none_marker.h"
#include "registry_test_support.h"
#include "route_test_support.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"
#include "thread_post.h"
#include "tick_clock.h"

using namespace routetest;
using miditest::Pack;

namespace {

std::atomic<uint32_t> gNow{1000};
std::atomic<int> gConnects{0}, gDisconnects{0};
MMRESULT WINAPI CountConnect(HMIDI input, HMIDIOUT output, LPVOID reserved) {
  ++gConnects;
  return VirtualMidiApi().Connect(input, output, reserved);
}
MMRESULT WINAPI CountDisconnect(HMIDI input, HMIDIOUT output, LPVOID reserved) {
  ++gDisconnects;
  return VirtualMidiApi().Disconnect(input, output, reserved);
}
uint32_t TestClock() { return gNow.load(); }

class RouteOptionsTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    UseKeysSynthAndCard(8u * 1024 * 1024);
    StoreMapping("main", 1, {{0, 0, 0, 1}, {0, 1, 0, 2}, {0, 2, 0, 3}, {128, 0, 128, 0}, {128, 3, 128, 3}});
    LoadMappings();
  }
  void Use(const TRouteSettings& settings) { SetRouteSettings(settings); }
  std::vector<uint32_t> Output() {
    std::vector<uint32_t> messages;
    for (const TVirtualMidiEvent& e : TVirtualMidiBus::ReadOutput("Synth")) messages.push_back(e.Message);
    return messages;
  }
  int UseCount(TRouteThread& route, int bank, int program) {
    TSafePresetList& cache = route.Input()->SFThread()->Cache();
    TReadLock lock(cache);
    int i = cache.List().Find(bank, program);
    return i < 0 ? -1 : static_cast<int>(cache.List()[i].UseCount());
  }
};

}  // namespace

TEST_F(RouteOptionsTest, AnOrphanIsUnloadedAtOnceOrAfterItsTimeInLimbo) {
  TRouteSettings settings;
  settings.UnloadOrphanPreset = true;
  Use(settings);
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 0, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 0, "P1"));
  Settle(route);
  EXPECT_EQ(UseCount(route, 0, 0), 1);
  // Channel 2 plays 0:0 too, then leaves it: channel 1 still plays it, so it stays.
  Play("Keys", {Pack(0xC1, 0, 0), Pack(0xC1, 1, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 1, "P2"));
  Settle(route);
  EXPECT_EQ(CardPreset(0, 0), "P1");
  // Both play 0:0 and the mappings reload, each channel asking afresh; channel 2 leaves before those
  // loads get their turn (the manager thread, idle, is held): channel 1 still plays it, so it stays.
  Play("Keys", {Pack(0xC1, 0, 0)});
  Settle(route);
  const DWORD managerId = route.Input()->SFThread()->ThreadID();
  TGetCachedPresetsCountMessage(managerId).Send();  // answered once what was queued before is done
  HANDLE manager = OpenThread(THREAD_SUSPEND_RESUME, FALSE, managerId);
  ASSERT_NE(manager, nullptr);
  SuspendThread(manager);
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_RELOAD_MAPPINGS, 0, 0);
  Play("Keys", {Pack(0xC1, 1, 0)});
  Settle(route);
  ResumeThread(manager);
  CloseHandle(manager);
  TGetCachedPresetsCountMessage(managerId).Send();
  EXPECT_EQ(CardPreset(0, 0), "P1");
  EXPECT_EQ(UseCount(route, 0, 0), 1);
  // Channel 1 leaves 0:0: nobody plays it, gone at this program change.
  Play("Keys", {Pack(0xC0, 2, 0)});
  EXPECT_TRUE(WaitCardPreset(0, 0, ""));
  EXPECT_EQ(CardPreset(0, 2), "P3");
  CloseRoutes();

  // With an orphan time the preset waits in limbo for that many seconds.
  TTickFunction previous = SetTickFunction(&TestClock);
  gNow = 1000;
  settings.UnloadOrphanTime = 2;
  Use(settings);
  TRouteThread& timed = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 0, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 0, "P1"));
  Play("Keys", {Pack(0xC0, 1, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 1, "P2"));
  Settle(timed);
  EXPECT_EQ(timed.Input()->LimboList.Count(), 1);
  gNow = 2500;
  TAdvancedThread::PostAsOwner(timed.ThreadID(), TM_ROUTE_1064, 0, 0);
  Settle(timed);
  EXPECT_EQ(CardPreset(0, 0), "P1");
  gNow = 4000;
  TAdvancedThread::PostAsOwner(timed.ThreadID(), TM_ROUTE_1064, 0, 0);
  EXPECT_TRUE(WaitCardPreset(0, 0, ""));
  EXPECT_EQ(timed.Input()->LimboList.Count(), 0);
  CloseRoutes();
  SetTickFunction(previous);
}

TEST_F(RouteOptionsTest, AMidiResetSelectsTheCachedPresetsAgainAndDropsTheOthers) {
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 0, 0), Pack(0xC1, 1, 0), Pack(0xC9, 3, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 0, "P1"));
  ASSERT_TRUE(WaitCardPreset(0, 1, "P2"));
  ASSERT_TRUE(WaitCardPreset(32768, 3, "Kit3"));
  TClearPresetSyncMessage clear(route.ThreadID(), 0, 1, -1, false);
  ASSERT_TRUE(clear.Send());
  ASSERT_TRUE(WaitCardPreset(0, 1, ""));
  Settle(route);
  Output();

  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_MIDI_RESET, 0, 0);
  Settle(route);
  EXPECT_EQ(Output(), (std::vector<uint32_t>{Pack(0xB0, 0, 0), Pack(0xC0, 0, 0), Pack(0xC9, 3, 0)}));
  TRouteThread::TChannelPairs channels = Channels(route);
  EXPECT_EQ(channels[0].Program, 0);
  EXPECT_EQ(channels[1].Program, 1);  // the channel keeps its own selection; only the restore skipped it
  EXPECT_TRUE(route.InputOpen());
  // The reopened ports still carry MIDI through.
  Play("Keys", {Pack(0x90, 1, 2)});
  std::vector<TVirtualMidiEvent> events;
  EXPECT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 1, 5000, events));
}

TEST_F(RouteOptionsTest, RequestsThatLoadNothingStillReleaseTheirSender) {
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  TMMPresetsBlock block{};
  TMMLoadPresetsMessage presets(route.ThreadID(), block);
  EXPECT_TRUE(presets.Send());
  TMMLoadDrumsMessage drums(route.ThreadID());
  EXPECT_TRUE(drums.Send());
  TGetCachedPresetsCountMessage count(route.Input()->SFThread()->ThreadID());
  ASSERT_TRUE(count.Send());
  EXPECT_EQ(count.Count, 0u);
}

TEST_F(RouteOptionsTest, PreviewLoadsOnlyWhatTheEditorSends) {
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_PREVIEW_ON, 0, 0);
  Play("Keys", {Pack(0xC0, 1, 0)});
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[0].Program, 1);
  EXPECT_EQ(route.Input()->Channels[0].Loaded, 0);
  EXPECT_EQ(CardPreset(0, 1), "");

  TLoadPresetMessage(route.ThreadID(), Bank, 0, 6, 0, 0, -1, -1, false).Send();
  EXPECT_TRUE(WaitCardPreset(0, 0, "P6"));
  TGetListOfCachedPresetsMessage list(route.Input()->SFThread()->ThreadID());
  ASSERT_TRUE(list.Send());
  ASSERT_EQ(list.List->Count(), 1);
  EXPECT_EQ((*list.List)[0].MappingName, NoneMarker);

  // The preview selection goes to the output; the channels stay as they were.
  Output();
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_PREVIEW_SELECT, 0, 0);
  Settle(route);
  EXPECT_EQ(Output(), (std::vector<uint32_t>{Pack(0xB0, 0, 0), Pack(0xC0, 0, 0)}));
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[0].Loaded, 0);
}

TEST_F(RouteOptionsTest, AMonitoredRouteLightsLampsAndReportsPresetChanges) {
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_MONITOR_ON, 0, 0);
  Play("Keys", {Pack(0xC2, 1, 0), Pack(0x92, 60, 100), Pack(0x82, 60, 0)});
  Settle(route);
  Pump();
  std::vector<MSG> lamps;
  for (const MSG& msg : Reports)
    if (msg.message == WM_TB_NOTE_ON_LAMP || msg.message == WM_TB_NOTE_OFF_LAMP || msg.message == WM_TB_PRESET_CHANGED)
      lamps.push_back(msg);
  ASSERT_EQ(lamps.size(), 3u);
  EXPECT_EQ(lamps[0].message, WM_TB_PRESET_CHANGED);
  EXPECT_EQ(lamps[0].lParam, 1);  // bank 0, program 1
  EXPECT_EQ(lamps[1].message, WM_TB_NOTE_ON_LAMP);
  EXPECT_EQ(lamps[1].wParam, 2u);
  EXPECT_EQ(lamps[1].lParam, MAKELONG(1, 0));
  EXPECT_EQ(lamps[2].message, WM_TB_NOTE_OFF_LAMP);

  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_MONITOR_OFF, 0, 0);
  Reports.clear();
  Play("Keys", {Pack(0x92, 60, 100)});
  Settle(route);
  Pump();
  EXPECT_EQ(ReportCount(WM_TB_NOTE_ON_LAMP), 0u);
}

TEST_F(RouteOptionsTest, SynchronousLoadsAreInTheCardWhenTheMessageIsHandled) {
  TMidiApi api = VirtualMidiApi();
  api.Connect = CountConnect;
  api.Disconnect = CountDisconnect;
  SetMidiApi(api);
  gConnects = gDisconnects = 0;
  TRouteSettings settings;
  settings.SyncOperation = true;
  Use(settings);
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  ASSERT_EQ(gConnects, 1);
  // One at a time: a message that arrives while thru is cut does not reach the output.
  for (uint32_t message : {Pack(0xC0, 2, 0), Pack(0x90, 60, 1)}) {
    Play("Keys", {message});
    std::vector<TVirtualMidiEvent> events;
    ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 1, 5000, events));
    Settle(route);
  }
  EXPECT_EQ(CardPreset(0, 2), "P3");
  EXPECT_TRUE(route.ThruConnected());
  // Thru is cut while each message is handled, and only then.
  EXPECT_EQ(gDisconnects, 2);
  EXPECT_EQ(gConnects, 3);
}

TEST_F(RouteOptionsTest, ReloadOnFirstNoteAsksAgainForAPresetThatLeftTheCard) {
  TRouteSettings settings;
  settings.ReloadOnFirstNote = true;
  Use(settings);
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 1, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 1, "P2"));
  TClearPresetSyncMessage clear(route.ThreadID(), 0, 1, -1, false);
  ASSERT_TRUE(clear.Send());
  ASSERT_TRUE(WaitCardPreset(0, 1, ""));
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[0].Loaded, 0);  // told by the manager thread
  Play("Keys", {Pack(0x90, 60, 100)});
  EXPECT_TRUE(WaitCardPreset(0, 1, "P2"));
}

TEST_F(RouteOptionsTest, ThePlayerPlugInLoadsItsListAndOnlyThatListAnswersProgramChanges) {
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  TWinampModeOnMessage on(route.ThreadID());
  ASSERT_TRUE(on.Send());
  BankProgramRecord melodic{0, 2, {0, 0, 0}, NoRequestedPair};
  BankProgramRecord kit{128, 3, {0, 0, 0}, NoRequestedPair};
  TWinampLoadPresetsMessage load(route.ThreadID(), {kit, melodic});
  ASSERT_TRUE(load.Send());
  EXPECT_EQ(CardPreset(0, 2), "P3");  // loaded synchronously
  EXPECT_EQ(CardPreset(32768, 3), "Kit3");
  EXPECT_EQ(route.Input()->WinampList.size(), 2u);

  Play("Keys", {Pack(0xC0, 1, 0), Pack(0xC1, 2, 0)});
  Settle(route);
  EXPECT_EQ(CardPreset(0, 1), "");  // not in the list
  EXPECT_EQ(route.Input()->Channels[0].Loaded, 0);
  EXPECT_EQ(route.Input()->Channels[1].Loaded, 1);

  // A new list clears what the old one loaded and the new one does not need.
  TWinampLoadPresetsMessage second(route.ThreadID(), {BankProgramRecord{0, 0, {0, 0, 0}, NoRequestedPair}});
  ASSERT_TRUE(second.Send());
  EXPECT_EQ(CardPreset(0, 0), "P1");
  EXPECT_TRUE(WaitCardPreset(32768, 3, ""));
}

TEST_F(RouteOptionsTest, ALoopbackPortTellsItsDriverOfStartsAndUnloads) {
  TVirtualMidiBus::AddInput("Tarnbel loopback 3");
  TRouteThread& route = OpenRoute("Tarnbel loopback 3", Card, "[none]");
  EXPECT_EQ(route.LoopbackIndex(), 2);
  std::vector<TVirtualDriverMessage> driver = TVirtualMidiBus::ReadDriverMessages("Tarnbel loopback 3");
  ASSERT_EQ(driver.size(), 1u);
  EXPECT_EQ(driver[0].Message, LoopbackStartMessage);
  EXPECT_EQ(driver[0].Param1, LoopbackStartMessage);
  EXPECT_EQ(driver[0].Param2, LoopbackStartMessage);

  ASSERT_EQ(TVirtualMidiBus::Play("Tarnbel loopback 3", Pack(0xC9, 3, 0)), TVirtualPlayResult::Played);
  ASSERT_TRUE(WaitCardPreset(32768, 3, "Kit3"));
  Settle(route);
  TClearPresetSyncMessage clear(route.ThreadID(), 32768, 3, -1, false);
  ASSERT_TRUE(clear.Send());
  ASSERT_TRUE(WaitCardPreset(32768, 3, ""));
  Settle(route);
  driver = TVirtualMidiBus::ReadDriverMessages("Tarnbel loopback 3");
  ASSERT_EQ(driver.size(), 1u);
  EXPECT_EQ(driver[0].Message, LoopbackPresetUnloadedMessage);
  EXPECT_EQ(driver[0].Param1, 32768u);
  EXPECT_EQ(driver[0].Param2, 3u);
  EXPECT_EQ(route.Input()->Channels[9].Loaded, 0);

  // A plain port's name gives no loopback number.
  TRouteThread& keys = OpenRoute("Keys", Card, "Synth");
  EXPECT_EQ(keys.LoopbackIndex(), -1);
}

TEST_F(RouteOptionsTest, RandomProgramsAndBanksLoadAFilledSlotUnderTheRequestedOne) {
  // One filled program in bank 0 and one bank filling program 7: the random choices have one answer.
  testsupport::ResetTarnbelKey();
  StoreMapping("solo", 1, {{0, 5, 0, 5}, {4, 7, 0, 8}});
  LoadMappings();
  TRouteSettings settings;
  settings.RandomOnlyWinamp = false;
  settings.RandomPrograms = true;
  Use(settings);
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 2, 0)});
  EXPECT_TRUE(WaitCardPreset(0, 2, "P5"));
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[0].Program, 2);
  EXPECT_EQ(route.Input()->Channels[0].Bank, 0);

  settings.RandomPrograms = false;
  settings.RandomBanks = true;
  Use(settings);
  Play("Keys", {Pack(0xB1, 0, 9), Pack(0xC1, 7, 0)});
  EXPECT_TRUE(WaitCardPreset(9, 7, "P8"));
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[1].Bank, 9);  // the channel keeps the bank it asked for
  // A program that no bank fills leaves the channel's bank alone.
  Play("Keys", {Pack(0xC1, 100, 0)});
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[1].Bank, 9);
  EXPECT_EQ(route.Input()->Channels[1].Program, 100);
}

TEST_F(RouteOptionsTest, AnAPSRouteLoadsAndItsThruComesBackAfterEachLoad) {
  Config.reset();
  Config.reset(new testsupport::StandinConfig("aps.device=16777216,APS Synth 1\naps.device=16777216,APS Synth 2\n"));
  TRouteThread& route = OpenRoute("Keys", "APS", "Synth");
  ASSERT_TRUE(route.HasSFThread());
  ASSERT_TRUE(route.Input()->APSDevice());
  Play("Keys", {Pack(0xC0, 1, 0)});
  std::vector<TVirtualMidiEvent> events;
  ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 1, 5000, events));
  Settle(route);
  EXPECT_EQ(CardPresetOn("APS", 0, 1), "P2");
  Play("Keys", {Pack(0x90, 1, 1)});
  events.clear();
  EXPECT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 1, 5000, events));  // thru connected again
}
