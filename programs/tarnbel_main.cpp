// The resident server.
#include <windows.h>

#include <cstdio>
#include <string>

#include "midi_binding.h"
#include "tarnbel_server.h"
#include "tray_icon.h"

namespace {

// TARNBEL_TRAY_LOG names a file that gets one line per notification-area call (message, flags, icon,
// tip) before the call is made: a virtual display's tray is no reliable witness for tests.
std::string trayLogPath;

BOOL LoggedNotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
  if (FILE* log = std::fopen(trayLogPath.c_str(), "a")) {
    std::fprintf(log, "%lu %u %llx %s\n", static_cast<unsigned long>(message), data->uFlags,
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(data->hIcon)),
                 (data->uFlags & NIF_TIP) ? data->szTip : "");
    std::fclose(log);
  }
  return Shell_NotifyIconA(message, data);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  BindMidiApiFromEnvironment();
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("TARNBEL_TRAY_LOG", path, sizeof(path));
  if (length > 0 && length < sizeof(path)) {
    trayLogPath.assign(path, length);
    SetNotifyIconFunction(&LoggedNotifyIcon);
  }
  TTarnbelServer server(instance);
  return server.Run();
}
