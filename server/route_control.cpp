#include "route_control.h"

#include <windows.h>

#include "abstract_message.h"
#include "address_space.h"
#include "route_thread.h"
#include "server_box.h"
#include "sf_thread_messages.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {
// What the server needs once its routes run, beyond their threads: the tray menu's thread, the set
// of mappings built again beside the old one on a reload, the loads, the boxes and the lists the tools
// program asks for. A route thread is made only while this much address space is left, in pieces
// that the heap can grow into.
constexpr size_t AddressSpaceForLater = 128u << 20;
constexpr size_t AddressSpacePiece = 16u << 20;

bool RoomForRouteThread() { return AddressSpaceLeft(AddressSpaceForLater, AddressSpacePiece); }
}  // namespace

TRouteControl::TRouteControl() { SetRouteThreadList(this); }

TRouteControl::~TRouteControl() {
  CloseAll();
  SetRouteThreadList(nullptr);
}

TRouteThread* TRouteControl::At(int index) const { return ValidIndex(index) ? FRoutes[index].get() : nullptr; }

bool TRouteControl::StartRoute(const RouteRecord& definition, bool room, std::string& caption, DWORD& threadId) {
  // The routes see the names as stored: an unused output is "[none]", which they know not to look for.
  std::unique_ptr<TRouteThread> route;
  if (room)
    route = TAdvancedThread::Make<TRouteThread>(StoredRouteName(definition.Input), StoredRouteName(definition.Device),
                                                StoredRouteName(definition.Output));
  if (!route || !route->WaitReady()) {
    if (route) route->Stop();
    RequestServerBox(GetCurrentThreadId(), CantOpenInputText(StoredRouteName(definition.Input)));
    return false;
  }
  caption = route->Caption();
  threadId = route->ThreadID();
  // In the list before it opens: its input looks for a manager thread to share among the others.
  FRoutes.push_back(std::move(route));
  TSyncMessage(threadId, TM_ROUTE_OPEN).Send();
  return true;
}

std::vector<std::string> TRouteControl::OpenRoutes(const std::vector<RouteRecord>& definitions) {
  std::vector<std::string> captions;
  std::string caption;
  DWORD threadId = 0;
  // Once the address space runs short the rest of the list fails at once, as fast as it is reported.
  bool room = true;
  for (const RouteRecord& definition : definitions) {
    room = room && RoomForRouteThread();
    if (StartRoute(definition, room, caption, threadId)) captions.push_back(caption);
  }
  return captions;
}

bool TRouteControl::OpenPreviewRoute(const RouteRecord& definition, std::string& caption) {
  caption.clear();
  DWORD threadId = 0;
  if (!StartRoute(definition, RoomForRouteThread(), caption, threadId)) return false;
  TAdvancedThread::PostAsOwner(threadId, TM_PREVIEW_ON, 0, 0);
  return true;
}

void TRouteControl::Quiesce() {
  for (int i = Count() - 1; i >= 0; --i) TSyncMessage(FRoutes[i]->ThreadID(), TM_ROUTE_1063).Send();
}

void TRouteControl::CloseAll() {
  while (!FRoutes.empty()) {
    TAdvancedThread::PostAsOwner(FRoutes.back()->ThreadID(), TM_ROUTE_CLOSE, 0, 0);
    FRoutes.back()->Stop();
    FRoutes.pop_back();
  }
}

std::string TRouteControl::Caption(int index) const { return ValidIndex(index) ? FRoutes[index]->Caption() : std::string(); }

std::string TRouteControl::InputName(int index) const {
  return ValidIndex(index) ? FRoutes[index]->InputName() : std::string();
}

template <class Test>
int TRouteControl::FindLast(Test test) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (test(*FRoutes[i])) return i;
  return -1;
}

int TRouteControl::FindByCaption(const std::string& caption) const {
  return FindLast([&](const TRouteThread& route) { return route.Caption() == caption; });
}

int TRouteControl::FindByInputName(const std::string& name) const {
  return FindLast([&](const TRouteThread& route) { return route.InputName() == name; });
}

int TRouteControl::FindByLoopback(int loopback) const {
  return FindLast([&](const TRouteThread& route) { return route.LoopbackIndex() == loopback; });
}

void TRouteControl::ResetCaches() {
  for (int i = Count() - 1; i >= 0; --i) PostToRoute(i, TM_ROUTE_1044, 0, 0);
}

bool TRouteControl::WaitCachesEmpty(uint32_t timeoutMs) {
  // Bounded: a cache that never empties must not hold the turn-off for good.
  if (FRoutes.empty()) return true;
  DWORD start = GetTickCount();
  for (;;) {
    Sleep(100);
    int cached = 0;
    for (int i = 0; i < Count(); ++i) {
      TGetListOfCachedPresetsMessage list(FRoutes[i]->ThreadID());
      if (list.Send() && list.List) cached += list.List->Count();
    }
    if (cached == 0) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
  }
}

void TRouteControl::ClearAllLoaded(int index) {
  if (index != -1) {
    if (ValidIndex(index)) TClearAllLoadedSFMessage(FRoutes[index]->ThreadID()).Send();
    return;
  }
  for (int i = Count() - 1; i >= 0; --i)
    if (FRoutes[i]->OwnsSFThread()) TClearAllLoadedSFMessage(FRoutes[i]->ThreadID()).Send();
}

void TRouteControl::MidiReset(int index) {
  if (index != -1) {
    PostToRoute(index, TM_MIDI_RESET, 0, 0);
    return;
  }
  for (int i = Count() - 1; i >= 0; --i) PostToRoute(i, TM_MIDI_RESET, 0, 0);
}

void TRouteControl::SetMonitor(int index, bool on) { PostToRoute(index, on ? TM_MONITOR_ON : TM_MONITOR_OFF, 0, 0); }

void TRouteControl::ReloadMappings() {
  for (int i = Count() - 1; i >= 0; --i) PostToRoute(i, TM_RELOAD_MAPPINGS, 0, 0);
}

void TRouteControl::UnloadUnused() {
  for (int i = Count() - 1; i >= 0; --i)
    if (FRoutes[i]->InputIndex() >= 0 && FRoutes[i]->HasSFThread()) PostToRoute(i, TM_UNLOAD_UNUSED, 0, 0);
}

void TRouteControl::PostToRoute(int index, UINT id, WPARAM wParam, LPARAM lParam) {
  if (ValidIndex(index)) TAdvancedThread::PostAsOwner(FRoutes[index]->ThreadID(), id, wParam, lParam);
}

void TRouteControl::ClearPreset(int index, int32_t bank, int32_t program) {
  DWORD thread = SFThreadOf(index);
  if (thread) TClearPresetMessage(thread, bank, program, -1, true).Send();
}

DWORD TRouteControl::SFThreadOf(int index) const {
  if (!HasSFThread(index)) return 0;
  TGetSFManagerThreadMessage request(FRoutes[index]->ThreadID());
  return request.Send() ? request.ThreadId : 0;
}

bool TRouteControl::SomeEndedUnasked(int count) {
  for (int looked = 0; looked < count && looked < Count(); ++looked) {
    if (FNextLook >= Count()) FNextLook = 0;
    if (FRoutes[FNextLook++]->WorkersEndedUnasked()) return true;
  }
  return false;
}

bool TRouteControl::HasSFThread(int index) const { return ValidIndex(index) && FRoutes[index]->HasSFThread(); }

int TRouteControl::LastWithSFThread() const {
  for (int i = Count() - 1; i >= 0; --i)
    if (HasSFThread(i)) return i;
  return -1;
}

bool TRouteControl::QueryMemory(int index, uint32_t& total, uint32_t& free) {
  total = free = 0;
  DWORD thread = SFThreadOf(index);
  if (!thread) return false;
  TQueryStaticSampleMemorySizeMessage query(thread);
  if (!query.Send()) return false;
  total = query.Total;
  free = query.Free;
  return true;
}

bool TRouteControl::CachedCount(int index, uint32_t& count) {
  count = 0;
  DWORD thread = SFThreadOf(index);
  if (!thread) return false;
  TGetCachedPresetsCountMessage query(thread);
  if (!query.Send()) return false;
  count = query.Count;
  return true;
}

bool TRouteControl::CachedPresets(int index, std::vector<CachedPresetRecord>& records) {
  records.clear();
  DWORD thread = SFThreadOf(index);
  if (!thread) return false;
  DWORD routeThread = FRoutes[index]->ThreadID();
  TGetListOfCachedPresetsMessage list(thread);
  if (!list.Send()) return false;
  // The channels as they are, cached or not: a record names the first channel still on its preset.
  TGetChannelsMessage channels(routeThread, 0);
  if (!channels.Send()) return false;
  for (int i = list.List->Count() - 1; i >= 0; --i) {
    const TPresetData& preset = (*list.List)[i];
    CachedPresetRecord record = CachedPresetRecord();
    preset.FillRecord(record);
    record.Channel = -1;
    for (int ch = 0; ch < 16; ++ch) {
      const TChannelPair& pair = channels.Channels[static_cast<size_t>(ch)];
      if (CacheBank(pair.Bank) == preset.Bank && pair.Program == preset.Program) {
        record.Channel = ch;
        break;
      }
    }
    records.push_back(record);
  }
  return true;
}

bool TRouteControl::PreviewLoad(const std::string& file, int32_t bank, int32_t program) {
  if (!ValidIndex(0)) return false;
  // The preview always plays from bank 0, program 0 of the preview route, on channel 0.
  TLoadPresetMessage(FRoutes[0]->ThreadID(), file, bank, program, 0, 0, 0, 0, true).Send();
  return true;
}

bool TRouteControl::PreviewStop() {
  if (!ValidIndex(0)) return false;
  TClearPresetMessage(FRoutes[0]->ThreadID(), 0, 0, -1, true).Send();
  return true;
}

bool TRouteControl::WinampLoadPresets(int index, const std::vector<BankProgramRecord>& records) {
  if (!ValidIndex(index)) return false;
  return TWinampLoadPresetsMessage(FRoutes[index]->ThreadID(), records).Send();
}

bool TRouteControl::MMLoadPresets(int index, TMMPresetsBlock& block) {
  if (!ValidIndex(index)) return false;
  TMMLoadPresetsMessage request(FRoutes[index]->ThreadID(), block);
  if (!request.Send()) return false;
  block = request.Block;
  return true;
}

bool TRouteControl::MMLoadDrums(int index) {
  return ValidIndex(index) && TMMLoadDrumsMessage(FRoutes[index]->ThreadID()).Send();
}

bool TRouteControl::WinampModeOn(int index) {
  return ValidIndex(index) && TWinampModeOnMessage(FRoutes[index]->ThreadID()).Send();
}
