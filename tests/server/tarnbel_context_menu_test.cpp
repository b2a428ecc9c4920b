#include "tarnbel_context_menu.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "menu_window.h"
#include "server_test_support.h"

namespace {

std::vector<WPARAM> commands;  // WM_COMMAND wParams that reached the owner

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    commands.push_back(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class ContextMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    commands.clear();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &OwnerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TContextMenuTestOwner";
    RegisterClassA(&windowClass);
    Owner = CreateWindowExA(0, "TContextMenuTestOwner", "menu owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    ASSERT_NE(Owner, nullptr);
  }
  void TearDown() override {
    if (MenuThread) {
      // A menu still open fails the test; close it so the suite goes on.
      if (HWND popup = FindPopup(0)) PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
      WaitForSingleObject(MenuThread, 5000);
      CloseHandle(MenuThread);
    }
    DestroyWindow(Owner);
    UnregisterClassA("TContextMenuTestOwner", GetModuleHandleA(nullptr));
  }

  void Open(bool on) {
    MenuThreadId = TContextMenu::Create(Owner, on);
    ASSERT_NE(MenuThreadId, 0u);
    MenuThread = OpenThread(SYNCHRONIZE, FALSE, MenuThreadId);
    ASSERT_NE(MenuThread, nullptr);
  }

  HWND FindPopup(DWORD timeoutMs) {
    HWND found = nullptr;
    servertest::PumpUntil([&] { return (found = testsupport::TrackedMenuWindow(MenuThreadId)) != nullptr; },
                          timeoutMs);
    return found;
  }

  // Items read back from the menu being tracked: text and greyed state by id.
  void ReadItems(HWND popup, std::vector<std::string>& texts, std::vector<bool>& greyed) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 15);
    for (int position = 0; position < 15; ++position) {
      UINT id = GetMenuItemID(menu, position);
      char text[64] = {};
      MENUITEMINFOA info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = sizeof(text);
      ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info));
      bool separator = (info.fType & MFT_SEPARATOR) != 0;
      if (!separator) {
        EXPECT_EQ(id, static_cast<UINT>(position + 1));
      }
      texts.push_back(separator ? "-" : text);
      // The system may report separators as greyed: only items count.
      greyed.push_back(!separator && (info.fState & MFS_GRAYED) != 0);
    }
  }

  // The open menu's popup window, once its items are checked: all texts, exactly these ids greyed.
  HWND CheckOpenMenu(const std::vector<int>& greyedIds) {
    static const std::vector<std::string> texts = {
        "Exit",       "-",         "Turn on", "Turn off",   "-",         "About...",    "Preferences...", "Monitor...",
        "Manager...", "Editor...", "-",       "MIDI Reset", "Clear all", "Reset cache", "Restart"};
    HWND popup = FindPopup(5000);
    if (!popup) return nullptr;
    std::vector<std::string> read;
    std::vector<bool> greyed;
    ReadItems(popup, read, greyed);
    EXPECT_EQ(read, texts);
    std::vector<bool> expected(15, false);
    for (int id : greyedIds) expected[id - 1] = true;
    EXPECT_EQ(greyed, expected);
    return popup;
  }

  bool WaitThreadEnd() {
    return servertest::PumpUntil([&] { return WaitForSingleObject(MenuThread, 0) == WAIT_OBJECT_0; }, 5000);
  }

  HWND Owner = nullptr;
  DWORD MenuThreadId = 0;
  HANDLE MenuThread = nullptr;
};

TEST_F(ContextMenuTest, OffGreysTurnOffAndRouteCommandsAndDismissalEndsThreadWithoutCommand) {
  Open(false);
  HWND popup = CheckOpenMenu({4, 12, 13, 14, 15});
  ASSERT_NE(popup, nullptr);

  PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitThreadEnd());
  servertest::PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(commands.empty());
  // The thread took its window and class with it.
  EXPECT_EQ(FindWindowA("TTarnbelMenuWindow", nullptr), nullptr);
  WNDCLASSA info{};
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "TTarnbelMenuWindow", &info));
}

TEST_F(ContextMenuTest, OnGreysOnlyTurnOnAndChoiceReachesOwnerThenThreadEnds) {
  Open(true);
  HWND popup = CheckOpenMenu({3});
  ASSERT_NE(popup, nullptr);

  // Up from no selection lands on the last item, "Restart"; Enter chooses it.
  PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
  PostMessageA(popup, WM_CHAR, '\r', 0);
  ASSERT_TRUE(servertest::PumpUntil([] { return !commands.empty(); }, 5000));
  EXPECT_EQ(commands, std::vector<WPARAM>{TRAY_MENU_RESTART});
  // The thread ends once the menu has closed, without waiting for a deactivation.
  EXPECT_TRUE(WaitThreadEnd());
}

TEST_F(ContextMenuTest, GreyedItemCannotBeChosen) {
  Open(false);
  HWND popup = FindPopup(5000);
  ASSERT_NE(popup, nullptr);
  PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);  // "Restart", greyed while off
  PostMessageA(popup, WM_CHAR, '\r', 0);
  if (!WaitThreadEnd()) PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitThreadEnd());
  servertest::PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(commands.empty());
}

}  // namespace
