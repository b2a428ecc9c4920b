#pragma once
// The monitor of the real tb_tools.exe, started by the real server with the stand-in card, while presets
// are played through the virtual MIDI bus; read and driven from outside. The stored profile: the
// mapping "Demo" of demo.sf2 ("Grand Piano" 0:0, "Warm Pad" 0:3 in slot 0:5, "Room Kit" drum kit 8) and
// ah.wav in slot 0:7, the active route Keys --> Synth --> SB Live!, current in the monitor, AutoStart
// and ShowMonitor on.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "program_process.h"
#include "remote_list_view.h"
#include "standin_support.h"

namespace monitore2e {

constexpr DWORD kWaitMs = 20000;

uint32_t ProgramChange(int channel, int program);
uint32_t NoteOn(int channel, int velocity);
bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);
// The tip of the last tray call of the server's log that set one.
std::string LastTrayTip(const std::string& path);
// The free kilobytes at the front of the status text.
long FreeK(const std::string& status);

// Columns: 0 lamp, 1 channel, 2 bank, 3 program, 4 name, 5 mapping, 6 file, 7 bank in file, 8 preset in file.
const testsupport::TRemoteRow* RowOf(const std::vector<testsupport::TRemoteRow>& rows, const std::string& bank,
                                     const std::string& program);
int RowIndexOf(const std::vector<testsupport::TRemoteRow>& rows, const std::string& name);

}  // namespace monitore2e

class MonitorE2E : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the server (which starts the tools program and its monitor) and waits for the monitor's
  // lists and the route's input.
  void StartAll();
  std::vector<testsupport::TRemoteRow> Rows() { return testsupport::ReadRemoteListView(List, 9); }
  std::vector<testsupport::TRemoteRow> RouteRows() { return testsupport::ReadRemoteListView(Routes, 1); }
  std::string StatusText() { return testsupport::ReadRemoteStatusText(Bar, 1); }
  bool WaitRows(const std::function<bool(const std::vector<testsupport::TRemoteRow>&)>& done,
                DWORD timeoutMs = monitore2e::kWaitMs);
  void Play(uint32_t message);
  void Key(WORD key) { PostMessageA(List, WM_KEYDOWN, key, 0); }
  // Plays the messages, again each second while the rows are not there yet: a route that (re)starts
  // takes its input in its own time.
  bool PlayUntilRows(const std::vector<uint32_t>& messages,
                     const std::function<bool(const std::vector<testsupport::TRemoteRow>&)>& done);
  // No tray tip set for longer than the server's 500 ms limit on them: no list is on its way.
  bool WaitTipSettled();
  // "Clear cache" from the list's pop-up menu (the second item; a selected row enables the first).
  bool ClearCacheFromMenu();

  testsupport::TempFolder Folder;
  std::string Bank, Wave;
  // The card's sample bytes of each preset of demo.sf2, by name.
  std::map<std::string, uint64_t> SampleBytes;
  e2e::TProgramProcess Server;
  HWND Monitor = nullptr, List = nullptr, Routes = nullptr, Bar = nullptr;
};
