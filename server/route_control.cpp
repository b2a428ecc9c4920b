#include "route_control.h"

#include <windows.h>

#include "abstract_message.h"
#include "route_thread.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

// The requests that go through a route to its SoundFont thread (memory, cached lists, clearing,
// preview loads, outside clients' loads) are not wired yet: they find no route and do nothing.

TRouteControl::TRouteControl() { SetRouteThreadList(this); }

TRouteControl::~TRouteControl() {
  CloseAll();
  SetRouteThreadList(nullptr);
}

TRouteThread* TRouteControl::At(int index) const { return ValidIndex(index) ? FRoutes[index].get() : nullptr; }

bool TRouteControl::StartRoute(const RouteRecord& definition) {
  std::unique_ptr<TRouteThread> route =
      TAdvancedThread::Make<TRouteThread>(definition.Input, definition.Device, definition.Output);
  if (!route->WaitReady()) {
    route->Stop();
    return false;
  }
  // In the list before it opens: its input looks for a manager thread to share among the others.
  FRoutes.push_back(std::move(route));
  TSyncMessage(FRoutes.back()->ThreadID(), TM_ROUTE_OPEN).Send();
  return true;
}

std::vector<std::string> TRouteControl::OpenRoutes(const std::vector<RouteRecord>& definitions) {
  std::vector<std::string> captions;
  for (const RouteRecord& definition : definitions)
    if (StartRoute(definition)) captions.push_back(FRoutes.back()->Caption());
  return captions;
}

bool TRouteControl::OpenPreviewRoute(const RouteRecord& definition, std::string& caption) {
  caption.clear();
  if (!StartRoute(definition)) return false;
  PostThreadUntilAccepted(FRoutes.back()->ThreadID(), TM_PREVIEW_ON, 0, 0);
  caption = FRoutes.back()->Caption();
  return true;
}

void TRouteControl::Quiesce() {
  for (int i = Count() - 1; i >= 0; --i) TSyncMessage(FRoutes[i]->ThreadID(), TM_ROUTE_1063).Send();
}

void TRouteControl::CloseAll() {
  while (!FRoutes.empty()) {
    PostThreadUntilAccepted(FRoutes.back()->ThreadID(), TM_ROUTE_CLOSE, 0, 0);
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
  (void)timeoutMs;
  return Count() == 0;
}

void TRouteControl::ClearAllLoaded(int index) { (void)index; }

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
  if (ValidIndex(index)) PostThreadUntilAccepted(FRoutes[index]->ThreadID(), id, wParam, lParam);
}

void TRouteControl::ClearPreset(int index, int32_t bank, int32_t program) {
  (void)index;
  (void)bank;
  (void)program;
}

bool TRouteControl::HasSFThread(int index) const { return ValidIndex(index) && FRoutes[index]->HasSFThread(); }

int TRouteControl::LastWithSFThread() const {
  for (int i = Count() - 1; i >= 0; --i)
    if (HasSFThread(i)) return i;
  return -1;
}

bool TRouteControl::QueryMemory(int index, uint32_t& total, uint32_t& free) {
  (void)index;
  total = free = 0;
  return false;
}

bool TRouteControl::CachedCount(int index, uint32_t& count) {
  (void)index;
  count = 0;
  return false;
}

bool TRouteControl::CachedPresets(int index, std::vector<CachedPresetRecord>& records) {
  (void)index;
  records.clear();
  return false;
}

bool TRouteControl::PreviewLoad(const std::string& file, int32_t bank, int32_t program) {
  (void)file;
  (void)bank;
  (void)program;
  return false;
}

bool TRouteControl::PreviewStop() { return false; }

bool TRouteControl::WinampLoadPresets(int index, const std::vector<uint8_t>& block) {
  (void)index;
  (void)block;
  return false;
}

bool TRouteControl::MMLoadPresets(int index, std::vector<uint8_t>& block) {
  (void)index;
  (void)block;
  return false;
}

bool TRouteControl::MMLoadDrums(int index, const std::vector<uint8_t>& words) {
  (void)index;
  (void)words;
  return false;
}

bool TRouteControl::WinampModeOn(int index) {
  (void)index;
  return false;
}
