#include "KitItemProps.h"

#include <cstring>
#include <string>

#include "application.h"

namespace {

const char kCallbackClass[] = "ItemPropMenuCallbackHelper";
const char kCallbackWindow[] = "ItemPropCallbackProcessor";
const UINT kFirstId = 1;
const UINT kLastId = 0x7FFF;
const UINT kRenameId = 19;  // the shell's rename command with first id 1

#ifndef _WIN64
static_assert(sizeof(CMINVOKECOMMANDINFO) == 36, "command record");
#endif

// State of the one menu run (GUI thread only).
bool gHasMenu2 = false;
bool gHasMenu3 = false;
bool gRenameRequested = false;

// OLE for this thread while the program runs; undone only on the thread that did it.
class TOleSession {
 public:
  TOleSession() : FThread(GetCurrentThreadId()), FStarted(SUCCEEDED(OleInitialize(nullptr))) {}
  ~TOleSession() {
    if (FStarted && GetCurrentThreadId() == FThread) OleUninitialize();
  }
  TOleSession(const TOleSession&) = delete;
  TOleSession& operator=(const TOleSession&) = delete;

 private:
  DWORD FThread;
  bool FStarted;
};

// Verb or help text of a command offset; '' when the menu has none.
std::string CommandString(IContextMenu* menu, UINT offset, UINT kind) {
  char buf[MAX_PATH];
  std::memset(buf, 0, sizeof(buf));
  if (FAILED(menu->GetCommandString(offset, kind, nullptr, buf, sizeof(buf)))) return "";
  buf[sizeof(buf) - 1] = 0;
  return buf;
}

LRESULT CALLBACK CallbackProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto menu = reinterpret_cast<IContextMenu*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      auto cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP: {
      if (menu && gHasMenu3) {
        LRESULT result = 0;
        static_cast<IContextMenu3*>(menu)->HandleMenuMsg2(msg, wParam, lParam, &result);
      } else if (menu && gHasMenu2) {
        static_cast<IContextMenu2*>(menu)->HandleMenuMsg(msg, wParam, lParam);
      }
      return msg == WM_INITMENUPOPUP ? 0 : 1;
    }
    case WM_MENUSELECT: {
      UINT flags = HIWORD(wParam);
      UINT id = LOWORD(wParam);
      try {
        if (flags == 0xFFFF && lParam == 0) {
          ui::Application().SetHint("");
        } else if (menu && !(flags & MF_POPUP) && id >= kFirstId && id <= kLastId) {
          // A popup's low word is an index, not a command.
          std::string verb = CommandString(menu, id - kFirstId, GCS_VERBA);
          std::string help = CommandString(menu, id - kFirstId, GCS_HELPTEXTA);
          ui::Application().SetHint(verb + "|" + help);
        }
      } catch (...) {
        ui::Application().HandleException(nullptr);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

void RegisterCallbackClass() {
  WNDCLASSA wc;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoA(instance, kCallbackClass, &wc)) return;
  std::memset(&wc, 0, sizeof(wc));
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = CallbackProc;
  wc.hInstance = instance;
  wc.lpszClassName = kCallbackClass;
  RegisterClassA(&wc);
}

bool IsRenameCommand(IContextMenu* menu, UINT command) {
  return command == kRenameId || lstrcmpiA(CommandString(menu, command - kFirstId, GCS_VERBA).c_str(), "rename") == 0;
}

}  // namespace

bool DisplayContextMenu(IShellFolder* parentFolder, LPCITEMIDLIST* itemIDs, ULONG /*attributes*/,
                        bool& renameRequested, UINT count, POINT screenPoint, HWND owner) {
  static TOleSession ole;
  gHasMenu2 = false;
  gHasMenu3 = false;
  gRenameRequested = false;
  renameRequested = false;
  if (!parentFolder) return false;

  IContextMenu* menu = nullptr;
  if (FAILED(parentFolder->GetUIObjectOf(owner, count, itemIDs, IID_IContextMenu, nullptr,
                                         reinterpret_cast<void**>(&menu))) || !menu)
    return false;
  // The newest interface the menu offers is used from here on; each one held is released at the end.
  IContextMenu2* menu2 = nullptr;
  IContextMenu3* menu3 = nullptr;
  IContextMenu* active = menu;
  if (SUCCEEDED(menu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&menu2))) && menu2) {
    active = menu2;
    gHasMenu2 = true;
    if (SUCCEEDED(menu2->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(&menu3))) && menu3) {
      active = menu3;
      gHasMenu3 = true;
    }
  }

  bool result = false;
  HMENU popup = CreatePopupMenu();
  if (popup && SUCCEEDED(active->QueryContextMenu(popup, 0, kFirstId, kLastId, CMF_EXPLORE | CMF_CANRENAME))) {
    RegisterCallbackClass();
    HWND callback = CreateWindowExA(0, kCallbackClass, kCallbackWindow, WS_POPUP | WS_BORDER | WS_SYSMENU, 0, 0,
                                    0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), active);
    UINT command = 0;
    if (callback)
      command = UINT(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0, callback,
                                    nullptr));
    result = callback != nullptr;  // without its window the menu was never shown
    if (command >= kFirstId && command <= kLastId) {
      if (IsRenameCommand(active, command)) {
        gRenameRequested = true;
      } else {
        CMINVOKECOMMANDINFO info;
        std::memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.hwnd = owner;
        info.lpVerb = MAKEINTRESOURCEA(command - kFirstId);
        info.nShow = SW_SHOWNORMAL;
        result = SUCCEEDED(active->InvokeCommand(&info));
      }
    }
    if (callback) DestroyWindow(callback);
  }
  if (popup) DestroyMenu(popup);
  if (menu3) menu3->Release();
  if (menu2) menu2->Release();
  menu->Release();
  renameRequested = gRenameRequested;
  return result;
}
