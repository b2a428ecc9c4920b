#pragma once
// TTarnbelServer: the resident server program. Start-up, the state of the routes (on, off,
// preview), the notification-area icon and its tip, the two timers, the boxes, the main window
// with its procedure, and the exit. Everything here runs on the main thread; route threads and
// SoundFont threads report to it only by thread messages.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ipc.h"
#include "osc_timer.h"
#include "rate_limit.h"
#include "route_control.h"
#include "route_work.h"
#include "server_box.h"
#include "tray_icon.h"

class TRegKey;
class TRegArray;
class TSafeMappingsArray;

// How long the server waits for the tools program to show its window, and for the routes' caches
// to empty before they close.
constexpr DWORD TOOLS_START_TIMEOUT_MS = 10000;
constexpr DWORD CACHES_EMPTY_TIMEOUT_MS = 5000;
// How many routes each half-second tick looks at for a thread ended from outside.
constexpr int ROUTES_LOOKED_AT_PER_TICK = 16;

class TTarnbelServer {
 public:
  explicit TTarnbelServer(HINSTANCE instance);
  ~TTarnbelServer();
  TTarnbelServer(const TTarnbelServer&) = delete;
  TTarnbelServer& operator=(const TTarnbelServer&) = delete;

  // Start-up, message loop and exit; the program's exit code (0 also for "Already started.").
  int Run();

  // The window procedure of "TTarnbelMainWindow".
  static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Start-up and exit.
  bool CreateMainWindow();
  void LoadSettings();
  // The routes read their own copy of the settings they use; it follows every change.
  void PublishRouteSettings();
  void StartTimers();
  void MessageLoop();
  void HandleThreadMessage(const MSG& msg);
  // The exit's steps, once: turn off, free the stores, timers, server-stopped, tray icon.
  void Finish();
  void Shutdown();

  // Icon and state.
  void SetTrayIcon(HICON icon);
  void ShowErrorState();
  void BeginBusy();
  void EndBusy();
  void UpdateTrayTip();
  void SendCacheList(TIPCLink& link);
  void ReloadRouteMappings();
  void EnsureToolsRunning();
  void ClearNameFlags() { FNameFlags.fill(0); }
  bool CurrentRouteValid() const;

  // Routes.
  void TurnOn();
  void TurnOff();
  void Restart();
  void PreviewOn();
  void OpenPreview(const RouteRecord& route);
  void PreviewOff();
  void ResetCaches();
  void SendRouteList();
  // The common end of TurnOff and PreviewOff: routes quiet, caches emptied, routes closed, reported.
  void CloseRoutes(bool preview);
  int MidiMapperRoute() const;

  // Ticks.
  void TickHalf();
  void TickSecond();
  // A route's thread or manager thread was ended from outside: the server turns off and says so,
  // rather than report on while no MIDI is handled.
  void CheckRoutesAlive();
  static void TimerTick(uint32_t message);

  // The window procedure's groups of cases; each returns true when it handled the message.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Commands that start, end or rebuild the routes: never run inside route work.
  static bool IsStateChange(UINT message, WPARAM wParam);
  bool HandleMenuCommand(UINT item);
  void HandleTrayCallback(LPARAM mouseMessage);
  bool HandleToolsCommand(UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleSettingMessage(UINT message, LPARAM lParam);
  bool HandleOutsideRequest(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void SelectRoute(WPARAM atom);
  void ChangeMappingSet(UINT message, WPARAM atom);
  void SetRandomFlag(WPARAM atom, bool include);
  LRESULT AnswerText(const std::string& text);
  LRESULT AnswerBankNames(LPARAM bank);
  void SendCacheListTo(WPARAM atom);
  void WinampLoadPresets(WPARAM atom, LPARAM requester);
  void MMLoadPresets(WPARAM atom, LPARAM requester);
  void MMLoadDrums(WPARAM atom, LPARAM requester);
  // Around an outside client's load: busy, and no tip queries meanwhile.
  void BeginClientLoad();
  void EndClientLoad();

  HINSTANCE FInstance;
  DWORD FMainThreadId = 0;
  HWND FWindow = nullptr;
  bool FClassRegistered = false;
  std::unique_ptr<TRegKey> FSettings;
  std::unique_ptr<TRegArray> FRouteDefinitions;
  std::unique_ptr<TSafeMappingsArray> FMappings;
  TRouteControl FRoutes;
  TRouteWork FWork;
  // Handlers of the window and of the main loop's thread messages in progress (they nest).
  int FHandlerDepth = 0;
  struct THandlerScope {
    explicit THandlerScope(int& depth) : Depth(depth) { ++Depth; }
    ~THandlerScope() { --Depth; }
    int& Depth;
  };
  std::unique_ptr<TIPCLink> FToolsLink;
  std::unique_ptr<TTrayIcon> FTrayIcon;
  TTrayIconSet FIcons;
  std::unique_ptr<TErrorEpisode> FErrors;
  TOSC_Timer FHalfTimer;
  TOSC_Timer FSecondTimer;

  bool FIsOn = false;
  bool FPreviewMode = false;
  bool FWasOnBeforePreview = false;
  int FBusyCount = 0;
  int FIdleDelay = -1;
  bool FTipSuppressed = false;
  TRateLimit FTipLimit{500};
  TRateLimit FReloadLimit{500};
  std::array<uint8_t, 130> FNameFlags{};
  std::string FPreviewFile;
  int32_t FPreviewBank = 0;
  int32_t FPreviewProgram = 0;
  std::string FFileName;
  std::string FFileText;
  std::string FRouteListText;
  bool FShuttingDown = false;
  bool FFinished = false;
};
