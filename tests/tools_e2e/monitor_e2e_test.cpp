// The monitor of the real tb_tools.exe, started by the real server with the stand-in card, while
// presets are played through the virtual MIDI bus; read and driven from outside.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "ipc.h"
#include "monitor_e2e_fixture.h"
#include "remote_list_view.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

using namespace monitore2e;
using testsupport::TRemoteRow;

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
    return testsupport::ReadRemoteStatusText(Bar, 1) == LastTrayTip(Folder.File("tray.log"));
  })) << testsupport::ReadRemoteStatusText(Bar, 1) << " / " << LastTrayTip(Folder.File("tray.log"));

  // A note lights the playing row; its end leaves an afterglow that goes out. (A list that arrives
  // meanwhile would show every lamp off: the loads' lists are through first.)
  ASSERT_TRUE(WaitTipSettled());
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
  // row enables (the keys then reach it however disabled items are passed over).
  ASSERT_TRUE(ClearCacheFromMenu());
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteStatusText(Bar, 1).find(" 0k used") != std::string::npos; }));
  // The next program change loads the preset again: its row comes back.
  Play(ProgramChange(0, 0));
  ASSERT_TRUE(WaitRows([](const std::vector<TRemoteRow>& r) { return RowOf(r, "0", "0") != nullptr; }, 5000))
      << "no row after Clear cache within 5 s";

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
