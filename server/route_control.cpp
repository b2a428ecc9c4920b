#include "route_control.h"

#include <windows.h>

// Until the route thread joins, OpenRoutes and OpenPreviewRoute start nothing and the list stays
// empty; the searches and requests below already walk it the way the routes need.

TRouteControl::~TRouteControl() { CloseAll(); }

std::vector<std::string> TRouteControl::OpenRoutes(const std::vector<RouteRecord>& definitions) {
  (void)definitions;
  return {};
}

bool TRouteControl::OpenPreviewRoute(const RouteRecord& definition, std::string& caption) {
  (void)definition;
  caption.clear();
  return false;
}

void TRouteControl::Quiesce() {}

void TRouteControl::CloseAll() {
  FCaptions.clear();
  FInputNames.clear();
}

std::string TRouteControl::Caption(int index) const { return ValidIndex(index) ? FCaptions[index] : std::string(); }

std::string TRouteControl::InputName(int index) const {
  return ValidIndex(index) ? FInputNames[index] : std::string();
}

int TRouteControl::FindByCaption(const std::string& caption) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (FCaptions[i] == caption) return i;
  return -1;
}

int TRouteControl::FindByInputName(const std::string& name) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (FInputNames[i] == name) return i;
  return -1;
}

int TRouteControl::FindByLoopback(int loopback) const {
  (void)loopback;
  return -1;
}

void TRouteControl::ResetCaches() {}

bool TRouteControl::WaitCachesEmpty(uint32_t timeoutMs) {
  (void)timeoutMs;
  return Count() == 0;
}

void TRouteControl::ClearAllLoaded(int index) { (void)index; }
void TRouteControl::MidiReset(int index) { (void)index; }
void TRouteControl::SetMonitor(int index, bool on) {
  (void)index;
  (void)on;
}
void TRouteControl::ReloadMappings() {}
void TRouteControl::UnloadUnused() {}

void TRouteControl::PostToRoute(int index, UINT id, WPARAM wParam, LPARAM lParam) {
  (void)index;
  (void)id;
  (void)wParam;
  (void)lParam;
}

void TRouteControl::ClearPreset(int index, int32_t bank, int32_t program) {
  (void)index;
  (void)bank;
  (void)program;
}

bool TRouteControl::HasSFThread(int index) const {
  (void)index;
  return false;
}

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
