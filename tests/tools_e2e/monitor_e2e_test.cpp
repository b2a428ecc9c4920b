// The monitor of the real tb_tools.exe, started by the real server with the stand-in card, while
// presets are played through the virtual MIDI bus; read and driven from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "ipc.h"
#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
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

using testsupport::TRemoteRow;

namespace {

const DWORD kWaitMs = 20000;

// The tip of the server's last tray call that set one ("message flags icon tip" lines).
std::string LastTrayTip(const std::string& log) {
  std::string tip;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t field = 0, at = 0;
    while (field < 3 && (at = line.find(' ', at)) != std::string::npos) ++field, ++at;
    if (field == 3 && at < line.size()) tip = line.substr(at);
  }
  return tip;
}

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }
uint32_t NoteOn(int channel, int velocity) {
  return static_cast<uint32_t>(0x90 | channel | 0x30 << 8 | velocity << 16);
}

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

// Columns: 0 lamp, 1 channel, 2 bank, 3 program, 4 name, 5 mapping, 6 file, 7 bank in file, 8 preset in file.
const TRemoteRow* RowOf(const std::vector<TRemoteRow>& rows, const std::string& bank, const std::string& program) {
  for (const TRemoteRow& row : rows)
    if (row.Texts.size() == 9 && row.Texts[2] == bank && row.Texts[3] == program) return &row;
  return nullptr;
}

int RowIndexOf(const std::vector<TRemoteRow>& rows, const std::string& name) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].Texts.size() == 9 && rows[i].Texts[4] == name) return int(i);
  return -1;
}

long FreeK(const std::string& status) { return std::strtol(status.c_str(), nullptr, 10); }

class MonitorE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    Bank = Folder.File("demo.sf2");
    Wave = Folder.File("ah.wav");
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
    builder.AddPresetWithSamples("Warm Pad", 0, 3, {4000});
    builder.AddPresetWithSamples("Room Kit", 128, 8, {2000});
    ASSERT_TRUE(builder.Write(Bank));
    ASSERT_TRUE(testsupport::WriteWaveFile(Wave, 1, 1, 16, 1500));
    {
      TMapping mapping("Demo", false, nullptr, "");
      mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
      mapping.AddItem(Bank, 0, true, 0, "Warm Pad", 3, 0, 5);
      mapping.AddItem(Bank, 128, true, 0, "Room Kit", 8, 128, 8);
      mapping.AddItem(Wave, 0, true, 0, "ah.wav", 0, 200, 7);
    }
    testsupport::StoreOneRouteProfile("Demo", true);
  }
  void TearDown() override {
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  void StartAll() {
    ASSERT_TRUE(e2e::StartServerOnBus(Server, Folder.File("tray.log")));
    ASSERT_TRUE(Pump([&] {
      Monitor = testsupport::FindTopWindowStartingWith(0, "tarnbel monitor");
      return Monitor && IsWindowVisible(Monitor);
    }));
    List = testsupport::FindListViewWithColumns(Monitor, 9);
    Routes = testsupport::FindListViewWithColumns(Monitor, 1);
    Bar = testsupport::FindChildOfClass(Monitor, "TStatusBar");
    ASSERT_NE(List, nullptr);
    ASSERT_NE(Routes, nullptr);
    ASSERT_NE(Bar, nullptr);
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));
  }
  std::vector<TRemoteRow> Rows() { return testsupport::ReadRemoteListView(List, 9); }
  bool WaitRows(const std::function<bool(const std::vector<TRemoteRow>&)>& done, DWORD timeoutMs = kWaitMs) {
    return Pump([&] { return done(Rows()); }, timeoutMs);
  }
  void Play(uint32_t message) { ASSERT_EQ(TVirtualMidiBus::Play("Keys", message), TVirtualPlayResult::Played); }
  void Key(WORD key) { PostMessageA(List, WM_KEYDOWN, key, 0); }
  // Plays the messages, again each second while the rows are not there yet: a route that (re)starts
  // takes its input in its own time.
  bool PlayUntilRows(const std::vector<uint32_t>& messages, const std::function<bool(const std::vector<TRemoteRow>&)>& done) {
    DWORD last = GetTickCount() - 1000;
    return WaitRows([&](const std::vector<TRemoteRow>& rows) {
      if (done(rows)) return true;
      if (GetTickCount() - last >= 1000) {
        for (uint32_t m : messages) TVirtualMidiBus::Play("Keys", m);
        last = GetTickCount();
      }
      return false;
    });
  }

  testsupport::TempFolder Folder;
  std::string Bank, Wave;
  e2e::TProgramProcess Server;
  HWND Monitor = nullptr, List = nullptr, Routes = nullptr, Bar = nullptr;
};

}  // namespace

TEST_F(MonitorE2E, PlayedPresetsShowLightAndGoAndTheServerFollowsTheMonitor) {
  StartAll();
  // The server's current route is the monitor's selected row.
  ASSERT_TRUE(Pump([&] {
    std::vector<TRemoteRow> routes = testsupport::ReadRemoteListView(Routes, 1);
    return routes.size() == 2 && routes[1].Selected && routes[1].Texts[0] == "Keys --> Synth --> SB Live!";
  }));

  ASSERT_TRUE(PlayUntilRows({ProgramChange(0, 0), ProgramChange(1, 5), ProgramChange(9, 8), ProgramChange(2, 7)},
                            [](const std::vector<TRemoteRow>& rows) { return rows.size() == 4; }));
  std::vector<TRemoteRow> rows = Rows();
  const TRemoteRow* piano = RowOf(rows, "0", "0");
  const TRemoteRow* pad = RowOf(rows, "0", "5");
  const TRemoteRow* kit = RowOf(rows, "d", "8");
  const TRemoteRow* wave = RowOf(rows, "0", "7");
  ASSERT_TRUE(piano && pad && kit && wave);
  EXPECT_EQ(piano->Texts, (std::vector<std::string>{"", "1", "0", "0", "Grand Piano", "Demo", Bank, "0", "0"}));
  EXPECT_EQ(pad->Texts, (std::vector<std::string>{"", "2", "0", "5", "Warm Pad", "Demo", Bank, "0", "3"}));
  EXPECT_EQ(kit->Texts, (std::vector<std::string>{"", "10", "d", "8", "Room Kit", "Demo", Bank, "d", "8"}));
  EXPECT_EQ(wave->Texts[1], "3");
  EXPECT_EQ(wave->Texts[6], Wave);
  EXPECT_EQ(wave->Texts[7], "wave");
  EXPECT_EQ(wave->Texts[8], "");
  // The status text: the cache's figures.
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteStatusText(Bar, 1).find(" 4 cached") != std::string::npos; }));
  // ... the same text the server's tray tip shows.
  EXPECT_TRUE(Pump([&] {
    return testsupport::ReadRemoteStatusText(Bar, 1) == LastTrayTip(testsupport::ReadBytes(Folder.File("tray.log")));
  })) << testsupport::ReadRemoteStatusText(Bar, 1) << " / " << LastTrayTip(testsupport::ReadBytes(Folder.File("tray.log")));

  // A note lights the playing row; its end leaves an afterglow that goes out.
  Play(NoteOn(0, 100));
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { const TRemoteRow* p = RowOf(r, "0", "0"); return p && p->Image == 1; }));
  Play(NoteOn(0, 0));
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { const TRemoteRow* p = RowOf(r, "0", "0"); return p && p->Image != 1; }));
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { const TRemoteRow* p = RowOf(r, "0", "0"); return p && p->Image == 0; }, 3000));

  // A program change to its row: the channel moves there.
  std::vector<DWORD> times;
  for (int i = 0; i < 50; ++i) {
    int program = i % 2 ? 0 : 5;
    DWORD start = GetTickCount();
    Play(ProgramChange(0, program));
    bool shown = WaitRows([&](const std::vector<TRemoteRow>& r) {
      const TRemoteRow* row = RowOf(r, "0", std::to_string(program));
      return row && row->Texts[1] == "1";
    }, 5000);
    ASSERT_TRUE(shown) << "program change " << i;
    times.push_back(GetTickCount() - start);
  }
  std::sort(times.begin(), times.end());
  std::cout << "[ figures  ] program change to its monitor row: p50 " << times[24] << " ms, p99 " << times[49]
            << " ms over 50" << std::endl;

  // Del unloads the selected row; the free memory shown rises.
  rows = Rows();
  long freeBefore = FreeK(testsupport::ReadRemoteStatusText(Bar, 1));
  ASSERT_TRUE(testsupport::SelectRemoteRow(List, RowIndexOf(rows, "Warm Pad")));
  Key(VK_DELETE);
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { return r.size() == 3 && RowIndexOf(r, "Warm Pad") < 0; }));
  ASSERT_TRUE(Pump([&] { return FreeK(testsupport::ReadRemoteStatusText(Bar, 1)) > freeBefore; }));

  // "Clear cache" from the real pop-up menu: second below "Unload selected from cache", which a selected
  // row enables (the keys then reach it however disabled items are passed over). Another process's menu
  // cannot be read under Wine: the keys go to the tracked menu.
  ASSERT_TRUE(testsupport::SelectRemoteRow(List, 0));
  RECT r;
  GetWindowRect(List, &r);
  PostMessageA(List, WM_CONTEXTMENU, WPARAM(List), MAKELPARAM(r.left + 30, r.top + 40));
  HWND menu = nullptr;
  ASSERT_TRUE(Pump([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); }));
  for (WORD key : {WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_RETURN)}) PostMessageA(menu, WM_KEYDOWN, key, 0);
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { return r.empty(); }));
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteStatusText(Bar, 1).find(" 0k used") != std::string::npos; }));

  // F7 turns the server off and on again: the server's tray icon follows each time.
  const std::string trayLog = Folder.File("tray.log");
  auto trayLines = [&] {
    std::string log = testsupport::ReadBytes(trayLog);
    return std::count(log.begin(), log.end(), '\n');
  };
  for (int i = 0; i < 2; ++i) {
    auto before = trayLines();
    Key(VK_F7);
    ASSERT_TRUE(Pump([&] { return trayLines() > before; })) << "F7 number " << i + 1;
  }

  // A player's file name and text set through the server reach the caption and the text pane.
  HWND server = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
  ASSERT_NE(server, nullptr);
  TIPCLink toServer(SERVER_WINDOW_TITLE, 0);
  ASSERT_TRUE(toServer.SendString("C:\\midi\\canyon.mid", WM_TB_SET_FILE_NAME));
  ASSERT_TRUE(toServer.SendString("Canyon by Fall", WM_TB_SET_FILE_TEXT));
  ASSERT_TRUE(Pump([&] {
    char caption[256] = {0};
    GetWindowTextA(Monitor, caption, sizeof caption);
    return std::string(caption) == "tarnbel monitor - canyon.mid";
  }));
  HWND text = testsupport::FindChildOfClass(Monitor, "TRichEdit");
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(Pump([&] {
    char buffer[256] = {0};
    SendMessageA(text, WM_GETTEXT, sizeof buffer, LPARAM(buffer));
    return std::string(buffer) == "Canyon by Fall";
  }));

  // The server's end ends the tools program it started.
  DWORD toolsPid = 0;
  GetWindowThreadProcessId(Monitor, &toolsPid);
  HANDLE tools = OpenProcess(SYNCHRONIZE, FALSE, toolsPid);
  ASSERT_NE(tools, nullptr);
  Server.Stop();
  EXPECT_TRUE(Pump([&] { return WaitForSingleObject(tools, 0) == WAIT_OBJECT_0; }));
  CloseHandle(tools);
}
