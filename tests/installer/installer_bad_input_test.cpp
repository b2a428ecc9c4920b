// Installation and removal meeting what goes wrong on a user's machine: files held by running programs,
// missing pieces, a file in the way, a percent sign in the folder's name, requests while a box is up.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "installer_road.h"
#include "peer_programs.h"
#include "pump_until.h"
#include "remote_list_view.h"
#include "remote_message_box.h"
#include "scratch_folder.h"
#include "tarnbel_protocol.h"

using namespace installertest;

namespace {

std::vector<std::string> Texts(const std::vector<TShownBox>& boxes) {
  std::vector<std::string> texts;
  for (const TShownBox& box : boxes) texts.push_back(box.Text.empty() ? box.Caption : box.Text);
  return texts;
}

const char* const WinampRunning =
    "Can't install Tarnbel Winamp plugin while Winamp is running. Close Winamp and press OK.";
const char* const WinampStillRunning = "Winamp is still running. Tarnbel Winamp plugin installation will fail.";
const char* const PluginFailed = "Tarnbel Winamp plugin installation is failed.";
const char* const ClientRunning =
    "Can't install Tarnbel SoundFont Device Interface while SoundFont client application (probably Cubase or "
    "Cakewalk) running. Close SoundFont client application and press OK.";
const char* const ClientStillRunning =
    "SoundFont client application is still running. Tarnbel SoundFont Device Interface installation will fail.";
const char* const DriverFailed = "Tarnbel SoundFont Device Interface installation is failed.";
const char* const RegisterFailed =
    "Can't register Tarnbel SoundFont Device Interface. Probably LiveWare or Creative SoundFont Management System "
    "is not properly installed.";

}  // namespace

TEST_F(InstallerRoad, HeldPlugInAndDriverAreWarnedTwiceFiveSecondsApartWhileShowRequestsOpenNothing) {
  const std::string plugin = WinampFolder() + "plugins\\in_tbvox.dll", driver = SystemFile("wendrel.dll");
  ASSERT_TRUE(CreateDirectoryA((WinampFolder() + "plugins").c_str(), nullptr));
  ASSERT_TRUE(testsupport::WriteTextFile(plugin, "an older plug-in"));
  ASSERT_TRUE(testsupport::WriteTextFile(driver, "an older driver"));
  auto winamp = std::make_unique<THeldFile>(plugin), client = std::make_unique<THeldFile>(driver);
  ASSERT_TRUE(winamp->Held() && client->Held());

  bool firstBox = true;
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code, [&](const TShownBox&, HWND) {
    if (!firstBox) return IDOK;
    firstBox = false;
    // While the box is up: a request to show the monitor, then a second set-up start, whose refusal the
    // first program shows once it has taken the request before it.
    HWND tools = testsupport::FindWindowOf(Setup.ProcessId(), "", TOOLS_WINDOW_TITLE);
    EXPECT_NE(tools, nullptr);
    PostMessageA(tools, WM_TB_SHOW_MONITOR, 0, 0);
    EXPECT_TRUE(Second.StartFile(ProgramFile("tb_tools.exe"), "-INSTALL", Folder));
    DWORD secondCode = 99;
    EXPECT_TRUE(Second.WaitExit(kWaitMs, secondCode));
    EXPECT_EQ(secondCode, 1u);
    HWND refusal = nullptr;
    EXPECT_TRUE(testsupport::PumpUntil(
        [&] { return (refusal = testsupport::FindMessageBoxOf(Setup.ProcessId(), "tarnbel")) != nullptr; }, kWaitMs));
    if (refusal) {
      EXPECT_EQ(testsupport::MessageBoxText(refusal), InstallerRefusal);
      testsupport::ClickMessageBoxButton(refusal, IDOK);
      EXPECT_TRUE(testsupport::PumpUntil([&] { return !IsWindow(refusal); }, kWaitMs));
    }
    HWND monitor = testsupport::FindTopWindowStartingWith(Setup.ProcessId(), "tarnbel monitor");
    EXPECT_FALSE(monitor && IsWindowVisible(monitor)) << "a half-made monitor was shown";
    return IDOK;
  });
  EXPECT_EQ(Texts(boxes), (std::vector<std::string>{WinampRunning, WinampStillRunning, PluginFailed, ClientRunning,
                                                   ClientStillRunning, DriverFailed, "Installation complete."}));
  EXPECT_EQ(code, 1u);
  ASSERT_EQ(boxes.size(), 7u);
  // The second try comes about five seconds after the warning was answered.
  for (size_t warning : {0u, 3u}) {
    DWORD pause = boxes[warning + 1].At - boxes[warning].Gone;
    EXPECT_GE(pause, 4900u) << boxes[warning].Text;
    EXPECT_LT(pause, 15000u) << boxes[warning].Text;
  }
  winamp.reset();
  client.reset();
  EXPECT_EQ(testsupport::ReadBytes(plugin), "an older plug-in");
  EXPECT_EQ(testsupport::ReadBytes(driver), "an older driver");
}

TEST_F(InstallerRoad, WithoutWinampOrSoundFontManagerAndWithAFileForTheGroupEachFailedStepHasItsBox) {
  RemoveWinampEntry();
  const std::string group = ProgramsFolder() + "\\tarnbel v1.24.2";
  ASSERT_TRUE(testsupport::WriteTextFile(group, "not a folder"));
  testsupport::StandinRemoved noManager("SFMAN32.DLL");
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code);
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].Caption, PickerCaption) << "no Winamp: the user is asked for its folder, and cancels";
  EXPECT_EQ(boxes[1].Text, PluginFailed);
  EXPECT_EQ(boxes[2].Text, RegisterFailed);
  // One box for the Start-menu step: a line for each link that could not be made, with the reason.
  const std::vector<std::string> lines = Lines(boxes[3].Text);
  ASSERT_EQ(lines.size(), 3u) << boxes[3].Text;
  const char* names[] = {"tarnbel", "tarnbel tools", "tarnbel help"};
  for (size_t i = 0; i < 3; ++i) {
    std::string start = "Can't create shortcut " + group + "\\" + names[i] + ".lnk: ";
    EXPECT_EQ(lines[i].substr(0, start.size()), start);
    EXPECT_GT(lines[i].size(), start.size()) << "the reason";
  }
  EXPECT_EQ(boxes[4].Text, "Installation complete.");
  EXPECT_EQ(code, 1u);
  EXPECT_TRUE(FileExists(group)) << "the user's file stays";
  EXPECT_TRUE(ReadShellLink(DesktopFolder() + "\\tarnbel v1.24.2.lnk").Read) << "the other steps went on";
  EXPECT_FALSE(FolderExists("C:\\plugins"));
}

TEST_F(InstallerRoad, APercentSignInTheFolderNameReachesLinksEntryAndBatchUnexpanded) {
  ASSERT_NO_FATAL_FAILURE(UseProgramFolder("C:\\tarnbel 50%off%"));
  ASSERT_NO_FATAL_FAILURE(Install());
  EXPECT_EQ(ReadShellLink(DesktopFolder() + "\\tarnbel v1.24.2.lnk").Target, ProgramFile("tarnbel.exe"));
  EXPECT_EQ(UninstallString(), "\"" + ProgramFile("tb_tools.exe") + "\" -UNINSTALL");
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunSetup(UninstallString(), code, [](const TShownBox& box, HWND) {
    return box.Caption == "Confirmation" ? IDYES : IDOK;
  });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Text, "Uninstallation complete.");
  EXPECT_TRUE(WaitTraces({}));
  EXPECT_FALSE(FolderExists("C:\\tarnbel 50"));
}

TEST_F(InstallerRoad, RemovalNamesWhatItCouldNotRemoveAndQuietlyKeepsTheUsersFilesWithTheirFolders) {
  ASSERT_NO_FATAL_FAILURE(Install());
  const std::string plugin = WinampFolder() + "plugins\\in_tbvox.dll";
  const std::string icon = ProgramFile("icons\\my own.ico"), help = ProgramFile("help.htm");
  ASSERT_TRUE(testsupport::WriteTextFile(icon, "the user's"));
  ASSERT_TRUE(testsupport::WriteTextFile(help, "the user's help"));
  auto winamp = std::make_unique<THeldFile>(plugin);
  ASSERT_TRUE(winamp->Held());
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunSetup(UninstallString(), code, [](const TShownBox& box, HWND) {
    return box.Caption == "Confirmation" ? IDYES : IDOK;
  });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Caption, "tarnbel v1.24.2 uninstaller");
  EXPECT_EQ(boxes[1].Text, "Uninstallation is not complete. These could not be removed:\r\n" + plugin);
  EXPECT_EQ(code, 1u);
  winamp.reset();
  EXPECT_TRUE(WaitTraces({{"file " + plugin, std::to_string(WriteTime(plugin))},
                          {"folder " + Folder, ""},
                          {"file " + icon, std::to_string(WriteTime(icon))},
                          {"file " + help, std::to_string(WriteTime(help))}}));
  EXPECT_FALSE(FolderExists(ProgramFile("icons\\main")));
}
