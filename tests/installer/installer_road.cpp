#include "installer_road.h"

#include <algorithm>

#include "peer_programs.h"
#include "pump_until.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_message_box.h"
#include "scratch_folder.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

namespace installertest {

namespace {

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

void CancelPicker(HWND picker) {
  if (HWND cancel = ChildWithText(picker, "Cancel")) PostMessageA(cancel, BM_CLICK, 0, 0);
}

std::string Describe(const std::map<std::string, std::string>& traces) {
  std::string text;
  for (const auto& trace : traces) text += "\n  " + trace.first;
  return text;
}

}  // namespace

void InstallerRoad::SetUp() {
  EndPrograms();
  testsupport::ResetTarnbelKey();
  TrayLog = Scratch.File("tray.log");
  UseProgramFolder(ProgramFolderUnderTest());
}

void InstallerRoad::TearDown() {
  EndPrograms();
  // A removal's batch still at work would reach the next test's folder.
  Pump([] { return !FileExists(TempFile("delself.bat")); }, 90000);
  RemoveInstallation(Folder);
  testsupport::ResetTarnbelKey();
}

void InstallerRoad::UseProgramFolder(const std::string& folder) {
  if (!Folder.empty()) RemoveInstallation(Folder);
  Folder = folder;
  RemoveInstallation(Folder);
  ASSERT_TRUE(CopyTree(KitFolder(), Folder)) << KitFolder() << " to " << Folder;
  ASSERT_TRUE(CreateDirectoryA(WinampFolder().c_str(), nullptr));
  ASSERT_TRUE(testsupport::WriteTextFile(WinampFolder() + "winamp.exe", "Winamp"));
  WriteWinampEntry(REG_SZ, "\"" + WinampFolder() + "UninstWA.exe\" /S");
}

std::vector<TShownBox> InstallerRoad::RunSetup(const std::string& commandLine, DWORD& exitCode,
                                               const TBoxAnswer& answer) {
  std::vector<TShownBox> shown;
  exitCode = 99;
  // The command line is the quoted program and its parameters, as the uninstall entry holds it.
  size_t close = commandLine.find('"', 1);
  std::string program = commandLine.substr(1, close - 1), params = commandLine.substr(close + 1);
  if (!params.empty() && params[0] == ' ') params.erase(0, 1);
  if (!Setup.StartFile(program, params, "C:\\")) {
    ADD_FAILURE() << "cannot start " << commandLine;
    return shown;
  }
  const DWORD pid = Setup.ProcessId();
  for (;;) {
    HWND box = nullptr, picker = nullptr;
    bool ended = false;
    if (!Pump([&] {
          box = testsupport::FindMessageBoxOf(pid);
          picker = testsupport::FindWindowOf(pid, "", PickerCaption);
          if (picker && !IsWindowVisible(picker)) picker = nullptr;
          ended = !Setup.Running();
          return box || picker || ended;
        })) {
      ADD_FAILURE() << commandLine << ": neither a box nor the end";
      return shown;
    }
    if (ended) break;
    HWND window = box ? box : picker;
    shown.push_back({testsupport::WindowTitle(window), box ? testsupport::MessageBoxText(box) : "", GetTickCount()});
    if (picker) {
      CancelPicker(picker);
    } else {
      int id = answer ? answer(shown.back(), box) : IDOK;
      if (id) testsupport::ClickMessageBoxButton(box, id);
    }
    if (!Pump([&] { return !IsWindow(window) || !IsWindowVisible(window); })) {
      ADD_FAILURE() << "the box stays: " << shown.back().Text;
      return shown;
    }
    shown.back().Gone = GetTickCount();
  }
  EXPECT_TRUE(Setup.WaitExit(kWaitMs, exitCode));
  return shown;
}

void InstallerRoad::Install() {
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code);
  ASSERT_EQ(boxes.size(), 1u) << (boxes.empty() ? "" : boxes[0].Text);
  EXPECT_EQ(boxes[0].Text, "Installation complete.");
  EXPECT_EQ(code, 0u);
}

std::string InstallerRoad::UninstallString() const {
  testsupport::RawValue value = testsupport::ReadRaw(UninstallKey, "UninstallString", HKEY_LOCAL_MACHINE);
  std::string text(value.data.begin(), value.data.end());
  return text.c_str();
}

bool InstallerRoad::WaitTraces(const std::map<std::string, std::string>& expected, DWORD timeoutMs) {
  // The folder is looked into only once the batch is over: a listing holds the folder, which the batch
  // removes in one try.
  DWORD start = GetTickCount();
  Pump([] { return !FileExists(TempFile("delself.bat")); }, timeoutMs);
  if (Pump([&] { return InstallationTraces(Folder) == expected; }, timeoutMs - std::min(timeoutMs, GetTickCount() - start)))
    return true;
  ADD_FAILURE() << "left:" << Describe(InstallationTraces(Folder)) << "\nexpected:" << Describe(expected);
  return false;
}

void InstallerRoad::StoreServerProfile(bool showMonitor) {
  const std::string bank = Scratch.File("road.sf2");
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
  ASSERT_TRUE(builder.Write(bank));
  {
    TMapping mapping("Road", false, nullptr, "");
    mapping.AddItem(bank, 0, true, 0, "Grand Piano", 0, 0, 0);
  }
  testsupport::StoreOneRouteProfile("Road", showMonitor);
}

bool InstallerRoad::StartFromLink(e2e::TProgramProcess& program, const std::string& link) {
  TShellLinkInfo info = ReadShellLink(link);
  if (!info.Read) return false;
  SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", "in:Keys;out:Synth");
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", TrayLog.c_str());
  bool started = program.StartFile(info.Target, "", info.WorkingFolder);
  SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);
  return started;
}

bool InstallerRoad::PlayUntilShown(HWND monitor, const std::string& preset) {
  HWND list = testsupport::FindListViewWithColumns(monitor, 9);
  if (!list || !TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs)) return false;
  // Again each second: a route takes its input in its own time.
  DWORD last = GetTickCount() - 1000;
  return Pump([&] {
    for (const testsupport::TRemoteRow& row : testsupport::ReadRemoteListView(list, 9))
      if (row.Texts.size() == 9 && row.Texts[4] == preset) return true;
    if (GetTickCount() - last >= 1000) {
      TVirtualMidiBus::Play("Keys", 0xC0);
      last = GetTickCount();
    }
    return false;
  });
}

void InstallerRoad::EndPrograms() {
  Setup.Stop();
  Second.Stop();
  Tools.Stop();
  Server.Stop();
  testsupport::EndToolsPrograms();
}

}  // namespace installertest
