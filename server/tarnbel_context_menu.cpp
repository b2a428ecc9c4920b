#include "tarnbel_context_menu.h"

#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

constexpr const char* kMenuWindowClass = "TTarnbelMenuWindow";
constexpr const char* kMenuWindowTitle = "TarnbelMenuWindow";

const char* const kItemTexts[TRAY_MENU_ITEM_COUNT + 1] = {
    "",           "Exit",       "-",         "Turn on", "Turn off",   "-",         "About...",    "Preferences...",
    "Monitor...", "Manager...", "Editor...", "-",       "MIDI Reset", "Clear all", "Reset cache", "Restart"};

// Enabled flags by item id; index 0 is unused.
const bool kEnabledWhenOff[TRAY_MENU_ITEM_COUNT + 1] = {false, true, true, true, false, true,  true,  true,
                                                        true,  true, true, true, false, false, false, false};
const bool kEnabledWhenOn[TRAY_MENU_ITEM_COUNT + 1] = {false, true, true, false, true, true, true, true,
                                                       true,  true, true, true,  true, true, true, true};

bool ItemEnabled(UINT id, bool on) { return on ? kEnabledWhenOn[id] : kEnabledWhenOff[id]; }

}  // namespace

DWORD TContextMenu::Create(HWND owner, bool on) {
  auto* menu = new TContextMenu(owner, on);
  DWORD threadId = 0;
  if (!StartSelfFreeing(menu, &threadId)) {
    delete menu;
    return 0;
  }
  return threadId;
}

void TContextMenu::DoStart() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  FWindowClass.lpfnWndProc = &TContextMenu::MenuWindowProc;
  FWindowClass.hInstance = instance;
  FWindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  FWindowClass.lpszClassName = kMenuWindowClass;
  // Another menu thread may still hold the class; its window procedure is the same.
  RegisterClassA(&FWindowClass);
  FWindow = CreateWindowExA(0, kMenuWindowClass, kMenuWindowTitle, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, instance,
                            nullptr);
  if (FWindow) {
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The menu closes on a click elsewhere only while its window is in the foreground.
    SetForegroundWindow(FWindow);
    HMENU menu = CreatePopupMenu();
    if (menu) {
      for (UINT id = 1; id <= TRAY_MENU_ITEM_COUNT; ++id) {
        const char* text = kItemTexts[id];
        UINT flags = text[0] == '-' && text[1] == 0 ? MF_SEPARATOR : MF_STRING;
        if (!ItemEnabled(id, FOn)) flags |= MF_GRAYED | MF_DISABLED;
        AppendMenuA(menu, flags, id, flags & MF_SEPARATOR ? nullptr : text);
      }
      POINT cursor{0, 0};
      GetCursorPos(&cursor);
      TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, FWindow, nullptr);
      DestroyMenu(menu);
    }
  }
  // The menu has closed: end the thread once the chosen command (already queued) is passed on,
  // rather than wait for a deactivation that may never come.
  PostQuit();
}

void TContextMenu::DoStop() {
  if (FWindow) {
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
    FWindow = nullptr;
  }
  // Fails harmlessly while another menu thread's window still uses the class.
  UnregisterClassA(kMenuWindowClass, FWindowClass.hInstance);
}

void TContextMenu::DiscardMessage(const MSG& msg) {
  // A deactivation may have queued the quit ahead of the chosen command: still deliver it.
  if (msg.message == WM_COMMAND && FWindow && msg.hwnd == FWindow) PostToOwner(msg.wParam, msg.lParam);
}

void TContextMenu::PostToOwner(WPARAM wParam, LPARAM lParam) {
  while (!PostOnce(FOwner, 0, WM_COMMAND, wParam, lParam)) {
    if (!IsWindow(FOwner)) return;  // nobody left to take it
  }
}

LRESULT CALLBACK TContextMenu::MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TContextMenu*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (self) self->PostToOwner(wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE && self) self->PostQuit();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
