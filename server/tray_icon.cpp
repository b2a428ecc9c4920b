#include "tray_icon.h"

#include <atomic>
#include <cstring>

#include "tarnbel_func.h"
#include "tarnbel_protocol.h"

namespace {

std::atomic<TNotifyIconFunction> notifyFunction{nullptr};

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
  TNotifyIconFunction function = notifyFunction.load();
  return function ? function(message, data) : Shell_NotifyIconA(message, data);
}

HICON LoadStateIcon(const char* fileName, HICON fallback) {
  // Made full from the current directory: a relative name is looked for in the program's own folder
  // first by some loaders, which would read another set of icons than the one checked here.
  char current[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(sizeof(current), current);
  std::string folder(current, length < sizeof(current) ? length : 0);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  std::string path = folder + TRAY_ICON_FOLDER + fileName;
  if (!FileExistsNotDir(path)) return fallback;
  // Width and height 0 without LR_DEFAULTSIZE: the image's own size.
  HANDLE icon = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE);
  return icon ? static_cast<HICON>(icon) : fallback;
}

}  // namespace

void TTrayIconSet::Load(HINSTANCE instance) {
  Clear();
  MainIcon = LoadIconA(instance, MAIN_ICON_RESOURCE);
  Idle = LoadStateIcon("idle.ico", MainIcon);
  Working = LoadStateIcon("working.ico", MainIcon);
  Error = LoadStateIcon("error.ico", MainIcon);
  Disabled = LoadStateIcon("disabled.ico", MainIcon);
}

void TTrayIconSet::Clear() {
  for (HICON* icon : {&Idle, &Working, &Error, &Disabled}) {
    if (*icon && *icon != MainIcon) DestroyIcon(*icon);
    *icon = nullptr;
  }
  MainIcon = nullptr;
}

TNotifyIconFunction SetNotifyIconFunction(TNotifyIconFunction function) { return notifyFunction.exchange(function); }

void TTrayIcon::Change(UINT flags, HICON icon, const std::string& tip) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof(data);
  data.hWnd = FWindow;
  data.uID = 0;
  data.uFlags = flags | NIF_MESSAGE;
  data.uCallbackMessage = WM_TB_TRAY_CALLBACK;
  data.hIcon = icon;
  if (flags & NIF_TIP) {
    size_t length = tip.size() < 63 ? tip.size() : 63;
    std::memcpy(data.szTip, tip.data(), length);
    data.szTip[length] = 0;
  }
  if (FAdded) {
    NotifyIcon(NIM_MODIFY, &data);
  } else {
    NotifyIcon(NIM_ADD, &data);
    FAdded = true;
  }
}

void TTrayIcon::SetIcon(HICON icon) { Change(NIF_ICON, icon, std::string()); }

void TTrayIcon::SetTip(const std::string& tip) { Change(NIF_TIP, nullptr, tip); }

void TTrayIcon::Remove() {
  if (!FAdded) return;
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof(data);
  data.hWnd = FWindow;
  data.uID = 0;
  NotifyIcon(NIM_DELETE, &data);
  FAdded = false;
}
