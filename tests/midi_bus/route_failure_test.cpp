// Routes that cannot open what they name, a device that is gone, a mapping deleted or changed while
// the route runs, failures of the card, and routes sharing one manager thread.
#include <gtest/gtest.h>

#include "pump_until.h"
#include "registry_internal.h"
#include "route_record.h"
#include "route_test_support.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"
#include "thread_post.h"

using namespace routetest;
using miditest::Pack;

namespace {

class RouteFailureTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    TVirtualMidiBus::AddInput("Broken");  // device 0: the table below refuses to open it
    TVirtualMidiBus::AddInput("Keys");
    TVirtualMidiBus::AddInput("Keys 2");
    TVirtualMidiBus::AddOutput("Synth");
    UseCard(8u * 1024 * 1024);
  }
  bool HasBox(const std::string& text) const {
    for (const auto& box : Boxes->Boxes)
      if (box.Text == text && box.Caption == "tarnbel") return true;
    return false;
  }
};

MMRESULT WINAPI RefuseDeviceZero(LPHMIDIIN handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  if (id == 0) return MMSYSERR_ALLOCATED;
  return VirtualMidiApi().InOpen(handle, id, callback, instance, flags);
}
MMRESULT WINAPI RefuseOutputs(LPHMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD) { return MMSYSERR_ALLOCATED; }

DWORD WINAPI AskForManagerThread(LPVOID route) {
  TGetSFManagerThreadMessage request(static_cast<TRouteThread*>(route)->ThreadID());
  request.Send();
  return request.Thread ? 1 : 0;
}

}  // namespace

TEST_F(RouteFailureTest, PortsThatCannotBeFoundOrOpenedGetTheirBoxesAndTheRouteRunsWithWhatOpened) {
  StoreMapping("main", 1, {{0, 0, 0, 1}});
  LoadMappings();
  TRouteThread& nowhere = OpenRoute("Nowhere", Card, "Synth");
  Pump();
  EXPECT_TRUE(HasBox("Can't open MIDI Input:  \"Nowhere\""));
  EXPECT_FALSE(nowhere.InputOpen());
  EXPECT_FALSE(nowhere.HasSFThread());

  TRouteThread& gone = OpenRoute("Keys", Card, "Gone");
  Pump();
  EXPECT_TRUE(HasBox("MIDI Out device \"Gone\" not found."));
  EXPECT_TRUE(gone.InputOpen());
  EXPECT_FALSE(gone.ThruConnected());
  Play("Keys", {Pack(0xC0, 0, 0)});
  EXPECT_TRUE(WaitCardPreset(0, 0, "P1"));  // no output: still loads

  TMidiApi api = VirtualMidiApi();
  api.OutOpen = RefuseOutputs;
  SetMidiApi(api);
  TRouteThread& refused = OpenRoute("Keys 2", Card, "Synth");
  Pump();
  EXPECT_TRUE(HasBox("Can't open MIDI Output:  \"Synth\""));
  EXPECT_TRUE(refused.InputOpen());
  EXPECT_FALSE(refused.OutputOpen());
  EXPECT_FALSE(refused.ThruConnected());
}

TEST_F(RouteFailureTest, AVanishedDeviceIsReportedAndTheRoutePassesMidiOnly) {
  StoreMapping("main", 1, {{0, 0, 0, 1}});
  LoadMappings();
  TRouteThread& route = OpenRoute("Keys", "Card That Was", "Synth");
  Pump();
  EXPECT_TRUE(HasBox("SoundFont device \"Card That Was\" not found."));
  EXPECT_FALSE(route.HasSFThread());
  Play("Keys", {Pack(0xC0, 0, 0), Pack(0x90, 60, 1)});
  std::vector<TVirtualMidiEvent> events;
  EXPECT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 2, 5000, events));
  Settle(route);
  EXPECT_EQ(CardPreset(0, 0), "");
}

// A route whose input never opened answers "no manager thread" instead of keeping the asker (and
// with it the main thread opening the next route) waiting for ever.
TEST_F(RouteFailureTest, ARouteWhoseInputFailedToOpenDoesNotKeepOthersWaiting) {
  TMidiApi api = VirtualMidiApi();
  api.InOpen = RefuseDeviceZero;
  SetMidiApi(api);
  StoreMapping("main", 1, {{0, 0, 0, 1}});
  LoadMappings();
  TRouteThread& broken = OpenRoute("Broken", Card, "[none]");
  Pump();
  EXPECT_TRUE(HasBox("Can't open MIDI Input:  \"Broken\""));
  ASSERT_TRUE(broken.HasSFThread());  // its input exists (with a manager thread) but is not open

  HANDLE asker = CreateThread(nullptr, 0, &AskForManagerThread, &broken, 0, nullptr);
  ASSERT_NE(asker, nullptr);
  const bool answered = WaitForSingleObject(asker, 5000) == WAIT_OBJECT_0;
  DWORD gotThread = 1;
  GetExitCodeThread(asker, &gotThread);
  if (!answered) TerminateThread(asker, 2);
  CloseHandle(asker);
  ASSERT_TRUE(answered);
  EXPECT_EQ(gotThread, 0u);

  // The next route on the same device makes its own thread and works.
  TRouteThread& keys = OpenRoute("Keys", Card, "Synth");
  EXPECT_TRUE(keys.OwnsSFThread());
  Play("Keys", {Pack(0xC0, 0, 0)});
  EXPECT_TRUE(WaitCardPreset(0, 0, "P1"));

  // A third route on the device borrows the working one's thread.
  TRouteThread& third = OpenRoute("Keys 2", Card, "[none]");
  EXPECT_FALSE(third.OwnsSFThread());
  EXPECT_EQ(third.Input()->SFThread(), keys.Input()->SFThread());
}

TEST_F(RouteFailureTest, DevicesSharingSampleMemoryShareOneManagerThread) {
  Config.reset();  // the old config puts its saved text back as it goes
  Config.reset(new testsupport::StandinConfig(
      "sfman.device=general,8388608,Synth X\nsfman.device=general,8388608,Synth Y\n"));
  LoadMappings();
  TRouteThread& x = OpenRoute("Keys", "Synth X", "[none]");
  TRouteThread& y = OpenRoute("Keys 2", "Synth Y", "[none]");
  ASSERT_TRUE(x.OwnsSFThread());
  EXPECT_TRUE(y.OwnsSFThread()) << "separate memories: a thread each";
  CloseRoutes();

  SaveShareMemoryList({"Synth X", "Synth Y"});
  TRouteThread& x2 = OpenRoute("Keys", "Synth X", "[none]");
  TRouteThread& y2 = OpenRoute("Keys 2", "synth y", "[none]");  // the list is searched without regard to case
  EXPECT_FALSE(y2.OwnsSFThread());
  EXPECT_EQ(y2.Input()->SFThread(), x2.Input()->SFThread());
}

TEST_F(RouteFailureTest, MappingsChangedOrDeletedWhileTheRouteRunsAreTakenOnReload) {
  StoreMapping("main", 1, {{0, 0, 0, 1}, {0, 1, 0, 2}});
  LoadMappings();
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 0, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 0, "P1"));

  // Slot 0:0 now plays P4: the channel's preset is asked for again.
  StoreMapping("main", 1, {{0, 0, 0, 4}, {0, 1, 0, 2}});
  {
    TWriteLock lock(*Mappings);
    Mappings->Mappings().Reload();
  }
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_RELOAD_MAPPINGS, 0, 0);
  EXPECT_TRUE(WaitCardPreset(0, 0, "P4"));
  EXPECT_GE(ReportCount(TM_ECHO), 1u);

  // The mapping goes away: its slots fall back to "default", which maps nothing.
  {
    TRegKey key("Software\\tarnbel\\mappings", false);
    key.DeleteKey("main");
  }
  {
    TWriteLock lock(*Mappings);
    Mappings->Mappings().Reload();
  }
  TAdvancedThread::PostAsOwner(route.ThreadID(), TM_RELOAD_MAPPINGS, 0, 0);
  Play("Keys", {Pack(0xC1, 1, 0), Pack(0x90, 60, 100)});
  Settle(route);
  Pump();
  EXPECT_EQ(CardPreset(0, 1), "");
  EXPECT_EQ(route.Input()->Channels[1].Program, 1);
  EXPECT_EQ(route.Input()->Channels[1].Loaded, 0);
  EXPECT_TRUE(Boxes->Boxes.empty());
}

TEST_F(RouteFailureTest, CardFailuresAndBusyReportsReachTheMainThread) {
  StoreMapping("main", 1, {{0, 0, 0, 1}, {0, 2, 0, 99}});  // the bank has no preset 0:99
  LoadMappings();
  OpenRoute("Keys", Card, "Synth");
  Play("Keys", {Pack(0xC0, 0, 0), Pack(0xC1, 2, 0)});
  ASSERT_TRUE(WaitCardPreset(0, 0, "P1"));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return ReportCount(TM_PRESET_NOT_FOUND) == 1; }, 5000,
                                     [&] { Pump(20); }));
  Pump(100);
  EXPECT_EQ(ReportCount(WM_TB_SERVER_BUSY), ReportCount(WM_TB_SERVER_IDLE));
  EXPECT_GE(ReportCount(WM_TB_SERVER_BUSY), 2u);
  EXPECT_EQ(CardPreset(0, 2), "");
}
