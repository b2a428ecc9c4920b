#include "monitor_e2e_fixture.h"

#include <cstdlib>

#include "peer_programs.h"
#include "played_server.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tray_log.h"
#include "virtual_midi_bus.h"

using testsupport::TRemoteRow;

namespace monitore2e {

std::string LastTrayTip(const std::string& path) {
  std::string tip;
  for (const testsupport::TTrayCall& call : testsupport::ReadTrayLog(path))
    if (!call.Tip.empty()) tip = call.Tip;
  return tip;
}

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }
uint32_t NoteOn(int channel, int velocity) {
  return static_cast<uint32_t>(0x90 | channel | 0x30 << 8 | velocity << 16);
}

bool Pump(const std::function<bool()>& done, DWORD timeoutMs) { return testsupport::PumpUntil(done, timeoutMs); }

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

}  // namespace monitore2e

using namespace monitore2e;

void MonitorE2E::SetUp() {
  ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
  testsupport::ResetTarnbelKey();
  Bank = Folder.File("demo.sf2");
  Wave = Folder.File("ah.wav");
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
  builder.AddPresetWithSamples("Warm Pad", 0, 3, {4000});
  builder.AddPresetWithSamples("Room Kit", 128, 8, {2000});
  ASSERT_TRUE(builder.Write(Bank));
  for (size_t i = 0; i < 3; ++i)
    SampleBytes[i == 0 ? "Grand Piano" : i == 1 ? "Warm Pad" : "Room Kit"] = builder.PresetSampleBytes(i);
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

void MonitorE2E::TearDown() {
  Server.Stop();
  testsupport::EndToolsPrograms();
  testsupport::ResetTarnbelKey();
}

void MonitorE2E::StartAll() {
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

bool MonitorE2E::WaitRows(const std::function<bool(const std::vector<TRemoteRow>&)>& done, DWORD timeoutMs) {
  return Pump([&] { return done(Rows()); }, timeoutMs);
}

void MonitorE2E::Play(uint32_t message) { ASSERT_EQ(TVirtualMidiBus::Play("Keys", message), TVirtualPlayResult::Played); }

bool MonitorE2E::PlayUntilRows(const std::vector<uint32_t>& messages,
                               const std::function<bool(const std::vector<TRemoteRow>&)>& done) {
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

bool MonitorE2E::WaitTipSettled() {
  const std::string log = Folder.File("tray.log");
  size_t lines = 0;
  DWORD since = GetTickCount();
  return Pump([&] {
    size_t now = testsupport::ReadTrayLog(log).size();
    if (now != lines) {
      lines = now;
      since = GetTickCount();
    }
    return GetTickCount() - since > 700;
  });
}

bool MonitorE2E::ClearCacheFromMenu() {
  // Another process's menu cannot be read under Wine: the keys go to the tracked menu.
  if (!testsupport::SelectRemoteRow(List, 0)) return false;
  RECT r;
  GetWindowRect(List, &r);
  PostMessageA(List, WM_CONTEXTMENU, WPARAM(List), MAKELPARAM(r.left + 30, r.top + 40));
  HWND menu = nullptr;
  if (!Pump([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); })) return false;
  for (WORD key : {WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_RETURN)}) PostMessageA(menu, WM_KEYDOWN, key, 0);
  return WaitRows([](const std::vector<TRemoteRow>& rows) { return rows.empty(); });
}
