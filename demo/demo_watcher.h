#pragma once
// TDemoWatcher: a listening tools window for the demo run. It greets the server, selects one route
// and prints a line for each report the server sends about its state and the route's cache.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hidden_window.h"
#include "ipc.h"

class TDemoWatcher {
 public:
  // routeCaption: the route whose cache is watched ("input --> output --> device").
  explicit TDemoWatcher(const std::string& routeCaption);
  TDemoWatcher(const TDemoWatcher&) = delete;
  TDemoWatcher& operator=(const TDemoWatcher&) = delete;

  // Watches for at most the given time, or until the server stops. True when a preset was seen loaded.
  bool Run(DWORD timeoutMs);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
  void Handle(UINT id, WPARAM wParam, LPARAM lParam, const std::vector<uint8_t>& payload);
  void Greet();
  void TakeRouteList(const std::string& text);
  void ShowState();
  void ShowMemory();
  void ShowCacheList(const std::vector<uint8_t>& payload);

  testsupport::THiddenWindow FWindow;  // the tools program's window
  TIPCLink FServer;
  std::string FCaption;
  bool FGreeted = false;
  bool FStopped = false;
  bool FSawLoaded = false;
  int FOn = -1;  // -1 unknown
  bool FBusy = false;
  std::vector<std::string> FRoutes;
  long FCurrentRoute = -1;
  int64_t FMax = -1, FFree = -1, FCount = -1;
  std::string FMemoryShown, FListShown;
};
