#include "preview_road_fixture.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog_windows.h"
#include "ipc.h"
#include "peer_programs.h"
#include "played_server.h"
#include "pump_until.h"
#include "reg_array.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "route_record.h"
#include "server_profile.h"
#include "server_test_support.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tray_log.h"
#include "virtual_midi_bus.h"

namespace previewe2e {

const char* const kPreviewRoute = "Keys\x01Synth\x01SB Live!\x01";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs) { return testsupport::PumpUntil(done, timeoutMs); }

}  // namespace previewe2e

using namespace previewe2e;

namespace {

const char* const kPorts = "in:Keys;in:Pads;out:Synth";
const uint32_t kWave16Frames = 20000;

}  // namespace

void PreviewRoadFixture::SetUp() {
  ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
  testsupport::ResetTarnbelKey();
  FFilesBefore = servertest::PayloadFiles();
  FAtomsBefore = servertest::PayloadAtoms();
  Bank = Folder.File("bank.sf2");
  Other = Folder.File("other.sf2");
  Waves = Folder.File("waves");
  Wave16 = Waves + "\\ah.wav";
  Wave24 = Waves + "\\deep.wav";
  sf2test::Sf2Builder bank;
  bank.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
  bank.AddPresetWithSamples("Warm Pad", 0, 3, {4000});
  ASSERT_TRUE(bank.Write(Bank));
  WarmPadBytes = bank.PresetSampleBytes(1);
  sf2test::Sf2Builder other;
  other.AddPresetWithSamples("Other Piano", 0, 0, {2000});
  other.AddPresetWithSamples("Other Pad", 0, 3, {2500});
  ASSERT_TRUE(other.Write(Other));
  ASSERT_TRUE(CreateDirectoryA(Waves.c_str(), nullptr));
  ASSERT_TRUE(testsupport::WriteWaveFile(Wave16, 1, 1, 16, kWave16Frames));
  ASSERT_TRUE(testsupport::WriteWaveFile(Wave24, 1, 1, 24, 1500));
  Wave16Bytes = uint64_t(kWave16Frames) * 2;
  {
    TMapping mapping("E2E", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Warm Pad", 3, 0, 9);
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 10);
    mapping.AddItem(Other, 0, true, 0, "Other Piano", 0, 0, 11);
    mapping.AddItem(Waves + "\\", 0, true, 0, "ah.wav|ah", WaveSourceBank, WaveSourceBank, 12);
    mapping.AddItem(Waves + "\\", 0, true, 0, "deep.wav|deep", WaveSourceBank, WaveSourceBank, 13);
  }
  testsupport::StoreOneRouteProfile("E2E", false);
  TRegArray routes(RoutesPath, true);
  routes.Add(RouteRecordToString({"Pads", RouteNone, "SB Live!", RouteActive}), true);
  routes.Save();
}

void PreviewRoadFixture::TearDown() {
  // What the tools program sends as it ends (its editor's preview off, say) is taken while the server still
  // runs: a message still in its file when the server is ended would stay there.
  Tools.Stop();
  Pump([&] { return servertest::PayloadFiles() == FFilesBefore; }, 3000);
  Server.Stop();
  EndServerStartedByTools();
  testsupport::EndToolsPrograms();
  // "Pads" would stay on the bus for the cases after this one.
  TVirtualMidiBus::RemoveAllPorts();
  testsupport::ResetTarnbelKey();
  // Whatever went between the programs and this test was taken, file and atom; a reply still on its way to the
  // listener is taken meanwhile.
  EXPECT_TRUE(Pump([&] { return servertest::PayloadFiles() == FFilesBefore; }, 3000)) << [&] {
    std::string left = "payload files left:";
    for (const std::string& file : servertest::PayloadFiles())
      if (!FFilesBefore.count(file)) left += "\n" + file + ": " + testsupport::ReadBytes(file).substr(0, 64);
    return left;
  }();
  EXPECT_EQ(servertest::PayloadAtoms(), FAtomsBefore);
}

HWND PreviewRoadFixture::ServerWindow() const { return FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE); }

void PreviewRoadFixture::EndServerStartedByTools() {
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

LRESULT PreviewRoadFixture::Query(UINT id, LPARAM lParam) {
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutA(ServerWindow(), id, 0, lParam, SMTO_NORMAL, 5000, &result), 0);
  return LRESULT(result);
}

std::vector<std::string> PreviewRoadFixture::RouteInputs() {
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

std::vector<CachedPresetRecord> PreviewRoadFixture::Cached() {
  std::vector<CachedPresetRecord> records;
  Listener.AskCacheList(ServerWindow(), records, 2000);
  return records;
}

bool PreviewRoadFixture::OnlyPreviewOf(const std::string& file, int bank, int program) {
  std::vector<CachedPresetRecord> records = Cached();
  return records.size() == 1 && !records[0].Loading && GetShortString(records[0].MappingName) == NoneMarker &&
         GetShortString(records[0].SourceFile) == file && records[0].SourceBank == bank &&
         records[0].SourcePreset == program;
}

void PreviewRoadFixture::StartServer() {
  ASSERT_TRUE(e2e::StartServerOnBus(Server, Folder.File("tray.log"), kPorts));
  ASSERT_TRUE(Pump([&] { return ServerWindow() != nullptr; }));
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
}

void PreviewRoadFixture::OpenEditor() {
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
  Presets = Attached == lists[0] ? lists[1] : lists[0];
  ASSERT_TRUE(Pump([&] { return AttachedRow("013: deep") >= 0; }));
}

void PreviewRoadFixture::CloseEditor() {
  PostMessageA(Editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(Editor) || !IsWindowVisible(Editor); }));
}

void PreviewRoadFixture::PressF7() {
  PostMessageA(Attached, WM_KEYDOWN, VK_F7, 1);
  PostMessageA(Attached, WM_KEYUP, VK_F7, LPARAM(0xC0000001));
}

int PreviewRoadFixture::AttachedRow(const std::string& captionEnd) {
  std::vector<testsupport::TRemoteRow> rows = testsupport::ReadRemoteListView(Attached, 1);
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& caption = rows[i].Texts[0];
    if (caption.size() >= captionEnd.size() && caption.compare(caption.size() - captionEnd.size(), captionEnd.size(),
                                                                 captionEnd) == 0)
      return int(i);
  }
  return -1;
}

void PreviewRoadFixture::SelectAndRelease(const std::string& captionEnd) {
  const int row = AttachedRow(captionEnd);
  ASSERT_GE(row, 0) << captionEnd;
  ASSERT_TRUE(testsupport::PostClickOnRemoteRow(Attached, row));
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Attached, 1)[size_t(row)].Selected; }));
  PostMessageA(Attached, WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001));
}

HWND PreviewRoadFixture::AwaitRouteDialog() {
  HWND dialog = nullptr;
  EXPECT_TRUE(Pump([&] {
    dialog = testsupport::FindWindowOf(Tools.ProcessId(), "", "choose route:");
    return dialog && IsWindowVisible(dialog);
  }));
  return dialog;
}

bool PreviewRoadFixture::PreviewButtonDown() {
  HWND misc = nullptr;
  for (HWND bar : testsupport::ChildrenOf(Editor, "TToolBar"))
    if (testsupport::WindowTitle(bar) == "Misc") misc = bar;
  RECT rect{};
  int command = 0;
  if (!misc || !testsupport::ReadRemoteToolButton(misc, 0, rect, command)) {
    ADD_FAILURE() << "the \"Misc\" toolbar's first button cannot be read";
    return false;
  }
  // A button of an action shows its Checked state pressed down.
  return (SendMessageA(misc, TB_GETSTATE, WPARAM(command), 0) & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
}

std::string PreviewRoadFixture::EditorStatus() {
  // One simple panel.
  return testsupport::ReadRemoteStatusText(testsupport::FindChildOfClass(Editor, "TStatusBar"), 0);
}

std::string PreviewRoadFixture::TrayTip() {
  std::string tip;
  for (const testsupport::TTrayCall& call : testsupport::ReadTrayLog(Folder.File("tray.log")))
    if (!call.Tip.empty()) tip = call.Tip;
  return tip;
}

void PreviewRoadFixture::ShowMonitor() {
  PostMessageA(testsupport::FindWindowOf(Tools.ProcessId(), "", TOOLS_WINDOW_TITLE), WM_TB_SHOW_MONITOR, 0, 0);
}

std::vector<testsupport::TRemoteRow> PreviewRoadFixture::MonitorRows() {
  HWND monitor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel monitor");
  HWND list = monitor ? testsupport::FindListViewWithColumns(monitor, 9) : nullptr;
  return list ? testsupport::ReadRemoteListView(list, 9) : std::vector<testsupport::TRemoteRow>{};
}
