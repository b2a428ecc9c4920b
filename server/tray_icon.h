#pragma once
// The server's notification-area icon: the four state icons (idle, working, error, disabled) and
// the icon itself with its tip. Only the main thread touches them.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

// The program's icon resource, and the state icon files below the current directory.
constexpr const char* MAIN_ICON_RESOURCE = "MAINICON";
constexpr const char* TRAY_ICON_FOLDER = "icons\\tray\\";

struct TTrayIconSet {
  HICON MainIcon = nullptr;
  HICON Idle = nullptr;
  HICON Working = nullptr;
  HICON Error = nullptr;
  HICON Disabled = nullptr;

  TTrayIconSet() = default;
  ~TTrayIconSet() { Clear(); }
  TTrayIconSet(const TTrayIconSet&) = delete;
  TTrayIconSet& operator=(const TTrayIconSet&) = delete;

  // MainIcon from the module's "MAINICON" resource; each state icon from its file in
  // "icons\tray" at the file's own size, or MainIcon when the file is missing or unreadable.
  void Load(HINSTANCE instance);
  // Destroys the icons read from files (MainIcon is the module's).
  void Clear();
};

// One call to the shell's notification-area function; tests replace it (the shell's tray is no
// reliable witness on a virtual display).
using TNotifyIconFunction = BOOL (*)(DWORD message, NOTIFYICONDATAA* data);
// nullptr restores Shell_NotifyIconA; returns the previous function.
TNotifyIconFunction SetNotifyIconFunction(TNotifyIconFunction function);

// The icon of one window (id 0) whose mouse events arrive as WM_TB_TRAY_CALLBACK. The first
// change adds it, later ones modify it.
class TTrayIcon {
 public:
  explicit TTrayIcon(HWND window) : FWindow(window) {}
  ~TTrayIcon() { Remove(); }
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // Changes only the icon.
  void SetIcon(HICON icon);
  // Changes only the tip; at most 63 characters are shown.
  void SetTip(const std::string& tip);
  // Takes the icon out of the notification area; the next change adds it again.
  void Remove();
  bool Added() const { return FAdded; }

 private:
  void Change(UINT flags, HICON icon, const std::string& tip);

  HWND FWindow;
  bool FAdded = false;
};
