// The monitor's set-up commands: installation, reinstallation and removal, each run once at start-up
// before the monitor is finished; the program ends after each.
#include <functional>

#include "application.h"
#include "installer.h"
#include "message_box.h"
#include "presets_in_cache_form.h"
#include "sys_utils.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_register_wendrel.h"

using namespace ui;

namespace {

const char* const WinampRunningText =
    "Can't install Tarnbel Winamp plugin while Winamp is running. Close Winamp and press OK.";
const char* const WinampStillRunningText = "Winamp is still running. Tarnbel Winamp plugin installation will fail.";
const char* const PluginFailedText = "Tarnbel Winamp plugin installation is failed.";
const char* const ClientRunningText =
    "Can't install Tarnbel SoundFont Device Interface while SoundFont client application (probably Cubase or "
    "Cakewalk) running. Close SoundFont client application and press OK.";
const char* const ClientStillRunningText =
    "SoundFont client application is still running. Tarnbel SoundFont Device Interface installation will fail.";
const char* const DriverFailedText = "Tarnbel SoundFont Device Interface installation is failed.";
const char* const RegisterFailedText =
    "Can't register Tarnbel SoundFont Device Interface. Probably LiveWare or Creative SoundFont Management System "
    "is not properly installed.";
const char* const UninstallCommand = "tb_tools.exe -UNINSTALL";
const char* const ToolsShortcutName = "tarnbel tools v1.24.2";
// Subfolders of the program folder, removed in this order when empty.
const char* const ProgramSubfolders[] = {"help\\pictures", "help",         "icons\\tray",    "icons\\editor",
                                         "icons\\monitor", "icons\\main", "icons\\manager", "icons"};
// The time the user has to close the program that holds a file.
constexpr DWORD RetryDelayMs = 5000;
// Paths named in a box of files that could not be marked or removed; the rest are counted.
constexpr size_t ListedLeftovers = 10;

std::string Joined(const std::vector<std::string>& lines, size_t shown = std::string::npos) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < shown; ++i) text += "\r\n" + lines[i];
  if (lines.size() > shown) text += "\r\n... and " + std::to_string(lines.size() - shown) + " more.";
  return text;
}

// Runs the window messages for the time: the program's window keeps answering.
void WaitAnswering(DWORD ms) {
  DWORD start = GetTickCount();
  for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
    Application().ProcessMessages();
  }
}

}  // namespace

int TPresetsInCacheForm::RunSetupCommand(const std::string& command) {
  FSettingUp = true;
  FSetupFailures = 0;
  Hide();
  if (FakeForm) FakeForm->HideSplash();
  std::string upper = UpperCase(command);
  if (upper == "-INSTALL") Install();
  else if (upper == "-REINSTALL") InstallComponents(true);
  else if (upper == "-UNINSTALL") Uninstall();
  return FSetupFailures > 0 ? 1 : 0;
}

void TPresetsInCacheForm::SetupBox(const std::string& text, UINT icon, const std::string& caption) {
  if (icon == MB_ICONERROR || icon == MB_ICONWARNING) ++FSetupFailures;
  ShowMessageBox(text, caption.empty() ? Application().Title() : caption, MB_OK | icon | MB_SETFOREGROUND);
}

void TPresetsInCacheForm::TryTwice(const std::function<bool()>& step, const char* warning, const char* lastWarning) {
  if (step()) return;
  ShowMessageBox(warning, Application().Title(), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
  WaitAnswering(RetryDelayMs);
  if (step()) return;
  // Only a warning: the step that needs the file reports the failure.
  ShowMessageBox(lastWarning, Application().Title(), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void TPresetsInCacheForm::CreateShortcuts(const std::vector<std::pair<std::string, std::function<bool()>>>& links) {
  std::vector<std::string> failed;
  for (const auto& link : links)
    if (!link.second()) failed.push_back("Can't create shortcut " + link.first + ": " + SysErrorMessage(GetLastError()));
  if (!failed.empty()) SetupBox(Joined(failed).substr(2), MB_ICONERROR);
}

void TPresetsInCacheForm::ShrinkAndHide() {
  SetBounds(Left(), Top(), 1, 1);
  Hide();
}

void TPresetsInCacheForm::InstallComponents(bool reinstall) {
  Application().SetTitle(std::string(ProductTitle) + " setup");
  TryTwice([] { return UninstallWinampPlugin(WinampPluginFile); }, WinampRunningText, WinampStillRunningText);
  if (!InstallWinampPlugin(WinampPluginFile)) SetupBox(PluginFailedText, MB_ICONERROR);
  TryTwice([] { return DeleteFromSystemFolder(DriverFile); }, ClientRunningText, ClientStillRunningText);
  if (!CopyToSystemFolder(DriverFile)) SetupBox(DriverFailedText, MB_ICONERROR);
  if (!RegisterDriverDevice()) SetupBox(RegisterFailedText, MB_ICONERROR);

  const std::string folder = ProgramFolder(), server = folder + "tarnbel.exe", tools = ThisProgramPath();
  const std::string title = ProductTitle, group = ProductTitle;
  CreateShortcuts({{DesktopShortcutPath(title), [&] { return CreateDesktopShortcut(server, title); }},
                   {DesktopShortcutPath(ToolsShortcutName),
                    [&] { return CreateDesktopShortcut(tools, ToolsShortcutName); }}});
  CreateShortcuts({{StartMenuShortcutPath(group, "tarnbel"), [&] { return CreateStartMenuShortcut(group, server, "tarnbel"); }},
                   {StartMenuShortcutPath(group, "tarnbel tools"),
                    [&] { return CreateStartMenuShortcut(group, tools, "tarnbel tools"); }},
                   {StartMenuShortcutPath(group, "tarnbel help"),
                    [&] { return CreateStartMenuShortcut(group, folder + "help.htm", "tarnbel help"); }}});
  if (!WriteUninstallEntry(UninstallEntryName, UninstallCommand, ProductTitle))
    SetupBox("Can't write the uninstall entry HKEY_LOCAL_MACHINE\\" + std::string(UninstallKeyPath) +
                 UninstallEntryName + ": " + SysErrorMessage(GetLastError()),
             MB_ICONERROR);
  ShrinkAndHide();
  if (reinstall) SetupBox("Reinstallation complete.", MB_ICONINFORMATION, "tarnbel");
}

void TPresetsInCacheForm::Install() {
  InstallComponents(false);
  std::vector<std::string> unstamped;
  bool listKept = false;
  if (!StampInstalledFiles(DriverFile, InstallListFile, unstamped, &listKept)) {
    const std::string reason = SysErrorMessage(GetLastError());
    if (listKept) SetupBox("Can't delete " + ProgramFolder() + InstallListFile + ": " + reason, MB_ICONERROR);
    else if (!unstamped.empty())
      SetupBox("Can't mark these installed files for removal: " + reason + Joined(unstamped, ListedLeftovers),
               MB_ICONERROR);
    else SetupBox("Can't mark the installed files for removal (" + ProgramFolder() + DriverFile + "): " + reason,
                  MB_ICONERROR);
  }
  SetupBox("Installation complete.", MB_ICONINFORMATION);
}

void TPresetsInCacheForm::Uninstall() {
  Application().SetTitle(std::string(ProductTitle) + " uninstaller");
  if (ShowMessageBox("Do you really want to uninstall " + std::string(ProductTitle) + " ?", "Confirmation",
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
    ShrinkAndHide();
    return;
  }
  // What stays is named in the last box instead of "complete".
  std::vector<std::string> left;
  std::string plugin = InstalledWinampPluginPath(WinampPluginFile);
  if (!UninstallWinampPlugin(WinampPluginFile)) left.push_back(plugin);
  UnregisterDriverDevice();
  if (!DeleteFromSystemFolder(DriverFile)) left.push_back(SystemFolderPath(DriverFile));

  const std::string title = ProductTitle, group = ProductTitle;
  for (const std::string& name : {title, std::string(ToolsShortcutName)})
    if (!RemoveDesktopShortcut(name)) left.push_back(DesktopShortcutPath(name));
  for (const char* name : {"tarnbel", "tarnbel tools", "tarnbel help"})
    if (!RemoveStartMenuShortcut(group, name)) left.push_back(StartMenuShortcutPath(group, name));
  // A group the user put other things into stays, as does a subfolder with the user's files.
  RemoveStartMenuGroup(group);
  // While installed files stay, so do this program and its uninstall entry: the removal can be run again.
  const bool filesGone = DeleteStampedFiles(DriverFile, InstallListFile, left);
  for (const char* subfolder : ProgramSubfolders) RemoveProgramSubfolder(subfolder);
  const bool deleteSelf = filesGone && WriteDeleteSelfBatch(true);
  if (filesGone && !deleteSelf) left.push_back(ThisProgramPath());
  if (deleteSelf && !RemoveUninstallEntry(UninstallEntryName))
    left.push_back("HKEY_LOCAL_MACHINE\\" + std::string(UninstallKeyPath) + UninstallEntryName);

  if (left.empty()) SetupBox("Uninstallation complete.", MB_ICONINFORMATION);
  else SetupBox("Uninstallation is not complete. These could not be removed:" + Joined(left, ListedLeftovers),
                MB_ICONWARNING);
  // Started last: its bounded wait for this program's end then starts when the end is near.
  if (deleteSelf) StartDeleteSelfBatch();
}
