// The preferences window of the real tools program, started by the real server, driven as a user
// drives it: a route made through its dialogs runs in the server, and its switches reach the server.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "dialog_windows.h"
#include "ipc.h"
#include "peer_programs.h"
#include "program_process.h"
#include "protocol_payloads.h"
#include "pump_until.h"
#include "reg_array.h"
#include "recording_window.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "route_record.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

namespace {

const DWORD kWaitMs = 20000;
const char* const kListener = "tarnbel preferences e2e listener";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

class PreferencesE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
  }
  void TearDown() override {
    Server.Stop();
    testsupport::EndToolsPrograms();
    SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
    testsupport::ResetTarnbelKey();
  }

  // A window of the tools program (any process but the server's) with that title.
  HWND WaitToolsWindow(const std::string& title) {
    HWND found = nullptr;
    Pump([&] {
      found = FindWindowA(nullptr, title.c_str());
      DWORD pid = 0;
      if (found) GetWindowThreadProcessId(found, &pid);
      return found && pid != Server.ProcessId() && IsWindowVisible(found);
    });
    return found;
  }
  HWND ServerWindow() { return FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE); }
  LRESULT Query(UINT id, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(ServerWindow(), id, wParam, lParam, SMTO_NORMAL, 5000, &result), 0);
    return LRESULT(result);
  }
  bool CachedPresets(testsupport::TRecordingWindow& listener, std::vector<CachedPresetRecord>& records) {
    return listener.AskCacheList(ServerWindow(), records, 1500);
  }

  // Stores the bank "Warm Pad" mapped to slot 0:9 and the server's start-up values, then starts the
  // server on the virtual bus with the ports given; the tools program it starts inherits them.
  void StartWithPreferences(const testsupport::TempFolder& folder, const char* ports) {
    sf2test::Sf2Builder bank;
    bank.AddPresetWithSamples("Warm Pad", 0, 3, {2000});
    ASSERT_TRUE(bank.Write(folder.File("studio.sf2")));
    {
      TMapping mapping("Studio", false, nullptr, "");
      mapping.AddItem(folder.File("studio.sf2"), 0, true, 0, "Warm Pad", 3, 0, 9);
      mapping.SaveSettings();
    }
    TRegKey studio(std::string(TarnbelKeyPath) + "\\mappings\\Studio", true);
    studio.WriteInteger("Priority", 1);
    studio.WriteBool("Active", true);
    TRegKey settings(TarnbelKeyPath, true);
    settings.WriteBool("AutoStart", true);
    settings.WriteBool("ShowPreferences", true);
    SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", ports);
    TrayLog = folder.File("tray.log");
    SetEnvironmentVariableA("TARNBEL_TRAY_LOG", TrayLog.c_str());
    ASSERT_TRUE(Server.Start("tarnbel.exe"));
    SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);
    Preferences = WaitToolsWindow("tarnbel preferences");
    ASSERT_NE(Preferences, nullptr) << "the server's ShowPreferences did not bring the window up";
  }
  // Opens "tarnbel routes" from the preferences.
  HWND OpenRoutes() {
    HWND button = testsupport::ChildWithCaption(Preferences, "Routes...");
    EXPECT_NE(button, nullptr);
    if (!button) return nullptr;
    PostMessageA(button, BM_CLICK, 0, 0);
    return WaitToolsWindow("tarnbel routes");
  }
  // "Add...", the three choices and "OK".
  void AddRoute(HWND routes, const std::string& input, const std::string& output, const std::string& device) {
    PostMessageA(testsupport::ChildWithCaption(routes, "Add..."), BM_CLICK, 0, 0);
    HWND add = WaitToolsWindow("choose route:");
    ASSERT_NE(add, nullptr);
    std::vector<HWND> lists = testsupport::ChildrenOf(add, "TComboBox");
    ASSERT_EQ(lists.size(), 3u);
    ASSERT_TRUE(testsupport::ChooseEntry(lists[0], input));
    ASSERT_TRUE(testsupport::ChooseEntry(lists[1], output));
    ASSERT_TRUE(testsupport::ChooseEntry(lists[2], device));
    PostMessageA(testsupport::ChildWithCaption(add, "OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(Pump([&] { return !IsWindow(add); }));
  }

  // Makes the route current and plays bank 0, program 9 into its input, again each second while the
  // route's list lacks the preset: a route that has just (re)started takes its input in its own time, and
  // the tools program echoes the server's earlier current route back while it refills its list.
  bool PlayUntilCached(testsupport::TRecordingWindow& listener, const std::string& route, const std::string& input,
                       std::vector<CachedPresetRecord>& records) {
    DWORD last = GetTickCount() - 1000;
    return Pump([&] {
      if (CachedPresets(listener, records) && records.size() == 1 && !records[0].Loading) return true;
      if (GetTickCount() - last >= 1000) {
        Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(route), 0);
        TVirtualMidiBus::Play(input, 0x0000B0);
        TVirtualMidiBus::Play(input, 0x09C0);  // program 9: the mapped slot
        last = GetTickCount();
      }
      return false;
    });
  }

  e2e::TProgramProcess Server;
  HWND Preferences = nullptr;
  std::string TrayLog;
};

}  // namespace

TEST_F(PreferencesE2E, ARouteMadeInThePreferencesRunsInTheServerAndSwitchesReachIt) {
  testsupport::TempFolder folder;
  testsupport::TRecordingWindow listener(kListener);
  StartWithPreferences(folder, "in:Keys;out:Synth");
  HWND preferences = Preferences;
  ASSERT_NE(preferences, nullptr);
  HWND routes = OpenRoutes();
  ASSERT_NE(routes, nullptr);
  PostMessageA(testsupport::ChildWithCaption(routes, "Add..."), BM_CLICK, 0, 0);
  HWND add = WaitToolsWindow("choose route:");
  ASSERT_NE(add, nullptr);

  std::vector<HWND> lists = testsupport::ChildrenOf(add, "TComboBox");
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(testsupport::ComboEntries(lists[0]), (std::vector<std::string>{"[none]", "Keys"}));
  EXPECT_EQ(testsupport::ComboEntries(lists[1]), (std::vector<std::string>{"[none]", "Synth"}));
  std::vector<std::string> devices = testsupport::ComboEntries(lists[2]);
  ASSERT_GE(devices.size(), 2u);
  EXPECT_EQ(devices[0], "[none]");
  // The card's first device, whose cache limit the preferences set, is listed last.
  const std::string device = devices.back();
  HWND ok = testsupport::ChildWithCaption(add, "OK");
  ASSERT_NE(ok, nullptr);
  EXPECT_FALSE(IsWindowEnabled(ok));
  ASSERT_TRUE(testsupport::ChooseEntry(lists[0], "Keys"));
  ASSERT_TRUE(testsupport::ChooseEntry(lists[1], "Synth"));
  ASSERT_TRUE(testsupport::ChooseEntry(lists[2], device));
  EXPECT_TRUE(IsWindowEnabled(ok));
  PostMessageA(ok, BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(add); }));
  DWORD closedAt = GetTickCount();
  PostMessageA(testsupport::ChildWithCaption(routes, "Close"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(routes); }));

  TRegArray stored(RoutesPath, true);
  stored.SaveOnDestroy = false;
  ASSERT_EQ(stored.Count(), 1);
  EXPECT_EQ(stored.GetItem(0), "Keys\x01Synth\x01" + device + "\x01[active]");

  // The server took the new route at once: a program change into Keys loads the mapped preset.
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 10000));
  std::cout << "[figure] routes closed to route running: " << GetTickCount() - closedAt << " ms" << std::endl;
  std::vector<CachedPresetRecord> records;
  EXPECT_TRUE(PlayUntilCached(listener, "Keys --> Synth --> " + device, "Keys", records));
  std::vector<TVirtualMidiEvent> out;
  EXPECT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 1, 5000, out));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(GetShortString(records[0].PresetName), "Warm Pad");
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadInteger("CurrentRoute", 0), 1);

  // "Disable SoundFont Device interface" takes the routes from the outside clients at once.
  EXPECT_EQ(Query(WM_TB_QUERY_ROUTE_COUNT), 1);
  HWND disable = testsupport::ChildWithCaption(preferences, "Disable SoundFont Device interface");
  ASSERT_NE(disable, nullptr);
  PostMessageA(disable, BM_CLICK, 0, 0);
  EXPECT_TRUE(Pump([&] { return Query(WM_TB_QUERY_ROUTE_COUNT) == 0; }, 5000));
  PostMessageA(disable, BM_CLICK, 0, 0);
  EXPECT_TRUE(Pump([&] { return Query(WM_TB_QUERY_ROUTE_COUNT) == 1; }, 5000));

  // A cache limit set in the preferences is the card's own: the server's tip shows it.
  HWND override = testsupport::ChildWithCaption(preferences, "Override AudioHQ cache limit");
  ASSERT_NE(override, nullptr);
  HWND sizeEdit = nullptr;
  for (HWND spin : testsupport::ChildrenOf(GetParent(override), "TKitSpinEdit")) sizeEdit = spin;
  ASSERT_NE(sizeEdit, nullptr);
  SendMessageA(sizeEdit, WM_SETTEXT, 0, LPARAM("4096"));
  PostMessageA(override, BM_CLICK, 0, 0);
  EXPECT_TRUE(Pump([&] {
    Query(WM_TB_GET_CACHE_INFO);
    return testsupport::ReadBytes(TrayLog).find("4096k max") != std::string::npos;
  }, 5000)) << testsupport::ReadBytes(TrayLog);
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadInteger("OverrideCacheSizeValue", 0), 4096 << 10);
}

TEST_F(PreferencesE2E, TwoDevicesJoinedInMemoryShareOneCache) {
  testsupport::TempFolder folder;
  testsupport::TRecordingWindow listener(kListener);
  StartWithPreferences(folder, "in:Keys;in:Pads;out:Synth;out:Organ");
  HWND routes = OpenRoutes();
  ASSERT_NE(routes, nullptr);
  PostMessageA(testsupport::ChildWithCaption(routes, "Memory..."), BM_CLICK, 0, 0);
  HWND memory = WaitToolsWindow("select sf devices sharing the same memory:");
  ASSERT_NE(memory, nullptr);
  std::vector<HWND> boxes = testsupport::ChildrenOf(memory, "TListBox");
  ASSERT_EQ(boxes.size(), 1u);
  std::vector<std::string> devices = testsupport::ListBoxEntries(boxes[0]);
  ASSERT_GE(devices.size(), 2u);
  SendMessageA(boxes[0], LB_SETSEL, TRUE, 0);
  SendMessageA(boxes[0], LB_SETSEL, TRUE, 1);
  PostMessageA(testsupport::ChildWithCaption(memory, "Ok"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(memory); }));
  {
    TRegArray shared(std::string(TarnbelKeyPath) + "\\ShareMemory", true);
    shared.SaveOnDestroy = false;
    EXPECT_EQ(shared.Count(), 2);
  }
  AddRoute(routes, "Keys", "Synth", devices[0]);
  AddRoute(routes, "Pads", "Organ", devices[1]);
  PostMessageA(testsupport::ChildWithCaption(routes, "Close"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(routes); }));

  // A preset played on the first route is in the second route's list: one cache for both devices.
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 10000));
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Pads", 10000));
  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(PlayUntilCached(listener, "Keys --> Synth --> " + devices[0], "Keys", records));
  EXPECT_TRUE(Pump([&] {
    Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Pads --> Organ --> " + devices[1]), 0);
    return CachedPresets(listener, records) && records.size() == 1;
  }, 5000));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(GetShortString(records[0].PresetName), "Warm Pad");
}
