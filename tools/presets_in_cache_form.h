#pragma once
// TPresetsInCacheForm: the monitor, the tools program's main form. Its creation does the start-up work
// (the launcher window, the link to the server, the settings); it frees the once-windows when they say
// they closed, and ends the program when nothing is open and it is hidden. It shows the server's cache,
// routes, state and the player's file, and its actions command the server and save the cached presets.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DockManager.h"
#include "KitAppEvents.h"
#include "KitHook.h"
#include "KitPlacement.h"
#include "action.h"
#include "cached_preset_record.h"
#include "comctrls.h"
#include "dialogs.h"
#include "form.h"
#include "image_list.h"
#include "list_view.h"
#include "menus.h"
#include "splitter.h"
#include "status_bar.h"
#include "std_controls.h"
#include "timer.h"
#include "toolbar.h"

// What a preset change or a lamp report said last: the channel (0-15), the bank (0x8000 for the drum
// kits) and the program.
struct TPresetReport {
  int32_t Channel = -1;
  int32_t Bank = -1;
  int32_t Program = -1;
};

// The cached-presets list's columns.
enum TPresetColumn {
  pcLamp, pcChannel, pcBank, pcProgram, pcName, pcMapping, pcFile, pcBankInFile, pcPresetInFile, pcColumnCount
};

// Images of IconsImageList, by index.
enum TMonitorIcon { miLedOff, miLedOn, miSortReverse, miSortNormal, miLedAfterglow };

// A lamp in afterglow goes out after this many milliseconds.
constexpr DWORD LampAfterglowMs = 100;

// The sort key of a row for a sort column; an empty key reads as the one character 0xFF.
std::string PresetSortKey(ui::TListItem* item, int column);
// Two sort keys: by sign when both are integers, else by their bytes unsigned (-1, 0 or 1).
// asNumbers false compares the keys as texts only.
int ComparePresetKeys(const std::string& key1, const std::string& key2, bool asNumbers = true);

class TPresetsInCacheForm : public ui::TForm {
  UI_CLASS(TPresetsInCacheForm, ui::TForm)
 public:
  explicit TPresetsInCacheForm(ui::TComponent* owner);

  // A set-up command ran during creation: the program ends with this code, unshown.
  bool EndRequested() const { return FEndRequested; }
  int ExitCode() const { return FExitCode; }

  // Runs "-INSTALL", "-REINSTALL" or "-UNINSTALL"; the exit code is 1 after a box that reports a
  // failure, else 0. While it runs the monitor is half made: requests to show windows open nothing.
  int RunSetupCommand(const std::string& command);
  bool SettingUp() const { return FSettingUp; }
  // Installs the components, stamps the installed files and says so.
  void Install();
  // Installs the plug-in, the driver, the shortcuts and the uninstall entry, each failure in its box.
  void InstallComponents(bool reinstall);
  // Asks, then removes everything installed and the program with its folder.
  void Uninstall();

  // True until the monitor is first shown.
  bool FirstShow = true;
  // The mapping the editor opens when its action runs next; NoneMarker when none was named.
  std::string PendingEditorMapping;

  ui::TPanel* TopControlBar;
  ui::TPanel* LeftControlBar;
  ui::TPanel* RightControlBar;
  ui::TPanel* BottomControlBar;
  ui::TToolBar* ToolsToolBar;
  ui::TToolBar* ExportToolBar;
  ui::TToolBar* MiscToolBar;
  ui::TToolBar* TarnbelToolBar;
  ui::TListView* ListView2;  // the routes
  ui::TSplitter* Splitter1;
  ui::TListView* ListView1;  // the cached presets
  ui::TSplitter* Splitter2;
  ui::TRichEdit* RichEdit1;  // the player's file text
  ui::TStatusBar* StatusBar1;
  ui::TImageList* IconsImageList;
  ui::TImageList* ActionsImageList;
  ui::TImageList* GrayActionsImageList;
  ui::TTimer* Timer1;
  ui::TPopupMenu* PopupMenu1;
  ui::TSaveDialog* SaveDialog1;
  TFormStorage* FormStorage1;
  ui::TActionList* ActionList1;

  ui::TAction* UnloadSelectedAction;
  ui::TAction* ClearCacheAction;
  ui::TAction* SelectAllAction;
  ui::TAction* SaveSelectedAsSoundFontAction;
  ui::TAction* SaveSelectedAsSeparateSoundFontsAction;
  ui::TAction* SaveSelectedAsTextAction;
  ui::TAction* SaveSelectedAsMappingFileAction;
  ui::TAction* CreateMappingFromSelectedAction;
  ui::TAction* SaveAsSoundFontAction;
  ui::TAction* SaveAsSeparateSoundFontsAction;
  ui::TAction* SaveAsTextAction;
  ui::TAction* SaveAsMappingFileAction;
  ui::TAction* CreateMappingAction;
  ui::TAction* HardResetAction;
  ui::TAction* MIDIResetAction;
  ui::TAction* RestartAction;
  ui::TAction* RunTarnbelAction;
  ui::TAction* StayOnTopAction;
  ui::TAction* StayOnTop2Action;
  ui::TAction* ShowMIDIInfoAction;
  ui::TAction* CustomizeAction;

  // The form's toolbar docking; freed (storing the layout) when the monitor closes.
  std::unique_ptr<TDockManager> DockManager;

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

  // Posts an unload for every selected row (every row with all), from the last row to the first.
  void UnloadPresets(bool all);
  // Sorts the cached presets by the sort column and direction.
  void SortPresets();
  // A click on a column header.
  void ColumnClicked(int column);
  // Puts out the lamps whose afterglow is over.
  void LampTimer();

  // The saving of cached presets (all rows, or the selected ones).
  std::vector<CachedPresetRecord> CollectPresets(bool all);
  void SavePresetsAsText(bool all);
  void SavePresetsAsMappingFile(bool all);
  void CreateMappingFromPresets(bool all);
  // Hands the records to the SoundFont writer: one file, or one file per preset.
  void SavePresetsAsSoundFonts(bool all, bool separate);

  const std::vector<CachedPresetRecord>& CachedPresets() const { return FCachedPresets; }
  std::vector<std::string> Routes() const;
  int32_t SelectedRoute();
  const TPresetReport& LastPresetChange() const { return FLastPresetChange; }
  const TPresetReport& LastNoteOn() const { return FLastNoteOn; }
  const TPresetReport& LastNoteOff() const { return FLastNoteOff; }
  std::string FileText() const { return RichEdit1->Text(); }
  bool ServerSwitchOn() const { return RunTarnbelAction->Checked(); }
  std::string CacheStatus() const { return StatusBar1->Panels()->Items(1)->Text(); }
  bool StayOnTop() const { return StayOnTopAction->Checked(); }
  // Sets stay-on-top and applies it, without storing it.
  void SetStayOnTop(bool on);
  bool MIDIInfoShown() const { return ShowMIDIInfoAction->Checked(); }

 protected:
  void Destroying() override;

 private:
  void Create();
  void CreateComponents();
  void CreateActions();
  void CreateToolbars();
  void CreatePopupMenu();
  void CreateFormStorage();
  void LinkLauncherActions();
  void AddToolButtons(ui::TToolBar* bar, const std::vector<ui::TAction*>& actions);
  ui::TAction* AddAction(const char* name, const std::string& caption, ui::TShortCut shortCut,
                         void (TPresetsInCacheForm::*execute)());
  void LoadImages();
  void UpdateActionStates();
  void HookBeforeMessage(ui::TMessage& msg, bool& handled);
  void AppMessage(MSG& msg, bool& handled);
  void FormShow();
  void FormActivate();
  void FormCloseQuery(bool& canClose);
  void FormKeyDown(WORD& key, ui::TSet32 shift);
  bool AnyWindowOpen() const;

  void RouteSelected(ui::TListItem* item, bool selected);
  void DrawStatePanel(ui::TStatusBar* bar, const RECT& rect);
  void ShowSortImages();
  void ClearPresetRows();

  void RunTarnbelActionExecute();
  void RunTarnbelActionUpdate();
  void StayOnTopActionExecute();
  void ApplyStayOnTop();
  void ShowMIDIInfoActionExecute();
  void ApplyMIDIInfo();

  // A box of a set-up command, captioned with the application's title unless a caption is given; error
  // and warning boxes count as failures.
  void SetupBox(const std::string& text, UINT icon, const std::string& caption = "");
  // A step that fails while another program holds a file: a warning, a pause, one more try.
  void TryTwice(const std::function<bool()>& step, const char* warning, const char* lastWarning);
  // Makes the links (file, maker); the ones that fail are named in one box.
  void CreateShortcuts(const std::vector<std::pair<std::string, std::function<bool()>>>& links);
  void ShrinkAndHide();

  TKitWindowHook* FHook = nullptr;
  TAppEvents* FAppEvents = nullptr;
  bool FEndRequested = false;
  int FExitCode = 0;
  bool FSettingUp = false;
  int FSetupFailures = 0;

  std::vector<CachedPresetRecord> FCachedPresets;
  TPresetReport FLastPresetChange, FLastNoteOn, FLastNoteOff;
  bool FFillingRoutes = false;
  bool FMIDIInfoShownOnce = false;
  int FStayOnTopImage = -1, FStayOnTop2Image = -1;
};

// The monitor, the tools program's main form; null while there is none.
extern TPresetsInCacheForm* PresetsInCacheForm;
// The monitor, or null while there is none or its destruction has begun.
TPresetsInCacheForm* Monitor();
