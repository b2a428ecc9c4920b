#include "tarnbel_server.h"

#include <shellapi.h>

#include <atomic>

#include "abstract_sf_device.h"
#include "reg_array.h"
#include "route_settings.h"
#include "owner_posts.h"
#include "tarnbel_globals.h"
#include "registry_internal.h"
#include "server_settings.h"
#include "single_instance.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_array.h"
#include "tarnbel_protocol.h"
#include "tarnbel_register_wendrel.h"
#include "thread_post.h"

namespace {

// The timers' callbacks run on the multimedia timer thread and reach the main window only by posts.
std::atomic<HWND> timerTarget{nullptr};

const char* const UnsupportedWaveText = "One or more of requested waveforms have unsupported format";
const char* const PresetTooBigText = "One of requested presets don't fit in memory";
const char* const RouteEndedText =
    "A route of tarnbel stopped unexpectedly, so tarnbel has been turned off. Turn it on again to go on.";
const char* const PresetNotFoundText =
    "One or more of requested presets not found - file not found or have no such preset. Do you want to fix "
    "this problem?";

// The reports the main loop acts on come from the server's own threads: the same ids posted by another
// program are dropped unread.
bool TakesOnlyOwnPosts(const void*, UINT id) {
  switch (id) {
    case TM_ECHO:
    case WM_TB_SERVER_BUSY:
    case WM_TB_SERVER_IDLE:
    case WM_TB_SERVER_ERROR:
    case WM_TB_NOTE_ON_LAMP:
    case WM_TB_NOTE_OFF_LAMP:
    case WM_TB_PRESET_CHANGED:
    case TM_UNSUPPORTED_WAVE:
    case TM_PRESET_TOO_BIG:
    case TM_PRESET_NOT_FOUND:
      return true;
    default:
      return false;
  }
}

}  // namespace

TTarnbelServer::TTarnbelServer(HINSTANCE instance) : FInstance(instance) {}

TTarnbelServer::~TTarnbelServer() {
  Finish();
  // The tools program may have posted payloads here that this ending server will never read.
  TIPCLink::DiscardQueuedPayloads(FWindow);
  if (FWindow) DestroyWindow(FWindow);
  if (FClassRegistered) UnregisterClassA(SERVER_WINDOW_CLASS, FInstance);
  if (FMainThreadId) TOwnerPosts::Forget(FMainThreadId, this);
}

int TTarnbelServer::Run() {
  ClearNameFlags();
  RegisterDriverDevice();
  FIcons.Load(FInstance);
  FFileName.clear();
  FFileText.clear();

  TSingleInstance instance;
  if (!instance.First()) {
    ServerBox(nullptr, ALREADY_STARTED_TEXT, MB_OK);
    return 0;
  }
  FIsOn = false;
  FMainThreadId = GetCurrentThreadId();
  TOwnerPosts::Register(FMainThreadId, this, &TakesOnlyOwnPosts);
  if (!CreateMainWindow()) return 1;
  FErrors = std::make_unique<TErrorEpisode>(FWindow);
  FTrayIcon = std::make_unique<TTrayIcon>(FWindow);
  SetTrayIcon(FIcons.Disabled);

  FToolsLink = std::make_unique<TIPCLink>(TOOLS_WINDOW_TITLE, 0);
  FToolsLink->Notify(WM_TB_SERVER_STARTED);
  LoadSettings();
  StartTimers();
  MessageLoop();
  Finish();
  return 0;
}

bool TTarnbelServer::CreateMainWindow() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &TTarnbelServer::MainWindowProc;
  windowClass.hInstance = FInstance;
  windowClass.hIcon = FIcons.MainIcon;
  windowClass.lpszClassName = SERVER_WINDOW_CLASS;
  FClassRegistered = RegisterClassA(&windowClass) != 0;
  if (!FClassRegistered) return false;
  // Hidden for good: a popup that is never shown.
  FWindow = CreateWindowExA(0, SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                            FInstance, this);
  FWork.SetWindow(FWindow);
  return FWindow != nullptr;
}

void TTarnbelServer::LoadSettings() {
  FSettings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  FRouteDefinitions = std::make_unique<TRegArray>(RoutesPath, true);
  FRouteDefinitions->SaveOnDestroy = false;  // the server never writes the routes
  SetServerMappings(nullptr);
  FMappings = std::make_unique<TSafeMappingsArray>();
  SetServerMappings(FMappings.get());
  // The device layer is asked only when the cache limit is to be overridden.
  std::unique_ptr<TAbstractSFDevice> device;
  if (ReadSettingFlag(*FSettings, server_setting::OverrideCacheSize)) device = std::make_unique<TAbstractSFDevice>();
  ServerSettings.Load(*FSettings, device.get());
  device.reset();
  // An index past the stored routes names no route the server can run: damage, read as none.
  if (ServerSettings.CurrentRoute > FRouteDefinitions->Count()) ServerSettings.CurrentRoute = 0;
  PublishRouteSettings();

  FBusyCount = 0;
  FErrors->End();
  FRoutes.CloseAll();
  FToolsLink->Post(WM_TB_SERVER_STATE, 0, 0);
  if (ServerSettings.AutoStart) Restart();
  if (ServerSettings.ShowsAnyWindow()) EnsureToolsRunning();
  if (ServerSettings.ShowMonitor) FToolsLink->Notify(WM_TB_SHOW_MONITOR);
  if (ServerSettings.ShowControlPanel) FToolsLink->Notify(WM_TB_SHOW_MANAGER);
  if (ServerSettings.ShowMappingsEditor) FToolsLink->Notify(WM_TB_SHOW_EDITOR);
  if (ServerSettings.ShowPreferences) FToolsLink->Notify(WM_TB_SHOW_PREFERENCES);
}

void TTarnbelServer::TimerTick(uint32_t message) {
  HWND window = timerTarget.load();
  // Retried while the window lives; a window gone means the program is ending.
  while (window && !PostOnce(window, 0, message, 0, 0) && IsWindow(window)) Sleep(0);
}

void TTarnbelServer::StartTimers() {
  timerTarget = FWindow;
  FHalfTimer.SetHandler(&TTarnbelServer::TimerTick);
  FHalfTimer.SetUserValue(WM_TB_TICK_HALF);
  FHalfTimer.SetPeriod(500, 0xFFFFFFFFu);
  FHalfTimer.Start();
  FSecondTimer.SetHandler(&TTarnbelServer::TimerTick);
  FSecondTimer.SetUserValue(WM_TB_TICK_SECOND);
  FSecondTimer.SetPeriod(1000, 0xFFFFFFFFu);
  FSecondTimer.Start();
}

void TTarnbelServer::MessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message >= WM_USER) {
      // After the end of the session's exit steps only the quit is awaited.
      if (FFinished || !TOwnerPosts::Accept(msg)) continue;
      // Boxes of other threads are shown here, where no thread message is lost meanwhile.
      if (!HandleBoxRequest(msg)) HandleThreadMessage(msg);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TTarnbelServer::HandleThreadMessage(const MSG& msg) {
  THandlerScope handling(FHandlerDepth);
  switch (msg.message) {
    case TM_ECHO:
      UpdateTrayTip();
      break;
    case WM_TB_SERVER_BUSY:
      BeginBusy();
      break;
    case WM_TB_SERVER_IDLE:
      EndBusy();
      break;
    case WM_TB_SERVER_ERROR:
      ShowErrorState();
      break;
    case WM_TB_NOTE_ON_LAMP:
    case WM_TB_NOTE_OFF_LAMP:
    case WM_TB_PRESET_CHANGED:
      FToolsLink->Post(msg.message, msg.wParam, msg.lParam);
      break;
    case TM_UNSUPPORTED_WAVE:
      // The failed load has left the cache: the list shown beside the box must not keep it.
      UpdateTrayTip();
      if (FPreviewMode) {
        FToolsLink->Post(WM_TB_PREVIEW_WAVE_ERROR, msg.wParam, msg.lParam);
      } else if (!FErrors->ErrorState()) {
        ShowErrorState();
        ServerBox(FWindow, UnsupportedWaveText, MB_OK | MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS);
      }
      break;
    case TM_PRESET_TOO_BIG:
      UpdateTrayTip();
      if (!FErrors->ErrorState()) {
        ShowErrorState();
        ServerBox(FWindow, PresetTooBigText, MB_OK | MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS);
      }
      break;
    case TM_PRESET_NOT_FOUND:
      UpdateTrayTip();
      if (!FErrors->ErrorState()) {
        ShowErrorState();
        if (ServerBox(FWindow, PresetNotFoundText, MB_YESNO | MB_ICONEXCLAMATION | SERVER_ERROR_BOX_FLAGS) == IDYES) {
          EnsureToolsRunning();
          FToolsLink->Notify(WM_TB_CHECK_INTEGRITY);
        }
      }
      break;
    default:
      break;
  }
}

void TTarnbelServer::Shutdown() {
  if (FShuttingDown) return;
  FShuttingDown = true;
  TurnOff();
  SetServerMappings(nullptr);
  FMappings.reset();
  FRouteDefinitions.reset();
  FSettings.reset();
}

void TTarnbelServer::Finish() {
  if (FFinished || !FWindow) return;
  FFinished = true;
  Shutdown();
  FHalfTimer.Stop();
  FSecondTimer.Stop();
  timerTarget = nullptr;
  if (FToolsLink) FToolsLink->Notify(WM_TB_SERVER_STOPPED);
  FToolsLink.reset();
  if (FTrayIcon) FTrayIcon->Remove();
  FTrayIcon.reset();
}

void TTarnbelServer::PublishRouteSettings() {
  const TServerSettings& s = ServerSettings;
  TRouteSettings route;
  route.UseDefaultDrumPreset = s.UseDefaultDrumPreset;
  route.UseDefaultMelodicBank = s.UseDefaultMelodicBank;
  route.UnloadTime = s.UnloadTime;
  route.UnloadOrphanPreset = s.UnloadOrphanPreset;
  route.UnloadOrphanTime = s.UnloadOrphanTime;
  route.ReloadOnFirstNote = s.ReloadOnFirstNote;
  route.RandomMapping = s.RandomMapping;
  route.RandomDrumBank = s.RandomDrumBank;
  route.RandomPresets = s.RandomPresets;
  route.RandomBanks = s.RandomBanks;
  route.RandomPrograms = s.RandomPrograms;
  route.SyncOperation = s.SyncOperation;
  route.RandomOnlyWinamp = s.RandomOnlyWinamp;
  route.WinampResetCache = s.WinampResetCache;
  SetRouteSettings(route);
}

void TTarnbelServer::SetTrayIcon(HICON icon) {
  if (FTrayIcon) FTrayIcon->SetIcon(icon);
}

void TTarnbelServer::ShowErrorState() {
  FErrors->Begin();
  SetTrayIcon(FIcons.Error);
  FToolsLink->Notify(WM_TB_SERVER_ERROR);
}

void TTarnbelServer::BeginBusy() {
  if (FBusyCount == 0 && !FErrors->ErrorState()) SetTrayIcon(FIcons.Working);
  FToolsLink->Notify(WM_TB_SERVER_BUSY);
  ++FBusyCount;
}

void TTarnbelServer::EndBusy() {
  --FBusyCount;
  if (FBusyCount == 0 && !FErrors->ErrorState()) {
    if (!FIsOn) {
      SetTrayIcon(FIcons.Disabled);
    } else if (FIdleDelay == -1) {
      // The idle icon waits for the half-second tick.
      FIdleDelay = 1;
      FBusyCount = 1;
    } else {
      SetTrayIcon(FIcons.Idle);
    }
  }
  FToolsLink->Notify(WM_TB_SERVER_IDLE);
}

bool TTarnbelServer::CurrentRouteValid() const {
  int current = ServerSettings.CurrentRoute;
  return current >= 1 && current <= FRoutes.Count();
}

void TTarnbelServer::UpdateTrayTip() {
  if (FTipSuppressed) return;
  if (!FTipLimit.Allow()) return;
  std::string tip = "no info";
  int route = FRoutes.LastWithSFThread();
  uint32_t total = 0, free = 0, count = 0;
  if (route >= 0 && FRoutes.QueryMemory(route, total, free) && FRoutes.CachedCount(route, count)) {
    tip = std::to_string(free / 1024) + "k free, " + std::to_string((total - free) / 1024) + "k used, " +
          std::to_string(total / 1024) + "k max, " + std::to_string(count) + " cached";
  }
  if (FTrayIcon) FTrayIcon->SetTip(tip);

  if (ServerSettings.CurrentRoute == 0) {
    FToolsLink->Notify(WM_TB_CACHE_CLEAR);
  } else if (FToolsLink->PeerWindow() && CurrentRouteValid() && FRoutes.HasSFThread(ServerSettings.CurrentRoute - 1)) {
    if (FRoutes.QueryMemory(ServerSettings.CurrentRoute - 1, total, free)) {
      FToolsLink->Post(WM_TB_CACHE_MAX, 0, static_cast<LPARAM>(total));
      FToolsLink->Post(WM_TB_CACHE_FREE, 0, static_cast<LPARAM>(free));
    }
    SendCacheList(*FToolsLink);
  }
}

void TTarnbelServer::SendCacheList(TIPCLink& link) {
  if (!CurrentRouteValid()) return;
  int route = ServerSettings.CurrentRoute - 1;
  if (!FRoutes.HasSFThread(route) || !link.PeerExists()) return;
  std::vector<CachedPresetRecord> records;
  if (!FRoutes.CachedPresets(route, records)) return;
  link.Post(WM_TB_CACHE_COUNT, 0, static_cast<LPARAM>(records.size()));
  for (CachedPresetRecord& record : records) {
    if (FPreviewMode) {
      SetShortString(record.SourceFile, FPreviewFile);
      record.SourceBank = FPreviewBank;
      record.SourcePreset = FPreviewProgram;
      continue;
    }
    TReadLock lock(*FMappings);
    TMappingsArray& mappings = FMappings->Mappings();
    int index = mappings.IndexOf(GetShortString(record.MappingName));
    TMapping* mapping = index >= 0 ? mappings.MappingAt(index) : nullptr;
    // The slot the preset was loaded for, which random choices may have moved off the played one.
    TMappingInactiveItem* item =
        mapping ? mapping->Slot(MappingBankOf(record.SourceBank), record.SourcePreset) : nullptr;
    if (item) {
      SetShortString(record.SourceFile, item->SourceFileText());
      record.SourceBank = static_cast<int32_t>(item->SourceBank);
      record.SourcePreset = static_cast<int32_t>(item->SourceProgram);
    }
  }
  std::vector<uint8_t> bytes = EncodeCachedPresetRecords(records);
  link.SendData(bytes.data(), bytes.size(), WM_TB_CACHE_LIST, 0);
}

void TTarnbelServer::ReloadRouteMappings() {
  if (!FReloadLimit.Allow()) return;
  ClearNameFlags();
  if (FIsOn) FRoutes.ReloadMappings();
}

void TTarnbelServer::EnsureToolsRunning() {
  if (FToolsLink->PeerExists()) return;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, length < sizeof(path) ? length : 0);
  folder = folder.substr(0, folder.rfind('\\') + 1);
  HINSTANCE result = ShellExecuteA(nullptr, nullptr, (folder + "tb_tools.exe").c_str(), "-", folder.c_str(), SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32) return;
  // Bounded: a tools program that never shows its window must not hold the server for good.
  DWORD start = GetTickCount();
  while (!FToolsLink->PeerExists() && GetTickCount() - start < TOOLS_START_TIMEOUT_MS) Sleep(100);
}

void TTarnbelServer::ResetCaches() {
  FRoutes.ResetCaches();
  UpdateTrayTip();
}

void TTarnbelServer::SendRouteList() { FToolsLink->SendString(FRouteListText, WM_TB_ROUTE_LIST); }

void TTarnbelServer::TickHalf() {
  CheckRoutesAlive();
  if (FIdleDelay != -1) {
    if (FIdleDelay == 0) EndBusy();
    --FIdleDelay;
  }
  if (FTipLimit.TakePending()) UpdateTrayTip();
  if (FReloadLimit.TakePending()) ReloadRouteMappings();
}

void TTarnbelServer::CheckRoutesAlive() {
  // Inside route work the routes are being changed; the next tick looks again.
  if (!FIsOn || FWork.InProgress() || !FRoutes.SomeEndedUnasked(ROUTES_LOOKED_AT_PER_TICK)) return;
  const bool boxShown = FErrors->ErrorState();
  TurnOff();
  ShowErrorState();
  if (!boxShown) RequestServerBox(GetCurrentThreadId(), RouteEndedText, MB_OK | MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS);
}

void TTarnbelServer::TickSecond() {
  if (!ServerSettings.UnloadPresetIfUnused) return;
  if (ServerSettings.UnloadTime < 1) {
    ServerSettings.UnloadTime = 1;
    PublishRouteSettings();
  }
  FRoutes.UnloadUnused();
}
