#pragma once
// TPresetsInCacheForm: the monitor, the tools program's main form. Its creation does the start-up work
// (the launcher window, the link to the server, the settings); it frees the once-windows when they say
// they closed, and ends the program when nothing is open and it is hidden. It keeps what the server
// reports about the cache, the routes and the player's file.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KitAppEvents.h"
#include "KitHook.h"
#include "cached_preset_record.h"
#include "form.h"

// What a preset change or a lamp report said last: the channel (0-15), the bank (0x8000 for the drum
// kits) and the program.
struct TPresetReport {
  int32_t Channel = -1;
  int32_t Bank = -1;
  int32_t Program = -1;
};

class TPresetsInCacheForm : public ui::TForm {
  UI_CLASS(TPresetsInCacheForm, ui::TForm)
 public:
  explicit TPresetsInCacheForm(ui::TComponent* owner);

  // A set-up command ran (or could not) during creation: the program ends with this code, unshown.
  bool EndRequested() const { return FEndRequested; }
  int ExitCode() const { return FExitCode; }

  // True until the monitor is first shown.
  bool FirstShow = true;
  // The mapping the editor opens when its action runs next; NoneMarker when none was named.
  std::string PendingEditorMapping;

  // Closes the monitor and ends the program when no once-window is open and the monitor is hidden.
  void CloseIfIdle();
  // Closes every once-window, hides the monitor and ends the program when nothing is left; true when
  // any window was open.
  bool CloseAllWindows();

  // The server's reports, as the launcher hands them over.
  void LoadCachedPresets(const std::vector<CachedPresetRecord>& records);
  void ClearCachedPresets();
  void SetRouteList(const std::vector<std::string>& captions);
  // A row of the route list becomes the selected one; anything else is ignored.
  void SelectRoute(int32_t row);
  void PresetChanged(const TPresetReport& report);
  void NoteOnLamp(const TPresetReport& report);
  void NoteOffLamp(const TPresetReport& report);
  void ShowFileText(const std::string& text);
  // Checks or unchecks the server switch; off also empties the cached presets.
  void ServerSwitchChanged(bool on);
  void RedrawStatusBar();
  // "k free, k used, k max, cached" from the cache figures.
  void UpdateCacheStatus();
  // "tarnbel monitor", then " - " and the player's file name without its folder when there is one.
  void UpdateCaption();
  // Moves a window the launcher shows next to the monitor while the monitor stays on top.
  void PlaceNearMonitor(ui::TForm* window);

  const std::vector<CachedPresetRecord>& CachedPresets() const { return FCachedPresets; }
  const std::vector<std::string>& Routes() const { return FRoutes; }
  int32_t SelectedRoute() const { return FSelectedRoute; }
  const TPresetReport& LastPresetChange() const { return FLastPresetChange; }
  const TPresetReport& LastNoteOn() const { return FLastNoteOn; }
  const TPresetReport& LastNoteOff() const { return FLastNoteOff; }
  const std::string& FileText() const { return FFileText; }
  bool ServerSwitchOn() const { return FServerSwitchOn; }
  const std::string& CacheStatus() const { return FCacheStatus; }
  bool StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool on) { FStayOnTop = on; }

 protected:
  void Destroying() override;

 private:
  void Create();
  void HookBeforeMessage(ui::TMessage& msg, bool& handled);
  void AppMessage(MSG& msg, bool& handled);
  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormKeyDown(WORD& key);
  bool AnyWindowOpen() const;

  TKitWindowHook* FHook = nullptr;
  TAppEvents* FAppEvents = nullptr;
  bool FEndRequested = false;
  int FExitCode = 0;

  std::vector<CachedPresetRecord> FCachedPresets;
  std::vector<std::string> FRoutes;
  int32_t FSelectedRoute = -1;
  TPresetReport FLastPresetChange, FLastNoteOn, FLastNoteOff;
  std::string FFileText;
  bool FServerSwitchOn = false;
  std::string FCacheStatus;
  bool FStayOnTop = false;
};
