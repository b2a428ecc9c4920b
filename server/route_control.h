#pragma once
// TRouteControl: the server's running routes as the main thread sees them, and the list the route
// threads look each other up in. The program's state machine (on, off, preview) lives in
// TTarnbelServer; everything that reaches into a route thread goes through here.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <memory>

#include "cached_preset_record.h"
#include "protocol_payloads.h"
#include "tarnbel_types.h"
#include "route_record.h"
#include "tarnbel_globals.h"

class TRouteThread;

class TRouteControl : public TRouteThreadList {
 public:
  TRouteControl();
  ~TRouteControl() override;
  TRouteControl(const TRouteControl&) = delete;
  TRouteControl& operator=(const TRouteControl&) = delete;

  // Starts, readies and opens one route per definition, in the given order; the captions of the
  // routes opened, in that order. A route whose thread could not start, or for whose thread too little
  // address space is left, is reported with the box of an input that did not open, which joins the
  // routes' own boxes.
  std::vector<std::string> OpenRoutes(const std::vector<RouteRecord>& definitions);
  // The single preview route, opened and switched to preview; false when it could not be made.
  bool OpenPreviewRoute(const RouteRecord& definition, std::string& caption);
  // Every route, last first: the synchronous TM_ROUTE_1063.
  void Quiesce();
  // Every route, last first: TM_ROUTE_CLOSE, stop and free. The list is then empty.
  void CloseAll();

  int Count() const override { return static_cast<int>(FRoutes.size()); }
  TRouteThread* At(int index) const override;
  bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
  std::string Caption(int index) const;
  std::string InputName(int index) const;
  // The last route whose caption equals the text exactly; -1 when none.
  int FindByCaption(const std::string& caption) const;
  // The last route whose input's name equals the text; -1 when none.
  int FindByInputName(const std::string& name) const;
  // The last route whose input's loopback number is n; -1 when none.
  int FindByLoopback(int loopback) const;

  // TM_ROUTE_1044 to every route, last first.
  void ResetCaches();
  // Asks every route for its cached list until all are empty; false when the time ran out.
  bool WaitCachesEmpty(uint32_t timeoutMs);
  // index -1: every route whose input made its own SoundFont thread.
  void ClearAllLoaded(int index);
  // index -1: every route.
  void MidiReset(int index);
  void SetMonitor(int index, bool on);
  void ReloadMappings();
  // TM_UNLOAD_UNUSED to every route with a known input and a SoundFont thread, last first.
  void UnloadUnused();
  // A thread message to the route, retried; nothing for an index outside the list.
  void PostToRoute(int index, UINT id, WPARAM wParam, LPARAM lParam);

  // A TClearPresetMessage (any entry id, flag 1) straight to the route's SoundFont thread.
  void ClearPreset(int index, int32_t bank, int32_t program);

  // Some route no longer works: its thread or its manager thread ended without being asked to. Looks
  // at `count` routes at most, going on from where the last look ended: a long list costs little
  // each time.
  bool SomeEndedUnasked(int count);

  bool HasSFThread(int index) const;
  // The last route whose input has a SoundFont thread; -1 when none.
  int LastWithSFThread() const;
  // Sample memory and cached count of the route's SoundFont thread (synchronous requests).
  bool QueryMemory(int index, uint32_t& total, uint32_t& free);
  bool CachedCount(int index, uint32_t& count);
  // The route's cached presets as records, last cached first, with the channel filled from the
  // route's channels and Bank/Program naming the mapping slot; file and mapping fields are the
  // caller's.
  bool CachedPresets(int index, std::vector<CachedPresetRecord>& records);

  // The editor's preview on the preview route (the first and only one): a load of the source preset
  // into bank 0, program 0, and its clear. Asynchronous; false without the route.
  bool PreviewLoad(const std::string& file, int32_t bank, int32_t program);
  bool PreviewStop();
  // Requests of outside clients, sent to one route and waited for; false without the route or when
  // the route did not answer. MMLoadPresets hands back the block the route answered with.
  bool WinampLoadPresets(int index, const std::vector<BankProgramRecord>& records);
  bool MMLoadPresets(int index, TMMPresetsBlock& block);
  bool MMLoadDrums(int index);
  bool WinampModeOn(int index);

 private:
  // Started, readied, in the list and opened; false (and stopped) when the thread did not come up, or
  // was not made for want of room (the address space left).
  // The caption is the started route's own, whatever the wait for its opening let in.
  bool StartRoute(const RouteRecord& definition, bool room, std::string& caption, DWORD& threadId);
  // The id of the route's SoundFont thread, asked of the route; 0 without one.
  DWORD SFThreadOf(int index) const;
  template <class Test>
  int FindLast(Test test) const;

  std::vector<std::unique_ptr<TRouteThread>> FRoutes;
  int FNextLook = 0;
};
