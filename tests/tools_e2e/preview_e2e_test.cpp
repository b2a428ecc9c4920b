// The road of preview, with the real tb_tools.exe and tarnbel.exe, the stand-in card and the virtual MIDI bus:
// F7 with no preview route stored asks for one ("choose route:"); chosen, it is stored and the server runs it
// alone; a SoundFont entry selected in the editor is loaded there as a preview; F7 again brings the normal
// routes back with nothing of the preview left in the cache. With no server running, F7 offers to start
// one; closing the editor ends its preview.
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
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
#include "recording_window.h"
#include "remote_message_box.h"
#include "reg_array.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "route_record.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

namespace {

const DWORD kWaitMs = 20000;
const char* const kListener = "tarnbel preview e2e listener";
const char* const kPorts = "in:Keys;in:Pads;out:Synth";
const char* const kPreviewRoute = "Keys\x01Synth\x01SB Live!\x01";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) { return testsupport::PumpUntil(done, timeoutMs); }

class PreviewE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    Bank = Folder.File("bank.sf2");
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
    builder.AddPresetWithSamples("Warm Pad", 0, 3, {4000});
    ASSERT_TRUE(builder.Write(Bank));
    {
      TMapping mapping("E2E", false, nullptr, "");
      mapping.AddItem(Bank, 0, true, 0, "Warm Pad", 3, 0, 9);
      mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 10);
    }
    // Two normal routes: Keys and Pads.
    testsupport::StoreOneRouteProfile("E2E", false);
    TRegArray routes(RoutesPath, true);
    routes.Add(RouteRecordToString({"Pads", RouteNone, "SB Live!", RouteActive}), true);
    routes.Save();
  }
  void TearDown() override {
    Tools.Stop();
    Server.Stop();
    EndServerStartedByTools();
    testsupport::EndToolsPrograms();
    // "Pads" would stay on the bus for the cases after this one.
    TVirtualMidiBus::RemoveAllPorts();
    testsupport::ResetTarnbelKey();
  }

  HWND ServerWindow() { return FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE); }
  // A server the editor started has no handle here: its thread is asked to quit, killed when it does not.
  void EndServerStartedByTools() {
    HWND window = ServerWindow();
    if (!window) return;
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostThreadMessageA(thread, WM_QUIT, 0, 0);
    if (!process) return;
    if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    WaitForSingleObject(process, 2000);
    CloseHandle(process);
  }
  LRESULT Query(UINT id, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(ServerWindow(), id, 0, lParam, SMTO_NORMAL, 5000, &result), 0);
    return LRESULT(result);
  }
  // The inputs of the routes the server runs, sorted.
  std::vector<std::string> RouteInputs() {
    std::vector<std::string> inputs;
    const LRESULT count = Query(WM_TB_QUERY_ROUTE_COUNT);
    for (LRESULT i = 0; i < count; ++i) {
      std::string name;
      IPCReceiveString(WPARAM(Query(WM_TB_QUERY_ROUTE_NAME, i)), name);
      inputs.push_back(name);
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
  }
  std::vector<CachedPresetRecord> Cached() {
    std::vector<CachedPresetRecord> records;
    Listener.AskCacheList(ServerWindow(), records, 2000);
    return records;
  }
  // The cache holds only this preset of the file, loaded, as a preview.
  bool OnlyPreviewOf(int program) {
    std::vector<CachedPresetRecord> records = Cached();
    return records.size() == 1 && !records[0].Loading && GetShortString(records[0].MappingName) == NoneMarker &&
           GetShortString(records[0].SourceFile) == Bank && records[0].SourceBank == 0 &&
           records[0].SourcePreset == program;
  }

  void StartServer() {
    ASSERT_TRUE(e2e::StartServerOnBus(Server, "", kPorts));
    ASSERT_TRUE(Pump([&] { return ServerWindow() != nullptr; }));
    ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  }
  // The tools program sees the bus's ports in its route dialog.
  void OpenEditor() {
    SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", kPorts);
    bool started = Tools.Start("tb_tools.exe", "-EDITOR E2E");
    SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
    ASSERT_TRUE(started);
    ASSERT_TRUE(Pump([&] {
      Editor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel editor - E2E");
      return Editor && IsWindowVisible(Editor);
    }));
    std::vector<HWND> lists = testsupport::ChildrenOf(Editor, "TListView");
    ASSERT_EQ(lists.size(), 2u);
    // The attached presets lie right of the source's.
    RECT a, b;
    GetWindowRect(lists[0], &a);
    GetWindowRect(lists[1], &b);
    Attached = a.left > b.left ? lists[0] : lists[1];
  }
  void PressF7() {
    PostMessageA(Attached, WM_KEYDOWN, VK_F7, 1);
    PostMessageA(Attached, WM_KEYUP, VK_F7, LPARAM(0xC0000001));
  }
  int RowOf(const std::string& caption) {
    std::vector<testsupport::TRemoteRow> rows = testsupport::ReadRemoteListView(Attached, 1);
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].Texts[0] == caption) return int(i);
    return -1;
  }
  // Selects the entry by a click, then lets go of a key over the list: the release previews it.
  void SelectAndRelease(const std::string& caption) {
    const int row = RowOf(caption);
    ASSERT_GE(row, 0) << caption;
    ASSERT_TRUE(testsupport::PostClickOnRemoteRow(Attached, row));
    ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Attached, 1)[size_t(row)].Selected; }));
    PostMessageA(Attached, WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001));
  }

  // The monitor's cached presets: state, channel, bank, program, name, mapping, file, ...
  std::vector<testsupport::TRemoteRow> MonitorRows() {
    HWND monitor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel monitor");
    HWND list = monitor ? testsupport::FindListViewWithColumns(monitor, 9) : nullptr;
    return list ? testsupport::ReadRemoteListView(list, 9) : std::vector<testsupport::TRemoteRow>{};
  }
  // The box that offers to start the server, shown by the editor.
  HWND AwaitRunServerBox() {
    HWND box = nullptr;
    EXPECT_TRUE(Pump([&] { return (box = testsupport::FindMessageBoxOf(Tools.ProcessId(), "tarnbel")) != nullptr; }));
    if (box) {
      EXPECT_EQ(testsupport::MessageBoxText(box), "You should run tarnbel to use preview function. Run it now?");
    }
    return box;
  }

  testsupport::TempFolder Folder;
  testsupport::TRecordingWindow Listener{kListener};
  std::string Bank;
  e2e::TProgramProcess Server, Tools;
  HWND Editor = nullptr, Attached = nullptr;
};

}  // namespace

TEST_F(PreviewE2E, TheChosenRouteRunsAloneAndLoadsTheSelectedEntryUntilF7EndsIt) {
  StartServer();
  OpenEditor();

  // No route stored: F7 asks for one.
  PressF7();
  HWND choose = nullptr;
  ASSERT_TRUE(Pump([&] {
    choose = testsupport::FindWindowOf(Tools.ProcessId(), "", "choose route:");
    return choose && IsWindowVisible(choose);
  }));
  std::vector<HWND> combos = testsupport::ChildrenOf(choose, "TComboBox");
  ASSERT_EQ(combos.size(), 3u);
  ASSERT_TRUE(testsupport::ChooseEntry(combos[0], "Keys"));
  ASSERT_TRUE(testsupport::ChooseEntry(combos[1], "Synth"));
  ASSERT_TRUE(testsupport::ChooseEntry(combos[2], "SB Live!"));
  PostMessageA(testsupport::ChildWithCaption(choose, "OK"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(choose) || !IsWindowVisible(choose); }));
  EXPECT_TRUE(Pump([] {
    return TRegKey(TarnbelKeyPath, false).ReadString(PreviewRouteValue, "") == "Keys\x01Synth\x01SB Live!\x01";
  }));
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));

  // The SoundFont entry selected: its preset is loaded alone, as a preview, by its bank and program in the file.
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));

  // Key release to preset in the card: Down and Up go between the two entries; the press only moves the
  // selection, the release previews.
  std::vector<double> times;
  for (int i = 0; i < 20; ++i) {
    const bool piano = i % 2 == 0;
    const WORD key = piano ? VK_DOWN : VK_UP;
    const int row = RowOf(piano ? "000: 010: Grand Piano" : "000: 009: Warm Pad");
    PostMessageA(Attached, WM_KEYDOWN, key, 1);
    ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Attached, 1)[size_t(row)].Selected; }));
    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageA(Attached, WM_KEYUP, key, LPARAM(0xC0000001));
    ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(piano ? 0 : 3); }));
    QueryPerformanceCounter(&now);
    times.push_back(double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  std::cout << "key release to preset in card over 20: p50 " << times[9] << " ms, p99 " << times[19] << " ms\n";

  // F7 again: the normal routes, nothing cached.
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  EXPECT_TRUE(Pump([&] { return Cached().empty(); }));
}

TEST_F(PreviewE2E, WithNoServerF7OffersToStartItNoStartsNothingYesStartsItInPreview) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteString(PreviewRouteValue, kPreviewRoute), ERROR_SUCCESS);
  ASSERT_EQ(ServerWindow(), nullptr);
  OpenEditor();

  PressF7();
  HWND box = AwaitRunServerBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(testsupport::ClickMessageBoxButton(box, IDNO));
  ASSERT_TRUE(Pump([&] { return !IsWindow(box) || !IsWindowVisible(box); }));

  // Preview stayed off: F7 asks again instead of ending it, and nothing was started in between.
  PressF7();
  box = AwaitRunServerBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ServerWindow(), nullptr);
  ASSERT_TRUE(testsupport::ClickMessageBoxButton(box, IDYES));

  // The started server runs the preview route alone, and the selected entry is loaded there.
  ASSERT_TRUE(Pump([&] { return ServerWindow() != nullptr; }));
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));
}

TEST_F(PreviewE2E, ClosingTheEditorWhileAPresetPreviewsEndsThePreview) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteString(PreviewRouteValue, kPreviewRoute), ERROR_SUCCESS);
  StartServer();
  OpenEditor();
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));

  // The monitor names the previewed preset's mapping "preview".
  PostMessageA(testsupport::FindWindowOf(Tools.ProcessId(), "", TOOLS_WINDOW_TITLE), WM_TB_SHOW_MONITOR, 0, 0);
  EXPECT_TRUE(Pump([&] {
    std::vector<testsupport::TRemoteRow> rows = MonitorRows();
    return rows.size() == 1 && rows[0].Texts[4] == "Warm Pad" && rows[0].Texts[5] == "preview";
  }));

  PostMessageA(Editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(Editor) || !IsWindowVisible(Editor); }));
  EXPECT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  EXPECT_TRUE(Pump([&] { return Cached().empty(); }));
}
