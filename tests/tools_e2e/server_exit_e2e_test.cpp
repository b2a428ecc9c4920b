// The server's tray Exit while a dialog of the tools program is open: the dialog ends as cancelled, the
// program ends cleanly, and nothing the user did not confirm is stored.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>

#include "peer_programs.h"
#include "program_process.h"
#include "pump_until.h"
#include "reg_export.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_menu.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"

namespace {

const DWORD kWaitMs = 20000;
const WPARAM kTrayExit = 1;  // the command of the server's tray menu item "Exit"

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

BOOL CALLBACK ChildWithTextStep(HWND child, LPARAM p) {
  auto* s = reinterpret_cast<std::pair<std::string, HWND>*>(p);
  char buffer[64] = "";
  GetWindowTextA(child, buffer, sizeof buffer);
  if (s->first != buffer) return TRUE;
  s->second = child;
  return FALSE;
}

// A child window with that text, at any depth; null when none.
HWND ChildWithText(HWND parent, const std::string& text) {
  std::pair<std::string, HWND> search(text, nullptr);
  EnumChildWindows(parent, ChildWithTextStep, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// How the dialog is reached: an item of the menu of the editor, open on "Strings"; a button of the
// preferences; an item of the manager's pop-up menu on the row "Strings"; or none, the editor's question at
// start.
struct TModalCase {
  const char* Name;
  char MenuLetter;
  int MenuItem;
  const char* PreferencesButton;
  const char* Title;
  bool Preferences;  // the preferences window is open too
  int ManagerItem = 0;
};

void PrintTo(const TModalCase& c, std::ostream* os) { *os << c.Name; }

const TModalCase kModals[] = {
    {"the start's choice of mapping", 0, 0, nullptr, "choose mapping to edit:", false},
    {"the start's choice of mapping beside the preferences", 0, 0, nullptr, "choose mapping to edit:", true},
    {"Choose mapping", 'f', 4, nullptr, "choose mapping to edit:", false},
    {"New mapping", 'f', 1, nullptr, "New mapping", false},
    {"Editor preferences", 'o', 2, nullptr, "Mappings editor preferences", false},
    {"Toolbars", 'o', 3, nullptr, "Toolbars", true},
    {"Routes of the preferences", 0, 0, "Routes...", "tarnbel routes", true},
    {"the editor's box of its check", 'm', 14, nullptr, "tarnbel integrity checker", false},
    {"the editor's Import file dialog", 'f', 5, nullptr, "Open", false},
    {"the manager's question of Delete", 0, 0, nullptr, "Confirmation", false, 4},
    {"the manager's Import file dialog", 0, 0, nullptr, "Open", false, 6},
};

class ServerExitE2E : public ::testing::TestWithParam<TModalCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms());
    testsupport::ResetTarnbelKey();
  }
  void TearDown() override {
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }
  e2e::TProgramProcess Server;
};

}  // namespace

TEST_P(ServerExitE2E, TheServersExitEndsTheToolsProgramWhileADialogIsOpen) {
  const TModalCase& c = GetParam();
  {
    TRegKey settings(TarnbelKeyPath, true);
    settings.WriteBool("ShowMappingsEditor", !c.ManagerItem);
    settings.WriteBool("ShowControlPanel", c.ManagerItem != 0);
    settings.WriteBool("ShowPreferences", c.Preferences);
    // Above the server's own mapping: the manager's top row.
    TMapping("Strings", false, nullptr, "");
    TRegKey(std::string(TarnbelKeyPath) + "\\mappings\\Strings", true).WriteInteger("Priority", 9);
  }
  ASSERT_TRUE(Server.Start("tarnbel.exe"));
  HWND choose = nullptr;
  const char* first = c.ManagerItem ? "tarnbel manager" : "choose mapping to edit:";
  ASSERT_TRUE(Pump([&] { return (choose = FindWindowA(nullptr, first)) && IsWindowVisible(choose); }));
  DWORD toolsPid = 0;
  GetWindowThreadProcessId(choose, &toolsPid);
  HANDLE tools = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, toolsPid);
  ASSERT_NE(tools, nullptr);

  if (c.PreferencesButton) {
    HWND preferences = testsupport::WaitVisibleWindowOf(toolsPid, "tarnbel preferences");
    ASSERT_NE(preferences, nullptr);
    HWND button = ChildWithText(preferences, c.PreferencesButton);
    ASSERT_NE(button, nullptr);
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_NE(testsupport::WaitVisibleWindowOf(toolsPid, c.Title), nullptr) << c.Name;
  }
  if (c.MenuLetter) {
    // The editor opens on "Strings", then the case's dialog comes from its menu.
    HWND combo = testsupport::FindChildOfClass(choose, "TComboBox");
    HWND ok = FindWindowExA(choose, nullptr, "TButton", "Ok");
    ASSERT_TRUE(combo && ok);
    SetWindowTextA(combo, "Strings");
    PostMessageA(ok, BM_CLICK, 0, 0);
    HWND editor = testsupport::WaitVisibleWindowOf(toolsPid, "tarnbel editor - Strings");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(testsupport::RunRemoteMenuItem(toolsPid, editor, c.MenuLetter, c.MenuItem));
    ASSERT_NE(testsupport::WaitVisibleWindowOf(toolsPid, c.Title), nullptr) << c.Name;
  }
  if (c.ManagerItem) {
    HWND list = testsupport::FindChildOfClass(choose, "TCheckListBox");
    ASSERT_NE(list, nullptr);
    const int height = int(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_TRUE(testsupport::RunRemotePopupItem(toolsPid, list, POINT{40, height / 2}, c.ManagerItem));
    ASSERT_NE(testsupport::WaitVisibleWindowOf(toolsPid, c.Title), nullptr) << c.Name;
  }
  const std::string mappings = testsupport::ExportRegistryKey("HKCU\\" + std::string(TarnbelKeyPath) + "\\mappings");
  std::string current;
  TRegKey(TarnbelKeyPath, false).QueryString("CurrentEditorMapping", current);

  HWND server = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
  ASSERT_NE(server, nullptr);
  PostMessageA(server, WM_COMMAND, kTrayExit, 0);
  EXPECT_TRUE(Pump([&] { return WaitForSingleObject(tools, 0) == WAIT_OBJECT_0; })) << c.Name;
  DWORD code = 99;
  GetExitCodeProcess(tools, &code);
  if (code == STILL_ACTIVE) TerminateProcess(tools, 98);
  CloseHandle(tools);
  EXPECT_EQ(code, 0u) << c.Name;

  // The dialog ended as cancelled: the stored mappings and the editor's choice are as they were.
  EXPECT_EQ(testsupport::ExportRegistryKey("HKCU\\" + std::string(TarnbelKeyPath) + "\\mappings"), mappings) << c.Name;
  std::string after;
  TRegKey(TarnbelKeyPath, false).QueryString("CurrentEditorMapping", after);
  EXPECT_EQ(after, current) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(EveryDialog, ServerExitE2E, ::testing::ValuesIn(kModals),
                         [](const ::testing::TestParamInfo<TModalCase>& info) {
                           std::string name;
                           for (const char* p = info.param.Name; *p; ++p)
                             if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });
