#pragma once
// TContextMenu: the server's tray menu. Each right-click on the tray icon starts one short-lived
// thread that owns a hidden window and the popup menu; the chosen command reaches the owner (the
// server's main window) as an ordinary posted WM_COMMAND whose wParam is the item id.
#include <windows.h>

#include "advanced_thread.h"

// Item ids are the positions in the menu, 1-15.
enum TTrayMenuItem : UINT {
  TRAY_MENU_EXIT = 1,
  TRAY_MENU_TURN_ON = 3,
  TRAY_MENU_TURN_OFF = 4,
  TRAY_MENU_ABOUT = 6,
  TRAY_MENU_PREFERENCES = 7,
  TRAY_MENU_MONITOR = 8,
  TRAY_MENU_MANAGER = 9,
  TRAY_MENU_EDITOR = 10,
  TRAY_MENU_MIDI_RESET = 12,
  TRAY_MENU_CLEAR_ALL = 13,
  TRAY_MENU_RESET_CACHE = 14,
  TRAY_MENU_RESTART = 15,
};
constexpr UINT TRAY_MENU_ITEM_COUNT = 15;

class TContextMenu : public TAdvancedThread {
 public:
  // Starts the menu thread for the owner window; `on`: the server's routes run. The object frees
  // itself when the menu has closed. Returns the menu thread's id, 0 when it could not start.
  static DWORD Create(HWND owner, bool on);

 protected:
  void DoStart() override;
  void DoStop() override;
  void DiscardMessage(const MSG& msg) override;

 private:
  TContextMenu(HWND owner, bool on) : FOwner(owner), FOn(on) {}
  static LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void PostToOwner(WPARAM wParam, LPARAM lParam);

  HWND FOwner;
  bool FOn;
  WNDCLASSA FWindowClass{};
  HWND FWindow = nullptr;
};
