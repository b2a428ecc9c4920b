// The real tb_tools.exe installing from its program folder, refusing a reinstallation while the server
// runs, repeating one later, and removing everything it installed together with itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <set>

#include "installer_road.h"
#include "peer_programs.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_message_box.h"
#include "scratch_folder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"

using namespace installertest;

namespace {

std::string Value(const char* key, const char* name) {
  testsupport::RawValue value = testsupport::ReadRaw(key, name, HKEY_LOCAL_MACHINE);
  return std::string(value.data.begin(), value.data.end());
}

// The icons of the server's tray calls (lines "message flags icon tip"; flag 2 sets the icon).
std::set<std::string> TrayIcons(const std::string& log) {
  std::set<std::string> icons;
  for (const std::string& line : Lines(testsupport::ReadBytes(log))) {
    char icon[32] = {};
    unsigned long message = 0;
    unsigned flags = 0;
    if (sscanf(line.c_str(), "%lu %u %31s", &message, &flags, icon) == 3 && (flags & 2)) icons.insert(icon);
  }
  return icons;
}

HWND WaitMonitor(DWORD processId) {
  HWND monitor = nullptr;
  testsupport::PumpUntil(
      [&] {
        monitor = testsupport::FindTopWindowStartingWith(processId, "tarnbel monitor");
        return monitor && IsWindowVisible(monitor);
      },
      kWaitMs);
  return monitor;
}

int PressKey(HWND box, WORD key) {
  testsupport::PressKeyInMessageBox(box, key);
  return 0;
}

const char* const ConfirmationText = "Do you really want to uninstall tarnbel v1.24.2 ?";

}  // namespace

TEST_F(InstallerRoad, InstallationPutsEveryPieceInPlaceAndTheServerRunsAsItsLinkSays) {
  const std::string users = ProgramFile("my notes.txt");
  ASSERT_TRUE(testsupport::WriteTextFile(users, "not installed"));
  const uint64_t usersTime = WriteTime(users), stamp = WriteTime(ProgramFile("wendrel.dll"));
  const std::vector<std::string> listed = Lines(testsupport::ReadBytes(ProgramFile("instlist.txt")));
  ASSERT_GE(listed.size(), 5u);

  DWORD code = 99, started = GetTickCount();
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code);
  ASSERT_EQ(boxes.size(), 1u) << boxes.back().Text;
  std::cout << "[ figures  ] installation: " << boxes[0].At - started << " ms from the start to its box" << std::endl;
  EXPECT_EQ(boxes[0].Caption, "tarnbel v1.24.2 setup");
  EXPECT_EQ(boxes[0].Text, "Installation complete.");
  EXPECT_EQ(code, 0u);

  EXPECT_EQ(testsupport::ReadBytes(SystemFile("wendrel.dll")), testsupport::ReadBytes(ProgramFile("wendrel.dll")));
  EXPECT_EQ(testsupport::ReadBytes(WinampFolder() + "plugins\\in_tbvox.dll"),
            testsupport::ReadBytes(ProgramFile("in_tbvox.dll")));
  EXPECT_EQ(Value("Software\\SoundFont\\Devices", "wendrel.dll").substr(0, 12), std::string("wendrel.dll\0", 12));
  const std::string group = ProgramsFolder() + "\\tarnbel v1.24.2";
  const std::pair<std::string, std::string> links[] = {
      {DesktopFolder() + "\\tarnbel v1.24.2.lnk", "tarnbel.exe"},
      {DesktopFolder() + "\\tarnbel tools v1.24.2.lnk", "tb_tools.exe"},
      {group + "\\tarnbel.lnk", "tarnbel.exe"},
      {group + "\\tarnbel tools.lnk", "tb_tools.exe"},
      {group + "\\tarnbel help.lnk", "help.htm"},
  };
  for (const auto& link : links) {
    TShellLinkInfo read = ReadShellLink(link.first);
    EXPECT_TRUE(read.Read) << link.first;
    EXPECT_EQ(read.Target, ProgramFile(link.second)) << link.first;
    EXPECT_EQ(read.WorkingFolder, Folder) << link.first;
  }
  EXPECT_EQ(Value(UninstallKey, "DisplayName"), std::string("tarnbel v1.24.2", 16));
  std::string command = "\"" + ProgramFile("tb_tools.exe") + "\" -UNINSTALL";
  EXPECT_EQ(Value(UninstallKey, "UninstallString"), std::string(command.c_str(), command.size() + 1));
  for (const std::string& file : listed) EXPECT_EQ(WriteTime(ProgramFile(file)), stamp) << file;
  EXPECT_EQ(WriteTime(users), usersTime);
  EXPECT_FALSE(FileExists(ProgramFile("instlist.txt")));

  // Started as its Start-menu link says, the server finds its tray icons in its working folder and loads
  // what is played.
  StoreServerProfile(true);
  ASSERT_TRUE(StartFromLink(Server, group + "\\tarnbel.lnk"));
  HWND monitor = WaitMonitor(0);
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(PlayUntilShown(monitor, "Grand Piano"));
  EXPECT_GE(TrayIcons(TrayLog).size(), 2u) << "only the program's own icon: the tray icons were not found";
}

TEST_F(InstallerRoad, ReinstallationIsRefusedWhileTheServerRunsAndLaterRepeatsTheInstallationWithoutStamping) {
  ASSERT_NO_FATAL_FAILURE(Install());
  StoreServerProfile(false);
  ASSERT_TRUE(StartFromLink(Server, DesktopFolder() + "\\tarnbel v1.24.2.lnk"));
  ASSERT_TRUE(testsupport::PumpUntil([] { return FindWindowA(nullptr, SERVER_WINDOW_TITLE) != nullptr; }, kWaitMs));
  const std::map<std::string, std::string> installed = InstallationTraces(Folder);

  DWORD code = 99;
  EXPECT_TRUE(RunTools("-REINSTALL", code).empty());
  EXPECT_EQ(code, 1u);
  HWND refusal = nullptr;
  ASSERT_TRUE(testsupport::PumpUntil(
      [&] { return (refusal = testsupport::FindMessageBoxOf(Server.ProcessId(), "tarnbel")) != nullptr; }, kWaitMs));
  EXPECT_EQ(testsupport::MessageBoxText(refusal), InstallerRefusal);
  EXPECT_EQ(InstallationTraces(Folder), installed);
  testsupport::ClickMessageBoxButton(refusal, IDOK);

  // The routes play on: the monitor opened from its link shows what is played.
  ASSERT_TRUE(StartFromLink(Tools, DesktopFolder() + "\\tarnbel tools v1.24.2.lnk"));
  HWND monitor = WaitMonitor(Tools.ProcessId());
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(PlayUntilShown(monitor, "Grand Piano"));
  EndPrograms();

  // Quit, a reinstallation puts back a lost link, stamps nothing and keeps the list.
  ASSERT_TRUE(CopyFileA((KitFolder() + "\\instlist.txt").c_str(), ProgramFile("instlist.txt").c_str(), FALSE));
  ASSERT_TRUE(SetWriteTime(ProgramFile("help.htm"), WriteTime(ProgramFile("help.htm")) + 10000000));
  ASSERT_TRUE(DeleteFileA((DesktopFolder() + "\\tarnbel v1.24.2.lnk").c_str()));
  const std::map<std::string, uint64_t> times = FileTimes(Folder);
  std::vector<TShownBox> boxes = RunTools("-REINSTALL", code);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "tarnbel");
  EXPECT_EQ(boxes[0].Text, "Reinstallation complete.");
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FileTimes(Folder), times);
  EXPECT_TRUE(ReadShellLink(DesktopFolder() + "\\tarnbel v1.24.2.lnk").Read);
}

TEST_F(InstallerRoad, RemovalAsTheUninstallEntrySaysAsksFirstThenLeavesNothingOfOurs) {
  ASSERT_NO_FATAL_FAILURE(Install());
  {
    TMapping kept("Kept", false, nullptr, "");
    kept.AddItem("C:\\kept.sf2", 0, true, 0, "Kept Piano", 0, 0, 0);
  }
  TRegKey(TarnbelKeyPath, true).WriteInteger("CurrentRoute", 7);
  const std::map<std::string, std::string> installed = InstallationTraces(Folder);
  const std::string command = UninstallString();

  // N, or Escape: nothing changes.
  for (WORD key : {WORD('N'), WORD(VK_ESCAPE)}) {
    DWORD code = 99;
    std::vector<TShownBox> boxes = RunSetup(command, code, [&](const TShownBox&, HWND box) { return PressKey(box, key); });
    ASSERT_EQ(boxes.size(), 1u) << key;
    EXPECT_EQ(boxes[0].Caption, "Confirmation");
    EXPECT_EQ(boxes[0].Text, ConfirmationText);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(InstallationTraces(Folder), installed) << key;
  }

  DWORD code = 99;
  std::vector<TShownBox> boxes = RunSetup(command, code, [](const TShownBox& box, HWND window) {
    return box.Caption == "Confirmation" ? PressKey(window, 'Y') : IDOK;
  });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Caption, "tarnbel v1.24.2 uninstaller");
  EXPECT_EQ(boxes[1].Text, "Uninstallation complete.");
  EXPECT_EQ(code, 0u);
  // Within a bound: no file, link, group, key, registration or batch of ours, the folder gone.
  EXPECT_TRUE(WaitTraces({}));
  std::cout << "[ figures  ] removal: " << GetTickCount() - boxes[0].Gone
            << " ms from the answer Yes until nothing is left" << std::endl;
  // The user's settings and mappings are not the installation's.
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadInteger("CurrentRoute", 0), 7);
  TMapping kept("Kept", false, nullptr, "");
  ASSERT_NE(kept.Slot(0, 0), nullptr);
  EXPECT_EQ(kept.Slot(0, 0)->Name, "Kept Piano");
}
