// The server's states: on (the active routes run), off, and preview (the editor's single route).
#include "tarnbel_server.h"

#include "midi_mapper.h"
#include "protocol_payloads.h"
#include "reg_array.h"
#include "route_record.h"
#include "server_settings.h"
#include "tarnbel_protocol.h"

namespace {
const char* const NoPreviewRouteText = "There is no preview route assigned.";
}

void TTarnbelServer::TurnOn() {
  if (FIsOn) return;
  TRouteWork::TScope work(FWork);
  FTipSuppressed = false;
  // From the last stored route to the first: the routes run in reverse order of the list.
  std::vector<RouteRecord> definitions;
  for (int i = FRouteDefinitions ? FRouteDefinitions->Count() - 1 : -1; i >= 0; --i) {
    RouteRecord route;
    if (ParseRouteRecord(FRouteDefinitions->GetItem(i), route) && route.IsActive()) definitions.push_back(route);
  }
  FIsOn = true;
  FRouteListText = std::string(ROUTE_LIST_NO_INFO) + ENTRY_TERMINATOR;
  for (const std::string& caption : FRoutes.OpenRoutes(definitions)) FRouteListText += caption + ENTRY_TERMINATOR;
  FRoutes.SetMonitor(ServerSettings.CurrentRoute - 1, true);
  SendRouteList();
  FToolsLink->Post(WM_TB_CURRENT_ROUTE, 0, ServerSettings.CurrentRoute);
  UpdateTrayTip();
  FToolsLink->Post(WM_TB_SERVER_STATE, 0, 1);
  SetTrayIcon(FIcons.Idle);
}

void TTarnbelServer::TurnOff() {
  SetTrayIcon(FIcons.Disabled);
  if (!FIsOn) return;
  TRouteWork::TScope work(FWork);
  if (FPreviewMode) {
    // Ending the preview does not bring the normal routes back.
    FWasOnBeforePreview = false;
    PreviewOff();
    return;
  }
  FToolsLink->Post(WM_TB_SERVER_STATE, 0, 0);
  CloseRoutes(false);
}

void TTarnbelServer::Restart() {
  TRouteWork::TScope work(FWork);
  TurnOff();
  TurnOn();
}

void TTarnbelServer::PreviewOn() {
  if (FPreviewMode) return;
  TRouteWork::TScope work(FWork);
  FWasOnBeforePreview = FIsOn;
  TurnOff();
  RouteRecord route;
  ReadPreviewRoute(route);
  if (route.Input.empty() && route.Output.empty() && route.Device.empty()) {
    FRoutes.CloseAll();
    RequestServerBox(GetCurrentThreadId(), NoPreviewRouteText, MB_OK | MB_SYSTEMMODAL);
    return;
  }
  OpenPreview(route);
}

void TTarnbelServer::OpenPreview(const RouteRecord& route) {
  // On before anything is reported: a query sent to the window while the tray icon changes is
  // answered in the middle of this, and must not hear "off" after the state said "on".
  FPreviewMode = true;
  FIsOn = true;
  std::string caption;
  FRouteListText.clear();
  if (FRoutes.OpenPreviewRoute(route, caption)) FRouteListText = caption + ENTRY_TERMINATOR;
  FRoutes.SetMonitor(ServerSettings.CurrentRoute - 1, true);
  SendRouteList();
  FToolsLink->Post(WM_TB_CURRENT_ROUTE, 0, ServerSettings.CurrentRoute);
  UpdateTrayTip();
  FToolsLink->Post(WM_TB_SERVER_STATE, 0, 1);
  FToolsLink->Notify(WM_TB_PREVIEW_STARTED);
  SetTrayIcon(FIcons.Idle);
}

void TTarnbelServer::PreviewOff() {
  if (!FPreviewMode) return;
  TRouteWork::TScope work(FWork);
  SetTrayIcon(FIcons.Disabled);
  FToolsLink->Post(WM_TB_SERVER_STATE, 0, 0);
  CloseRoutes(true);
  FPreviewMode = false;
  if (FWasOnBeforePreview) TurnOn();
}

void TTarnbelServer::CloseRoutes(bool preview) {
  FRoutes.Quiesce();
  if (preview) FRoutes.PostToRoute(0, TM_PREVIEW_OFF, 0, 0);
  ResetCaches();
  FRoutes.WaitCachesEmpty(CACHES_EMPTY_TIMEOUT_MS);
  FIsOn = false;
  FRoutes.CloseAll();
  FRouteListText.clear();
  SendRouteList();
  FToolsLink->Post(WM_TB_CURRENT_ROUTE, 0, ServerSettings.CurrentRoute);
  FToolsLink->Notify(WM_TB_CACHE_CLEAR);
  if (preview) FToolsLink->Notify(WM_TB_PREVIEW_STOPPED);
  UpdateTrayTip();
}

int TTarnbelServer::MidiMapperRoute() const {
  std::string name = MidiMapperInputName();
  return name.empty() ? -1 : FRoutes.FindByInputName(name);
}
