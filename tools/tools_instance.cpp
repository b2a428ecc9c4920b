#include "tools_instance.h"

#include "ipc.h"
#include "tarnbel_protocol.h"

TToolsInstance::TToolsInstance() {
  FMutex = CreateMutexA(nullptr, FALSE, TOOLS_INSTANCE_MUTEX);
  bool owned = FMutex && GetLastError() != ERROR_ALREADY_EXISTS;
  if (!owned && FMutex) {
    CloseHandle(FMutex);
    FMutex = nullptr;
  }
  FFirst = owned && !TIPCLink(TOOLS_WINDOW_TITLE, 0).PeerExists();
}

TToolsInstance::~TToolsInstance() {
  if (FMutex) CloseHandle(FMutex);
}

HWND TToolsInstance::RunningWindow(DWORD timeoutMs) {
  TIPCLink tools(TOOLS_WINDOW_TITLE, 0);
  DWORD start = GetTickCount();
  while (!tools.PeerWindow() && GetTickCount() - start < timeoutMs) {
    Sleep(50);
    tools.FindPeer();
  }
  return tools.PeerWindow();
}
