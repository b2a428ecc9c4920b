#include "demo_watcher.h"

#include "cached_preset_record.h"
#include "demo_say.h"
#include "protocol_payloads.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"

namespace {
const char* const kClassName = "TarnbelDemoToolsWindow";
const DWORD kCacheInfoPeriodMs = 1000;

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text.empty() ? "none" : text;
}

std::string ChannelText(int32_t channel) {
  return channel < 0 ? std::string("no channel") : "channel " + std::to_string(channel + 1);
}

std::string RecordLine(const CachedPresetRecord& r) {
  std::string source = FileNameOf(GetShortString(r.SourceFile));
  if (r.SourceBank != static_cast<int32_t>(WaveSourceBank))
    source += " " + std::to_string(r.SourceBank) + ":" + std::to_string(r.SourcePreset);
  const char* state = r.Removing ? "removing" : r.Loading ? "loading" : "loaded";
  return "  " + FormatBankProgram(MappingBankOf(r.Bank), r.Program) + " \"" + GetShortString(r.PresetName) +
         "\"  mapping " + GetShortString(r.MappingName) + ", " + source + ", " + ChannelText(r.Channel) + ", " +
         state;
}
}  // namespace

TDemoWatcher::TDemoWatcher(const std::string& routeCaption)
    : FWindow(kClassName, TOOLS_WINDOW_TITLE, &TDemoWatcher::Proc, this),
      FServer(SERVER_WINDOW_TITLE, 0),
      FCaption(routeCaption) {}

LRESULT CALLBACK TDemoWatcher::Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  auto* self = testsupport::THiddenWindow::Owner<TDemoWatcher>(window);
  if (!self || id < WM_USER || id >= 0x8000) return DefWindowProcA(window, id, wParam, lParam);
  // Payloads are read (and so removed) whether they are used or not.
  std::vector<uint8_t> payload;
  if (MessageCarriesPayload(id)) IPCReceiveBuffer(wParam, payload);
  self->Handle(id, wParam, lParam, payload);
  return 0;
}

bool TDemoWatcher::Run(DWORD timeoutMs) {
  if (!FWindow.Handle()) {
    Say("tb_demo: the tools window cannot be created");
    return false;
  }
  DWORD start = GetTickCount();
  DWORD lastAsked = start - kCacheInfoPeriodMs;
  while (!FStopped && GetTickCount() - start < timeoutMs) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (FStopped) break;
    if (!FGreeted && FServer.FindPeer()) Greet();
    if (FGreeted && !FServer.PeerExists()) {
      Say("server window gone");
      break;
    }
    if (FGreeted && GetTickCount() - lastAsked >= kCacheInfoPeriodMs) {
      FServer.Notify(WM_TB_GET_CACHE_INFO);
      lastAsked = GetTickCount();
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  if (!FStopped && FServer.PeerExists()) FServer.Notify(WM_TB_TOOLS_BYE);
  return FSawLoaded;
}

// Hello makes a server started before this window send its reports here; the questions fill in
// what was reported before.
void TDemoWatcher::Greet() {
  FGreeted = true;
  FServer.Notify(WM_TB_TOOLS_HELLO);
  FServer.Notify(WM_TB_GET_ROUTES);
  FServer.Notify(WM_TB_GET_STATE);
  FServer.Notify(WM_TB_GET_CURRENT_ROUTE);
}

void TDemoWatcher::Handle(UINT id, WPARAM wParam, LPARAM lParam, const std::vector<uint8_t>& payload) {
  switch (id) {
    case WM_TB_SERVER_STARTED:
      Say("server started");
      FServer.FindPeer();
      break;
    case WM_TB_SERVER_STOPPED:
      Say("server stopped");
      FStopped = true;
      break;
    case WM_TB_SERVER_STATE:
      if (FOn != (lParam ? 1 : 0)) {
        FOn = lParam ? 1 : 0;
        ShowState();
      }
      break;
    case WM_TB_ROUTE_LIST: TakeRouteList(std::string(payload.begin(), payload.end())); break;
    case WM_TB_CURRENT_ROUTE:
      if (FCurrentRoute != static_cast<long>(lParam)) {
        FCurrentRoute = static_cast<long>(lParam);
        if (lParam > 0 && static_cast<size_t>(lParam) <= FRoutes.size())
          Say("watching route " + FRoutes[static_cast<size_t>(lParam) - 1]);
      }
      break;
    case WM_TB_SERVER_BUSY:
    case WM_TB_SERVER_IDLE:
      if (FBusy != (id == WM_TB_SERVER_BUSY)) {
        FBusy = !FBusy;
        Say(FBusy ? "server busy" : "server idle");
      }
      break;
    case WM_TB_SERVER_ERROR: Say("server error (its box tells more)"); break;
    case WM_TB_PRESET_CHANGED: {
      int32_t bank = 0, program = 0;
      DecodePresetChangedParam(lParam, bank, program);
      // A bank select on a channel that had no program change yet names no preset.
      if (program >= 0 && program < MappingPrograms)
        Say(ChannelText(static_cast<int32_t>(wParam)) + ": preset " + FormatBankProgram(MappingBankOf(bank), program));
      break;
    }
    case WM_TB_CACHE_MAX: FMax = static_cast<int64_t>(static_cast<uint32_t>(lParam)); break;
    case WM_TB_CACHE_FREE: FFree = static_cast<int64_t>(static_cast<uint32_t>(lParam)); break;
    case WM_TB_CACHE_COUNT:
      FCount = lParam;
      ShowMemory();
      if (FCount == 0) FListShown.clear();
      break;
    case WM_TB_CACHE_LIST: ShowCacheList(payload); break;
    case WM_TB_CACHE_CLEAR:
      if (!FListShown.empty()) Say("cache list cleared");
      FListShown.clear();
      break;
    default: break;
  }
}

void TDemoWatcher::TakeRouteList(const std::string& text) {
  // The first row is "[no info]" while the server is on; rows count from it.
  std::vector<std::string> entries = DecodeEntryList(text);
  if (!entries.empty() && entries.front() == ROUTE_LIST_NO_INFO) entries.erase(entries.begin());
  if (entries == FRoutes) return;
  FRoutes = entries;
  if (FOn == 1) ShowState();
  bool listed = false;
  for (const std::string& route : FRoutes) listed = listed || route == FCaption;
  if (listed) {
    FServer.SendString(FCaption, WM_TB_SELECT_ROUTE);
    FServer.Notify(WM_TB_GET_CURRENT_ROUTE);
  }
}

void TDemoWatcher::ShowState() {
  Say(FOn == 1 ? "server on; routes: " + Join(FRoutes) : "server off");
}

void TDemoWatcher::ShowMemory() {
  std::string line;
  if (FMax >= 0 && FFree >= 0)
    line = "card memory: " + std::to_string(FFree / 1024) + "k free of " + std::to_string(FMax / 1024) + "k; ";
  line += std::to_string(FCount) + (FCount == 1 ? " preset" : " presets") + " cached";
  if (line != FMemoryShown) Say(line);
  FMemoryShown = line;
}

void TDemoWatcher::ShowCacheList(const std::vector<uint8_t>& payload) {
  std::vector<CachedPresetRecord> records;
  if (!DecodeCacheList(payload, static_cast<uint32_t>(FCount < 0 ? 0 : FCount), records)) {
    Say("cache list of an unexpected size (" + std::to_string(payload.size()) + " bytes)");
    return;
  }
  std::string text;
  for (const CachedPresetRecord& record : records) {
    text += RecordLine(record) + "\n";
    FSawLoaded = FSawLoaded || (!record.Loading && !record.Removing);
  }
  if (text == FListShown) return;
  FListShown = text;
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}
