#pragma once
// TMappingsForm: the mapping editor. It edits one stored mapping at a time: the folder tree on the left
// browses .sf2 files and wave folders, the middle list shows the presets of the selected source, the right
// list the entries of the edited mapping. Presets are attached and detached by drag and drop or commands,
// with the conflict rules of one slot; saving checks the mapping's integrity, stores it and tells the
// server. The members are defined in one file per concern: tarnbel_mappings_form.cpp (opening, saving,
// closing), …_layout.cpp (components, actions, menus, toolbars), …_attach.cpp (attach and detach rules,
// drag and drop), …_browser.cpp (source browser), …_lists.cpp (list building and action enabling),
// …_preview.cpp (preview), …_outputs.cpp (HTML page, Logic list, SoundFont files, exports).
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DockManager.h"
#include "KitHook.h"
#include "KitNotify.h"
#include "KitPlacement.h"
#include "SystemTreeView.h"
#include "action.h"
#include "attached_row.h"
#include "dialogs.h"
#include "form.h"
#include "image_list.h"
#include "list_view.h"
#include "mapping_html.h"
#include "menus.h"
#include "splitter.h"
#include "status_bar.h"
#include "std_controls.h"
#include "tarnbel_mapping.h"
#include "tool_windows.h"
#include "toolbar.h"

class TProgressForm;
class TLogicTable;

// Row icons of IconsImageList: a kind plus a mark.
enum TRowKind { rkMelodic = 0, rkDrum = 4, rkWave = 8 };
enum TRowMark {
  rmNone = 0,              // an attached entry that holds its slot alone
  rmInactive = 1,          // attached, not in force: another entry holds the slot
  rmHolderOfInactive = 2,  // holds a slot for which inactive entries exist
  rmUnattached = 3         // a source preset that is not attached
};
constexpr int RowIconCount = 12;
inline int RowIcon(TRowKind kind, TRowMark mark) { return int(kind) + int(mark); }
inline TRowMark RowMarkOf(int icon) { return icon < 0 ? rmNone : TRowMark(icon % 4); }

// Screen cursor slots of the drags: one or several attached entries, one or several source presets, and
// the copy of the platform's no-drop cursor that is put back after each drag.
constexpr ui::TCursor crDragAttachedOne = 1, crDragAttachedMany = 2, crDragSourceOne = 3, crDragSourceMany = 4;
constexpr ui::TCursor crSavedNoDrop = -17;

// Data of the source rows of PresetsListView; header and divider rows carry none.
extern char PresetRowMarker;
extern char WaveRowMarker;

class TMappingsForm : public ui::TForm, public TEditorWindowOps {
  UI_CLASS(TMappingsForm, ui::TForm)
 public:
  explicit TMappingsForm(ui::TComponent* owner);

  ui::TMainMenu* MainMenu1;
  ui::TStatusBar* StatusBar1;
  ui::TPanel* TopControlBar;
  ui::TPanel* BottomControlBar;
  ui::TPanel* LeftControlBar;
  ui::TPanel* RightControlBar;
  ui::TPanel* ControlBar1;
  ui::TPanel* ControlBar2;
  ui::TToolBar* MappingToolsToolBar;
  ui::TToolBar* MappingsToolBar;
  ui::TToolBar* SoundFontsToolBar;
  ui::TToolBar* EditToolBar;
  ui::TToolBar* ExportToolBar;
  ui::TToolBar* MiscToolBar;
  ui::TToolBar* ColorsToolBar;
  ui::TToolBar* TarnbelToolBar;
  TKitSystemTreeView* SystemTreeView;
  ui::TSplitter* Splitter1;
  ui::TListView* PresetsListView;
  ui::TSplitter* Splitter2;
  ui::TListView* FilesListView;
  ui::TImageList* IconsImageList;
  ui::TImageList* ActionsImageList;
  ui::TImageList* GrayActionsImageList;
  ui::TPopupMenu* FilesPopupMenu;
  ui::TPopupMenu* PresetsPopupMenu;
  ui::TPopupMenu* ToolbarsPopupMenu;
  ui::TColorDialog* ColorDialog1;
  ui::TOpenDialog* OpenDialog1;
  ui::TSaveDialog* SaveDialog1;
  TKitWindowHook* WindowHook;
  TFormStorage* FormStorage1;
  ui::TActionList* ActionList1;

  ui::TAction* NewMappingAction;
  ui::TAction* MergeMappingAction;
  ui::TAction* SaveMappingAction;
  ui::TAction* ChooseMappingAction;
  ui::TAction* LoadMappingFromFileAction;
  ui::TAction* SaveMappingInFileAction;
  ui::TAction* SetBankInFileAction;
  ui::TAction* RefreshTreeAction;
  ui::TAction* CreateCubase1Action;
  ui::TAction* CreateCubase12Action;
  ui::TAction* CreateCakewalkAction;
  ui::TAction* CreateMassivaAction;
  ui::TAction* CreateEvolutionAction;
  ui::TAction* CreateEncoreAction;
  ui::TAction* CreateQuartzAction;
  ui::TAction* SaveMappingAsHTMLAction;
  ui::TAction* CreateLogicAction;
  ui::TAction* SaveAsSoundFontAction;
  ui::TAction* SaveAsSeparateSoundFontsAction;
  ui::TAction* AttachSelectedAction;
  ui::TAction* AttachAllFromFileAction;
  ui::TAction* DetachAction;
  ui::TAction* SetProgramNumberAction;
  ui::TAction* SetBankNumberAction;
  ui::TAction* SetPresetNameAction;
  ui::TAction* PresetPropertiesAction;
  ui::TAction* SetBankNameAction;
  ui::TAction* SetBankColorAction;
  ui::TAction* SetBankBackgroundAction;
  ui::TAction* SetBankNamesByFileNamesAction;
  ui::TAction* SetDefaultMelodicBankAction;
  ui::TAction* SetDefaultDrumSetAction;
  ui::TAction* CheckMappingAction;
  ui::TAction* SelectAllAction;
  ui::TAction* PreviewModeAction;
  ui::TAction* StartInPreviewModeAction;
  ui::TAction* PreviewRouteAction;
  ui::TAction* ColoredBankHeadersAction;
  ui::TAction* ColoredBankItemsAction;
  ui::TAction* ColoredBackgroundAction;
  ui::TAction* ShowListDividersAction;
  ui::TAction* WaveSettingsAction;
  ui::TAction* CustomizeAction;

  // The edited mapping; null until InitEditor opened one.
  std::unique_ptr<TMapping> Mapping;
  std::string MappingName;
  // Unsaved changes; enables SaveMappingAction.
  bool Modified = false;
  // The path selected in the folder tree.
  std::string SourcePath;
  // -1: nothing previewed; PreviewedAttachedEntry: an attached entry; else a row of PresetsListView.
  int PreviewedRow = -1;
  static constexpr int PreviewedAttachedEntry = 0x4101;
  // The control the pointer last entered during a drag.
  ui::TControl* DragTarget = nullptr;
  // The group header and divider rows of both lists, each with its list.
  std::vector<std::pair<ui::TListItem*, ui::TListView*>> HeaderRows;
  ui::TListItem* PressedHeaderRow = nullptr;
  std::unique_ptr<TDockManager> DockManager;
  // Per bank text colour and background of the lists; -1 = not chosen.
  std::array<ui::TColor, MappingBanks> BankFontColors;
  std::array<ui::TColor, MappingBanks> BankBackColors;

  // Opening, switching, saving.
  bool InitEditor(const std::string& name) override;
  void SwitchToMapping(const std::string& name) override;
  // True when the mapping is stored (or had nothing to store).
  bool SaveMappingToRegistry();
  // The registry save and the text autosave; true when the registry save stood.
  bool SaveMapping();
  bool ConfirmCloseWithConflicts();
  void NotifyMappingsChanged();
  class TStoredChange;
  void LoadMappingIntoLists();
  void AddAttachedItem(TMappingInactiveItem* entry, bool inactive);

  // Attach and detach.
  void AttachPresetFromList(int row);
  void AttachPresetAt(const std::string& sourceName, int sourceBank, const std::string& presetName, int targetProgram,
                      int targetBank, int sourceProgram);
  void RemoveAttachedItem(int row);
  // Attaches the source rows the focus selects: every row with the tree focused, the selected ones with the
  // presets list focused.
  void AttachSelected();
  // Detaches the selected entries of the focused attached list, after the confirmation when it is on.
  void DetachSelected();

  // The lists.
  void BuildAttachedList();
  void BuildPresetsList();
  void RefreshLists();
  int SelectGroupUnderHeader(ui::TListView* list);
  // Refills the presets list from the tree's selection.
  void RefreshPresetsPane();

  // The source browser's folder watching: each watched folder's path with its monitor, whose tag is the node.
  std::vector<std::pair<std::string, TKitFolderMonitor*>> FolderMonitors;
  void StartFolderMonitor(ui::TTreeNode* node);
  void StopFolderMonitor(ui::TTreeNode* node);
  // "Set bank in file...": asks for the bank and rewrites the selected SoundFont file.
  void SetBankInFileActionExecute();

  // The entry of an attached row, null for a header row.
  TMappingInactiveItem* EntryOfRow(ui::TListItem* row) const;
  ui::TListItem* RowOfEntry(const TMappingInactiveItem* entry) const;
  static bool IsSourceRow(const ui::TListItem* row);
  static bool IsWaveRow(const ui::TListItem* row);
  // The control that has the focus in this window.
  ui::TWinControl* FocusedControl() const { return ActiveControl(); }
  // Long jobs run with the window disabled and serve the message queue, and so does the close's question;
  // meanwhile a switch or a close is kept for when they end. A change of stored mappings made beside the
  // editor is waited for as a job of its own.
  bool Busy() const { return FBusyDepth > 0 || FClosing; }

  // What the launcher asks.
  std::string CurrentMapping() const override { return MappingName; }
  void ShowToolbarsAndPanels() override;
  void SetPreviewMode(bool on) override;
  bool Previewing() const override { return PreviewedRow != -1; }
  void SetStatusText(const std::string& text) override;
  ui::TActionList* ExportActionList() override { return ActionList1; }
  ui::TWinControl* ExportToolbar() override { return ExportToolBar; }

  // ---- The outputs (…_outputs.cpp): the HTML page, the Logic list, SoundFont files, the exports.
  void WriteMappingHTML(const std::string& folder, const std::string& fileName);
  void BuildLogicPatchList(TLogicTable& table);
  void SaveSelectedAsSoundFont(bool separate);
  // The attached list's rows as the outputs read them: all, or the selected entry rows.
  std::vector<TAttachedRow> AttachedRows(bool selectedOnly);
  // How the page colours and groups its rows: the list's settings and bank colours.
  THtmlPageLook HtmlPageLook();

 private:
  void HookOutputActions();
  void SaveMappingAsHTMLActionExecute();
  void CreateLogicActionExecute();

 protected:
  void Destroying() override;
  void WndProc(ui::TMessage& message) override;

 private:
  class TBusyScope;
  struct TSourceRow;

  // Creation and layout (…_layout.cpp).
  void CreateComponents();
  void CreateDockPanels();
  void CreatePanes();
  void CreateDialogs();
  void CreateActions();
  void CreateMenus();
  void CreatePopupMenus();
  void CreateToolbars();
  void CreateFormStorage();
  ui::TAction* AddAction(const char* name, const std::string& caption, ui::TShortCut shortCut,
                         const std::string& hint = std::string());
  ui::TToolBar* AddToolBar(const char* name, const std::string& caption, int top,
                           const std::vector<ui::TAction*>& actions);
  void AddToolButtons(ui::TToolBar* bar, const std::vector<ui::TAction*>& actions);
  void AddLauncherActions();

  // Opening and closing (tarnbel_mappings_form.cpp).
  void FormCreate();
  void LoadDragCursors();
  void ReadSettings();
  void CreateDockManager();
  void LoadImages();
  bool ChooseMappingName(std::string& name, const std::string& caption);
  // Creates the named mapping (from the text when given) and fills the lists.
  void OpenMapping(const std::string& name, const std::vector<std::string>* text);
  // Saves before another mapping is opened; false when the user keeps the current one.
  bool LeaveCurrentMapping();
  // Frees the mapping after its rows are gone, so nothing shown points into it; it stores nothing.
  void ReleaseMapping();
  void WriteCurrentEditorMapping(const std::string& name);
  void ClearAttachedRows();
  void FillAttachedRows();
  // "bbb: ppp: " (or "drum: ppp: "), the start of an attached row's caption.
  static std::string SlotCaption(int bank, int program);
  // The progress window of a long job, shown when the job still runs after its delay.
  void BeginProgress(const std::string& caption, int max);
  void StepProgress();
  void EndProgress();
  void ReadBankColors();
  // Runs the integrity check on the mapping; its rows are made again when entries were rewritten.
  bool CheckIntegrity(bool showResult);
  // A rewrite of the check replaces the slot's entry: its row lets go before and takes the successor after.
  void FollowRewrittenSlot(int bank, int program, bool done);
  bool StoredFormWritten() const;
  bool ConfirmUnsavedLeave();
  bool ReadMappingText(const std::string& fileName, std::vector<std::string>& lines);
  void NewMappingActionExecute();
  void LoadMappingFromFileActionExecute();
  void CheckMappingActionExecute();
  void FormCloseQuery(bool& canClose);
  // The close's question and save; true when the window may go.
  bool DecideClose();
  void HookBeforeMessage(ui::TMessage& msg, bool& handled);
  void BusyEnded();
  void RunDeferred();

  // Attach and detach (…_attach.cpp).
  std::vector<TSourceRow> ReadSourceRows(bool all);
  TSourceRow ReadSourceRow(ui::TListItem* row) const;
  void AttachSource(const TSourceRow& source);
  bool FindWaveSlot(int& bank, int& program) const;
  // Marks the row that holds the slot as holder of inactive entries; whether the slot had a holder.
  bool MarkSlotHolder(int bank, int program);
  ui::TListItem* AddEntryRow(TMappingInactiveItem* entry, TRowMark mark, const std::string& caption);
  void LinkRow(ui::TListItem* row, TMappingInactiveItem* entry);
  void UnlinkRow(ui::TListItem* row);
  void PromoteInactive(int bank, int program);
  void ClearHolderMark(int bank, int program, ui::TListItem* except);
  ui::TListItem* FirstSelectedEntryRow();
  int SelectedEntryCount();
  void HookDragEvents();
  void StartDrag(ui::TObject* sender);
  void DragOverControl(ui::TObject* sender, ui::TObject* source, ui::TDragState state);
  void EndDrag(ui::TObject* sender);
  bool AttachCase(ui::TObject* source, ui::TObject* target);
  bool DetachCase(ui::TObject* source, ui::TObject* target);
  void SetNoDropImage(ui::TCursor slot);
  void FilesListKeyDown(WORD& key);
  void TreeMouseDown(int x, int y);

  // Lists and enabling (…_lists.cpp).
  void RemoveHeaderRows(ui::TListView* list);
  void HookActionUpdates();
  bool PresetsHaveSourceRow() const;
  bool SelectedSourceRow();
  bool FilesSelectionOrHeader();

  // Source browser (…_browser.cpp).
  void HookBrowserEvents();
  void FillPresetsPane();
  void AddWaveRow(const std::string& fileName, bool attached);
  void FillWaveFolder(const std::string& folder);
  void FillSoundFont(const std::string& fileName);
  void FreeFolderMonitors();
  void FreeFolderMonitor(size_t index);
  bool WatchableFolder(const std::string& path);
  void FolderChanged(TKitFolderMonitor* monitor);
  void TreeNodeDeleted(ui::TTreeNode* node);
  ui::TTreeNode* NodeOfPath(const std::string& path);
  void TreeDblClick();
  void WaveSettingsActionExecute();

  // Preview (…_preview.cpp).
  void StopPreview();

  // ---- The lists' rules (…_lists.cpp), editing entries and banks (…_items.cpp), preview (…_preview.cpp).
 public:
  // Grouping modes, the lists' tags.
  enum TFilesMode { fmByConflicts = 0, fmBySource = 1, fmByAssignment = 2 };
  enum TPresetsMode { pmByAttachment = 0, pmByBank = 2 };
  int FilesMode() const;
  int PresetsMode() const;
  void GoToSource();
  void GoToAttachment();
  // A bank's text and background colour in the lists, chosen and stored when it has none yet.
  ui::TColor BankFontColor(int bank);
  ui::TColor BankBackColor(int bank);
  void PreviewAttachedItem(TMappingInactiveItem* entry);
  void PreviewPresetInFile();
  static bool IsWaveFileName(const std::string& path);

 private:
  int CompareAttached(ui::TListItem* row1, ui::TListItem* row2, int mode) const;
  int ComparePresets(ui::TListItem* row1, ui::TListItem* row2, int mode) const;
  ui::TListItem* InsertHeaderRow(ui::TListView* list, int index, const std::string& caption, int bank);
  static bool HeaderFocused(ui::TListView* list);
  void FinishBuild(ui::TListView* list, bool headerWasFocused);
  void InsertConflictHeaders();
  void InsertGroupHeaders(int mode);
  void InsertAttachmentHeaders();
  void InsertBankHeaders();
  std::string PresetsCaption() const;
  void ColumnClicked(ui::TListView* list);
  void DeselectHeaderRows(ui::TListView* list);
  void ListSelectionChanged(ui::TListView* list, ui::TListItem* row, bool selected);
  void ShowEntryStatus();
  void ShowSourceStatus();
  // The path a source row stands for: the wave file of a folder's row, else the selected file.
  std::string SourcePathOfRow(const ui::TListItem* row) const;
  void ListReleased(ui::TListView* list);
  void ListMouseDown(ui::TListView* list, ui::TMouseButton button, int x, int y);
  void ListMouseMove(ui::TListView* list, ui::TSet32 shift, int x, int y);
  void ListMouseUp(ui::TListView* list, ui::TMouseButton button, int x, int y);
  void ListKeyUp(ui::TListView* list, WORD key);
  void ListKeyDown(ui::TWinControl* control, WORD& key, ui::TSet32 shift);
  void SelectOnly(ui::TListView* list, ui::TListItem* row);
  void DrawListRow(ui::TListView* list, ui::TListItem* row, ui::TCustomDrawInfo& info);
  void ToggleSetting(ui::TAction* action, bool& setting, const char* valueName);
  void SelectAllActionExecute();
  bool FilesHaveEntry() const;
  void HookListEvents();

  void HookItemActions();
  // Program numbers from a first one, or one bank for all selected entries.
  void RenumberSelected(bool programs);
  void SetPresetNameActionExecute();
  void PresetPropertiesActionExecute();
  void SetBankNameActionExecute();
  void SetBankNamesByFileNamesActionExecute();
  void SetBankColorActionExecute(bool background);
  void SetDefaultBankActionExecute(bool drums);
  void MergeMappingActionExecute();
  // Removes an entry's row and attaches the entry again at a slot or with a name; false (nothing changed)
  // when the new slot cannot take it.
  bool ReattachEntry(ui::TListItem* row, int targetBank, int targetProgram, const std::string& presetName);
  // The entry a bank command works on: the first selected, else the one the focus stands on or under.
  ui::TListItem* BankCommandRow();
  ui::TColor ChooseBankColor(int bank, bool background);

  void HookPreviewActions();
  void PreviewModeActionExecute();
  void PreviewRouteActionExecute();
  void SendPreview(const std::string& path, int bank, int program, int previewedRow);

  ui::TListView* FPressedHeaderList = nullptr;
  // The source (path, bank, program) being previewed; empty when none.
  std::string FPreviewedSource;

  TProgressForm* FProgress = nullptr;
  int FProgressDone = 0;
  int FProgressMax = 0;
  bool FSelectingAll = false;
  static const int ProgressServings = 256;
  int FBusyDepth = 0;
  bool FClosePending = false;
  bool FSwitchPending = false;
  std::string FPendingSwitch;
  bool FPresetsRefreshPending = false;
  bool FFillingPresets = false;
  bool FDeferredPosted = false;
  // The close query runs; then the close was granted and the monitor told.
  bool FClosing = false;
  bool FClosedPosted = false;
  // The drag's cursor slot, the node a press on the tree hit, the rows the last attach could not place.
  ui::TCursor FDragCursor = 0;
  ui::TTreeNode* FPressedNode = nullptr;
  int FSlotlessSkipped = 0;
  std::unordered_map<const TMappingInactiveItem*, ui::TListItem*> FRowOfEntry;
  // The row of the entry a rewrite of the check is replacing.
  ui::TListItem* FRewrittenRow = nullptr;
  // Slots with inactive entries, while the attached list is filled.
  std::vector<bool> FSlotHasInactive;
};

// Disables the window while a long job serves the message queue, and keeps it whole; the last one to end
// enables it again and runs what was asked for meanwhile.
class TMappingsForm::TBusyScope {
 public:
  explicit TBusyScope(TMappingsForm& form) : FHold(&form) {
    if (form.FBusyDepth++ == 0) form.SetEnabled(false);
  }
  ~TBusyScope() {
    auto* form = static_cast<TMappingsForm*>(FHold.Form());
    if (!form || --form->FBusyDepth > 0) return;
    form->SetEnabled(true);
    form->BusyEnded();
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  ui::TFormHold FHold;
};

// A change of stored mappings made beside the editor: the manager's copy, rename or delete, the check of
// every mapping. For its whole length the open editor waits as for a job of its own: it is kept whole,
// opens no mapping and keeps closes and switches for after. The changed mapping, when it is the one open,
// is let go of first: its edits saved before a rename (as a switch does), asked about otherwise. When the
// change ends, that mapping opens again under the name it has then; without one (deleted) the editor closes.
class TMappingsForm::TStoredChange {
 public:
  TStoredChange(const std::string& name, bool renaming);
  // Ends the change with the mapping under its old name, when End was not called.
  ~TStoredChange();
  TStoredChange(const TStoredChange&) = delete;
  TStoredChange& operator=(const TStoredChange&) = delete;
  // False when the user keeps the edits, or while the editor's own job runs on that mapping: the change must
  // not be made.
  bool Granted() const { return FGranted; }
  // The change is over; the mapping let go of is called name now (empty: it is gone).
  void End(const std::string& name);
  // The mapping the open editor edits; empty when none.
  static std::string EditedMapping();

 private:
  TMappingsForm* Editor() const { return static_cast<TMappingsForm*>(FHold.Form()); }
  ui::TFormHold FHold;
  std::unique_ptr<TBusyScope> FWait;
  bool FGranted = true, FLetGo = false, FEnded = false;
  std::string FName;
};

// Registers the editor's maker in ToolWindowMakers.
void RegisterEditorWindow();
