// The main window procedure: tray menu commands, the tray icon's mouse messages, the timers, the
// tools program's commands and the outside clients' requests.
#include "tarnbel_server.h"

#include "none_marker.h"
#include "protocol_payloads.h"
#include "route_thread.h"
#include "server_settings.h"
#include "tarnbel_context_menu.h"
#include "tarnbel_mappings_array.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

const char* const InstallerRunningText =
    "Installer can't work while tarnbel is running. Quit tarnbel and run install program again.";

bool IsQuery(UINT message) {
  switch (message) {
    case WM_TB_QUERY_ROUTE_COUNT: case WM_TB_QUERY_ROUTE_NAME: case WM_TB_QUERY_1175: case WM_TB_QUERY_PRESET_NAME:
    case WM_TB_QUERY_BANK_NAMES:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CALLBACK TTarnbelServer::MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    // Once, at creation: another program can send the id again with creation data of its own.
    if (message == WM_NCCREATE && GetWindowLongPtrA(window, GWLP_USERDATA) == 0) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* server = reinterpret_cast<TTarnbelServer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (server && server->FWindow == window && !server->FFinished) return server->WindowProc(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's frames.
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool TTarnbelServer::IsStateChange(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_TB_RESTART: case WM_TB_TURN_ON: case WM_TB_TURN_OFF: case WM_TB_ROUTES_CHANGED:
    case WM_TB_PREVIEW_ON: case WM_TB_PREVIEW_OFF: case WM_TB_PREVIEW_ROUTE_CHANGED:
      return true;
    case WM_COMMAND: {
      UINT item = LOWORD(wParam);
      return item == TRAY_MENU_TURN_ON || item == TRAY_MENU_TURN_OFF || item == TRAY_MENU_RESTART;
    }
    default:
      return false;
  }
}

LRESULT TTarnbelServer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  THandlerScope handling(FHandlerDepth);
  LRESULT result = 0;
  // Inside route work (a wait for a route's answer lets sent messages in) a state change waits
  // until the work is over.
  if (IsStateChange(message, wParam) && FWork.Defer(message, wParam, lParam)) return 0;
  switch (message) {
    case WM_COMMAND:
      if (HandleMenuCommand(LOWORD(wParam))) return 0;
      break;
    case WM_TB_TRAY_CALLBACK:
      if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) {
        HandleTrayCallback(lParam);
        return 0;
      }
      break;
    case WM_TB_TICK_HALF:
      TickHalf();
      return 0;
    case WM_TB_TICK_SECOND:
      TickSecond();
      return 0;
    case WM_CLOSE:
      // Closing the window ends the server the way its own exit does, not as a windowless process.
      PostQuitMessage(0);
      return 0;
    case WM_ENDSESSION:
      // The process ends soon after this returns: the exit's steps run now, and the loop ends.
      // Inside another handler they wait for the loop's end: that handler still uses what they free.
      if (wParam) {
        if (FHandlerDepth == 1) Finish();
        PostQuitMessage(0);
      }
      return 0;
    default:
      if (HandleToolsCommand(message, wParam, lParam)) return 0;
      if (HandleSettingMessage(message, lParam)) {
        PublishRouteSettings();
        return 0;
      }
      if (HandleOutsideRequest(message, wParam, lParam, result)) return result;
      // A payload sent with an id the server does not take is removed all the same.
      if (MessageCarriesPayload(message)) TIPCLink::DiscardPayload(wParam);
      break;
  }
  return DefWindowProcA(FWindow, message, wParam, lParam);
}

bool TTarnbelServer::HandleMenuCommand(UINT item) {
  if (item >= TRAY_MENU_ABOUT && item <= TRAY_MENU_EDITOR) EnsureToolsRunning();
  switch (item) {
    case TRAY_MENU_EXIT: PostQuitMessage(0); return true;
    case TRAY_MENU_TURN_ON: TurnOn(); return true;
    case TRAY_MENU_TURN_OFF: TurnOff(); return true;
    case TRAY_MENU_ABOUT: FToolsLink->Notify(WM_TB_SHOW_ABOUT); return true;
    case TRAY_MENU_PREFERENCES: FToolsLink->Notify(WM_TB_SHOW_PREFERENCES); return true;
    case TRAY_MENU_MONITOR:
      UpdateTrayTip();
      FToolsLink->Notify(WM_TB_SHOW_MONITOR);
      return true;
    case TRAY_MENU_MANAGER: FToolsLink->Notify(WM_TB_SHOW_MANAGER); return true;
    case TRAY_MENU_EDITOR: FToolsLink->Notify(WM_TB_SHOW_EDITOR); return true;
    case TRAY_MENU_MIDI_RESET: FRoutes.MidiReset(-1); return true;
    case TRAY_MENU_CLEAR_ALL: FRoutes.ClearAllLoaded(-1); return true;
    case TRAY_MENU_RESET_CACHE: ResetCaches(); return true;
    case TRAY_MENU_RESTART: Restart(); return true;
    default: return false;
  }
}

void TTarnbelServer::HandleTrayCallback(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) {
    if (!FErrors->ErrorState()) return;
    FErrors->End();
    FBusyCount = 0;
    SetTrayIcon(FIsOn ? FIcons.Idle : FIcons.Disabled);
  } else {
    TContextMenu::Create(FWindow, FIsOn);
  }
}

bool TTarnbelServer::HandleToolsCommand(UINT message, WPARAM wParam, LPARAM lParam) {
  std::string text;
  switch (message) {
    case WM_TB_RESTART: Restart(); return true;
    case WM_TB_TURN_ON: TurnOn(); return true;
    case WM_TB_TURN_OFF: TurnOff(); return true;
    case WM_TB_HARD_RESET: FRoutes.ClearAllLoaded(ServerSettings.CurrentRoute - 1); return true;
    case WM_TB_MIDI_RESET: FRoutes.MidiReset(ServerSettings.CurrentRoute - 1); return true;
    case WM_TB_ROUTES_CHANGED: {
      TRouteWork::TScope work(FWork);
      FRouteDefinitions->Load();
      if (FIsOn) Restart();
      return true;
    }
    case WM_TB_TOOLS_HELLO:
      FToolsLink->FindPeer();
      UpdateTrayTip();
      return true;
    case WM_TB_TOOLS_BYE:
      FToolsLink->ForgetPeer();
      FRoutes.SetMonitor(ServerSettings.CurrentRoute - 1, false);
      return true;
    case WM_TB_SELECT_ROUTE: SelectRoute(wParam); return true;
    case WM_TB_GET_CACHE_INFO: UpdateTrayTip(); return true;
    case WM_TB_GET_ROUTES: SendRouteList(); return true;
    case WM_TB_GET_CURRENT_ROUTE: FToolsLink->Post(WM_TB_CURRENT_ROUTE, 0, ServerSettings.CurrentRoute); return true;
    case WM_TB_GET_STATE: FToolsLink->Post(WM_TB_SERVER_STATE, 0, FIsOn ? 1 : 0); return true;
    case WM_TB_GET_FILE_NAME: FToolsLink->SendString(FFileName, WM_TB_FILE_NAME); return true;
    case WM_TB_GET_FILE_TEXT: FToolsLink->SendString(FFileText, WM_TB_FILE_TEXT); return true;
    case WM_TB_UNLOAD_PRESET:
      if (CurrentRouteValid() && FRoutes.HasSFThread(ServerSettings.CurrentRoute - 1))
        FRoutes.ClearPreset(ServerSettings.CurrentRoute - 1, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
      return true;
    case WM_TB_MAPPING_SAVED:
    case WM_TB_MAPPINGS_CHANGED:
    case WM_TB_MAPPING_ACTIVATE:
    case WM_TB_MAPPING_DEACTIVATE:
    case WM_TB_MAPPING_ORDER:
      ChangeMappingSet(message, wParam);
      return true;
    case WM_TB_MAPPINGS_APPLY: ReloadRouteMappings(); return true;
    case WM_TB_RANDOM_INCLUDE:
    case WM_TB_RANDOM_EXCLUDE:
      SetRandomFlag(wParam, message == WM_TB_RANDOM_INCLUDE);
      return true;
    case WM_TB_PREVIEW_ON: PreviewOn(); return true;
    case WM_TB_PREVIEW_OFF: PreviewOff(); return true;
    case WM_TB_PREVIEW_ROUTE_CHANGED:
      if (FPreviewMode) {
        TRouteWork::TScope work(FWork);
        bool wasOn = FWasOnBeforePreview;
        FWasOnBeforePreview = false;
        PreviewOff();
        PreviewOn();
        FWasOnBeforePreview = wasOn;
      }
      return true;
    case WM_TB_PREVIEW_FILE:
      if (IPCReceiveString(wParam, text)) FPreviewFile = text;
      return true;
    case WM_TB_PREVIEW_PRESET:
      if (FPreviewMode) {
        FPreviewBank = static_cast<int32_t>(wParam);
        FPreviewProgram = static_cast<int32_t>(lParam);
        if (FRoutes.PreviewLoad(FPreviewFile, FPreviewBank, FPreviewProgram))
          FRoutes.PostToRoute(0, TM_PREVIEW_SELECT, wParam, 0);
      }
      return true;
    case WM_TB_PREVIEW_STOP:
      if (FPreviewMode) FRoutes.PreviewStop();
      return true;
    case WM_TB_INSTALLER_RUNNING:
      RequestServerBox(GetCurrentThreadId(), InstallerRunningText, MB_OK | MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS);
      return true;
    default:
      return false;
  }
}

void TTarnbelServer::SelectRoute(WPARAM atom) {
  std::string caption;
  if (!IPCReceiveString(atom, caption)) return;
  int index = FRoutes.FindByCaption(caption);
  // A route stored twice is listed twice under one caption: the caption of the current route keeps
  // it, rather than moving the choice to its twin, which may not even have opened.
  const TRouteThread* current = FRoutes.At(ServerSettings.CurrentRoute - 1);
  if (index >= 0 && current && current->Caption() == caption) index = ServerSettings.CurrentRoute - 1;
  // The monitor answers each current-route report with its selection; the answer to the list of
  // before the preview can come once the preview runs. The preview route alone is listed then: a
  // caption it does not have is that stale answer, and would leave the preview with no current
  // route (its cache unreported) and store that choice.
  if (index < 0 && FPreviewMode) return;
  FRoutes.SetMonitor(ServerSettings.CurrentRoute - 1, false);
  ServerSettings.CurrentRoute = 0;
  if (index >= 0) {
    ServerSettings.CurrentRoute = index + 1;
    FRoutes.SetMonitor(index, true);
  }
  WriteSetting(*FSettings, server_setting::CurrentRoute, ServerSettings.CurrentRoute);
  UpdateTrayTip();
}

void TTarnbelServer::ChangeMappingSet(UINT message, WPARAM atom) {
  std::string text;
  if (message != WM_TB_MAPPINGS_CHANGED && !IPCReceiveString(atom, text)) return;
  // The server never writes mappings: activating a name that is no stored mapping would make one.
  if (message == WM_TB_MAPPING_ACTIVATE && !StoredMappingExists(text.empty() ? "default" : text)) return;
  {
    TWriteLock lock(*FMappings);
    TMappingsArray& mappings = FMappings->Mappings();
    switch (message) {
      case WM_TB_MAPPING_SAVED: mappings.ReloadMapping(text); return;
      case WM_TB_MAPPINGS_CHANGED: mappings.Reload(); return;
      case WM_TB_MAPPING_ACTIVATE: mappings.ActivateMapping(text); break;
      case WM_TB_MAPPING_DEACTIVATE: mappings.DeactivateMapping(text); break;
      default: mappings.ApplyPriorities(text); break;
    }
  }
  ClearNameFlags();
  if (ServerSettings.ImmediateChanges) ReloadRouteMappings();
}

void TTarnbelServer::SetRandomFlag(WPARAM atom, bool include) {
  std::string name;
  if (!IPCReceiveString(atom, name)) return;
  TWriteLock lock(*FMappings);
  TMapping* mapping = FMappings->Mappings().GetOrCreateMapping(name);
  if (mapping && mapping->Name == name) mapping->Random = include;
}

bool TTarnbelServer::HandleSettingMessage(UINT message, LPARAM lParam) {
  bool flag = lParam != 0;
  int32_t value = static_cast<int32_t>(lParam);
  TServerSettings& s = ServerSettings;
  switch (message) {
    case WM_TB_SET_UNLOAD_IF_UNUSED: s.UnloadPresetIfUnused = flag; return true;
    case WM_TB_SET_DEFAULT_MELODIC: s.UseDefaultMelodicBank = flag; return true;
    case WM_TB_SET_DEFAULT_DRUMS: s.UseDefaultDrumPreset = flag; return true;
    case WM_TB_SET_UNLOAD_TIME: s.UnloadTime = value; return true;
    case WM_TB_SET_UNLOAD_ORPHAN: s.UnloadOrphanPreset = flag; return true;
    case WM_TB_SET_ORPHAN_TIME: s.UnloadOrphanTime = value; return true;
    case WM_TB_SET_RELOAD_FIRST_NOTE: s.ReloadOnFirstNote = flag; return true;
    case WM_TB_SET_RANDOM_MAPPING: s.RandomMapping = flag; return true;
    case WM_TB_SET_RANDOM_DRUM_BANK: s.RandomDrumBank = flag; return true;
    case WM_TB_SET_RANDOM_PRESETS: s.RandomPresets = flag; return true;
    case WM_TB_SET_RANDOM_BANKS: s.RandomBanks = flag; return true;
    case WM_TB_SET_RANDOM_PROGRAMS: s.RandomPrograms = flag; return true;
    case WM_TB_SET_RANDOM_ONLY_WINAMP: s.RandomOnlyWinamp = flag; return true;
    case WM_TB_SET_WINAMP_RESET_CACHE: s.WinampResetCache = flag; return true;
    case WM_TB_SET_DISABLE_SF_INTERFACE: s.DisableSoundFontDeviceInterface = flag; return true;
    case WM_TB_SET_ADD_BANK_NAME:
      s.AddBankNameToPresetName = flag;
      ClearNameFlags();
      return true;
    case WM_TB_SET_IMMEDIATE_CHANGES: s.ImmediateChanges = flag; return true;
    default: return false;
  }
}

LRESULT TTarnbelServer::AnswerText(const std::string& text) {
  return static_cast<LRESULT>(IPCWriteStringPayload(text));
}

LRESULT TTarnbelServer::AnswerBankNames(LPARAM bank) {
  if (bank < 0 || bank > 129 || FNameFlags[bank]) return 0;
  std::vector<std::string> names(BANK_NAMES_COUNT);
  {
    TReadLock lock(*FMappings);
    TMappingsArray& mappings = FMappings->Mappings();
    for (int i = 0; i < static_cast<int>(BANK_NAMES_COUNT); ++i) {
      if (bank == 129) {
        names[i] = mappings.GetBankName(i);
      } else if (TMappingInactiveItem* item = mappings.FindItem(static_cast<int>(bank), i)) {
        names[i] = item->GetPresetName();
      }
    }
  }
  std::vector<uint8_t> block = EncodeBankNames(names);
  ATOM atom = IPCWritePayload(block.data(), block.size());
  if (atom) FNameFlags[bank] = 1;
  return static_cast<LRESULT>(atom);
}

bool TTarnbelServer::HandleOutsideRequest(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  std::string text;
  result = 0;
  // A query's answer is the result of a sent message; a posted one has nobody to take the payload.
  if (IsQuery(message) && !InSendMessage()) return true;
  switch (message) {
    case WM_TB_REQ_1067: ResetCaches(); return true;
    case WM_TB_SEND_CACHE_LIST_TO: SendCacheListTo(wParam); return true;
    case WM_TB_QUERY_ROUTE_COUNT:
      result = ServerSettings.DisableSoundFontDeviceInterface ? 0 : FRoutes.Count();
      return true;
    case WM_TB_QUERY_ROUTE_NAME: {
      int index = lParam >= 0 && lParam < FRoutes.Count() ? static_cast<int>(lParam) : -1;
      result = AnswerText(index >= 0 ? FRoutes.InputName(index) : NoneMarker);
      return true;
    }
    case WM_TB_QUERY_1175: {
      TReadLock lock(*FMappings);
      text = FMappings->Mappings().GetBankName(static_cast<int>(lParam));
      result = AnswerText(text);
      return true;
    }
    case WM_TB_QUERY_PRESET_NAME: {
      TReadLock lock(*FMappings);
      TMappingInactiveItem* item = FMappings->Mappings().FindItem(static_cast<int>(wParam), static_cast<int>(lParam));
      result = AnswerText(item ? item->GetPresetName() : NoneMarker);
      return true;
    }
    case WM_TB_QUERY_BANK_NAMES: result = AnswerBankNames(lParam); return true;
    case WM_TB_RESET_NAME_FLAGS: ClearNameFlags(); return true;
    case WM_TB_SET_FILE_NAME:
      if (IPCReceiveString(wParam, text)) {
        FFileName = text;
        FToolsLink->SendString(FFileName, WM_TB_FILE_NAME);
      }
      return true;
    case WM_TB_SET_FILE_TEXT:
      if (IPCReceiveString(wParam, text)) {
        FFileText = text;
        FToolsLink->SendString(FFileText, WM_TB_FILE_TEXT);
      }
      return true;
    case WM_TB_DRIVER_1138:
    case WM_TB_DRIVER_1139:
      if (FIsOn) {
        int route = FRoutes.FindByLoopback(static_cast<int>(wParam));
        FRoutes.PostToRoute(route, message == WM_TB_DRIVER_1138 ? TM_DRIVER_1140 : TM_DRIVER_1141, LOWORD(lParam),
                            HIWORD(lParam));
      }
      return true;
    case WM_TB_WINAMP_1145: FRoutes.PostToRoute(MidiMapperRoute(), TM_WINAMP_1146, 0, 0); return true;
    case WM_TB_WINAMP_1195:
    case WM_TB_WINAMP_1196: FRoutes.PostToRoute(MidiMapperRoute(), message, 0, 0); return true;
    case WM_TB_WINAMP_MODE_ON: {
      int route = MidiMapperRoute();
      if (route >= 0) FRoutes.WinampModeOn(route);
      // The requester hears back in any case; an id that names no thread gets nothing.
      PostThreadUntilAccepted(static_cast<DWORD>(lParam), TM_WINAMP_MODE_ON_DONE, 0, 0);
      return true;
    }
    case WM_TB_WINAMP_MODE_OFF: FRoutes.PostToRoute(MidiMapperRoute(), TM_WINAMP_MODE_OFF, 0, 0); return true;
    case WM_TB_WINAMP_LOAD_PRESETS: WinampLoadPresets(wParam, lParam); return true;
    case WM_TB_MM_LOAD_PRESETS: MMLoadPresets(wParam, lParam); return true;
    case WM_TB_MM_LOAD_DRUMS: MMLoadDrums(wParam, lParam); return true;
    default: return false;
  }
}

void TTarnbelServer::SendCacheListTo(WPARAM atom) {
  std::string title;
  if (!IPCReceiveString(atom, title)) return;
  TIPCLink link(title, 0);
  SendCacheList(link);
}

void TTarnbelServer::WinampLoadPresets(WPARAM atom, LPARAM requester) {
  BeginClientLoad();
  std::vector<uint8_t> block;
  std::vector<BankProgramRecord> records;
  // A block whose count does not describe its bytes is not passed on.
  bool valid = IPCReceiveBuffer(atom, block) && DecodeBankProgramBlock(block, records);
  int route = MidiMapperRoute();
  if (valid && FIsOn && route >= 0) FRoutes.WinampLoadPresets(route, records);
  PostThreadUntilAccepted(static_cast<DWORD>(requester), TM_WINAMP_LOADED, 0, 0);
  // The idle icon returns at once.
  FIdleDelay = 0;
  EndClientLoad();
  FIdleDelay = -1;
}

void TTarnbelServer::BeginClientLoad() {
  BeginBusy();
  FTipSuppressed = true;
}

void TTarnbelServer::EndClientLoad() {
  FTipSuppressed = false;
  UpdateTrayTip();
  EndBusy();
}

void TTarnbelServer::MMLoadPresets(WPARAM atom, LPARAM requester) {
  BeginClientLoad();
  DWORD thread = 0;
  uint16_t loopback = 0;
  DecodeMMRequesterParam(requester, thread, loopback);
  std::vector<uint8_t> payload;
  TMMPresetsBlock checked;
  bool valid = IPCReceiveBuffer(atom, payload) && DecodeMMPresetsBlock(payload, checked);
  int route = FIsOn && valid ? FRoutes.FindByLoopback(loopback) : -1;
  if (route >= 0 && FRoutes.MMLoadPresets(route, checked))
    TIPCLink::PostThreadData(thread, checked.data(), checked.size(), TM_MM_DONE);
  else
    PostThreadUntilAccepted(thread, TM_MM_DONE, 0, 0);
  EndClientLoad();
}

void TTarnbelServer::MMLoadDrums(WPARAM atom, LPARAM requester) {
  BeginClientLoad();
  DWORD thread = 0;
  uint16_t loopback = 0;
  DecodeMMRequesterParam(requester, thread, loopback);
  std::vector<uint8_t> payload;
  TMMDrumWords words{};
  bool valid = IPCReceiveBuffer(atom, payload) && DecodeMMDrumWords(payload, words);
  bool anySet = false;
  for (uint16_t word : words) anySet = anySet || word != 0;
  if (valid && FIsOn && anySet) {
    int route = FRoutes.FindByLoopback(loopback);
    if (route >= 0) FRoutes.MMLoadDrums(route);
  }
  PostThreadUntilAccepted(thread, TM_MM_DONE, 0, 0);
  EndClientLoad();
}
