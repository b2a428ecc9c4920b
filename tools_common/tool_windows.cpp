#include "tool_windows.h"

#include "tarnbel_tools_globals.h"

TToolWindowMakers ToolWindowMakers;
TLauncherOps* Launcher = nullptr;

void PostClosedMessage(UINT id) {
  ui::TForm* monitor = LiveMonitorForm();
  if (!monitor) return;
  HWND window = monitor->Handle();
  while (!PostMessageA(window, id, 0, 0) && IsWindow(window)) Sleep(0);
}
