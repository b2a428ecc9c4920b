// The editor window's creation and its life with one mapping: opening, switching, importing, saving with
// the integrity check and the notice to the server, the text autosave, and closing.
#include "tarnbel_mappings_form.h"

#include <algorithm>
#include <fstream>

#include "application.h"
#include "choose_mapping_form.h"
#include "mapping_name.h"
#include "mapping_text_file.h"
#include "message_box.h"
#include "none_marker.h"
#include "progress_form.h"
#include "registry_internal.h"
#include "screen.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_export.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tarnbel_validator.h"
#include "text_compare.h"

using namespace ui;

UI_CLASSINFO(TMappingsForm)

char PresetRowMarker;
char WaveRowMarker;

namespace {

const char* const EditorCaption = "tarnbel editor - ";
const char* const PlacementRoot = "Software\\tarnbel\\placement";
// Runs, once the long job that kept them is over, the switch or close asked for meanwhile.
constexpr UINT CM_RUN_DEFERRED = 0xB0E0;

const std::vector<std::string> RowIconNames = {
    "MelodicAttached", "MelodicUnattachedConflict", "MelodicAttachedConflict", "MelodicUnattached",
    "DrumAttached",    "DrumUnattachedConflict",    "DrumAttachedConflict",    "DrumUnattached",
    "WaveAttached",    "WaveUnattachedConflict",    "WaveAttachedConflict",    "WaveUnattached"};

const std::vector<std::string> ActionImageNames = {
    "..\\main\\Monitor", "..\\main\\MappingsManager", "..\\main\\MappingsEditor", "..\\main\\Preferences",
    "..\\main\\About", "SaveMappingInFile", "LoadMappingFromFile", "CreateCubase12", "CreateCubase1",
    "CreateCakewalk", "CreateMassiva", "CreateLogic", "SaveAsSoundFont", "SaveAsSeparateSoundFonts", "RefreshTree",
    "SetBankInFile", "AttachAllFromFile", "AttachSelected", "Detach", "SelectAll", "SetProgramNumber",
    "SetPresetName", "SetBankNumber", "PresetProperties", "SetBankName", "SetBankNamesByFileNames",
    "SetDefaultMelodicBank", "SetDefaultDrumSet", "ChooseMapping", "PreviewMode", "StartInPreviewMode",
    "PreviewRoute", "NewMapping", "SaveMappingAsHTML", "SetBankColor", "SetBankBackground", "ColoredBankHeaders",
    "ColoredBankItems", "ColoredBackground", "ShowListDividers", "WaveSettings", "CreateEvolution", "CreateEncore",
    "MergeMapping", "CheckMapping", "SaveMapping", "Customize", "CreateQuartz"};

// Frees a form made for one call when the call ends, by any road.
template <class T>
class TFormOfCall {
 public:
  explicit TFormOfCall(T* form) : FForm(form) {}
  ~TFormOfCall() { FForm->Free(); }
  TFormOfCall(const TFormOfCall&) = delete;
  TFormOfCall& operator=(const TFormOfCall&) = delete;
  T* operator->() const { return FForm; }
  T* Get() const { return FForm; }

 private:
  T* FForm;
};

// A colour stored as decimal text; -1 for an empty or damaged value.
TColor ColorOf(const std::string& text) {
  if (text.empty()) return TColor(-1);
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return TColor(-1);
  return TColor(value);
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/:") + 1); }

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

TMappingsForm::TMappingsForm(TComponent* owner) : TForm(owner) {
  SetName("MappingsForm");
  SetCaption("tarnbel editor");
  SetBounds(0, 0, 780, 560);
  SetPosition(poScreenCenter);
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };

  CreateComponents();
  CreateActions();
  CreateMenus();
  CreatePopupMenus();
  CreateToolbars();
  AddLauncherActions();
  HookDragEvents();
  HookActionUpdates();
  HookOutputActions();
  HookBrowserEvents();

  WindowHook = new TKitWindowHook(this);
  WindowHook->SetName("WindowHook");
  WindowHook->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookBeforeMessage(msg, handled); };
  WindowHook->SetWinControl(this);
  CreateFormStorage();

  FormCreate();
}

void TMappingsForm::FormCreate() {
  Mapping.reset();
  DragTarget = nullptr;
  Modified = false;
  PreviewedRow = -1;
  HeaderRows.clear();
  BankFontColors.fill(TColor(-1));
  BankBackColors.fill(TColor(-1));
  srand(GetTickCount());
  LoadDragCursors();
  ReadSettings();
}

// Slots 1-4 take the drag cursors; slot -17 keeps the platform's no-drop cursor, which the drags replace.
void TMappingsForm::LoadDragCursors() {
  const char* const names[] = {"T1P", "TMP", "A1P", "AMP"};
  const TCursor slots[] = {crDragAttachedOne, crDragAttachedMany, crDragSourceOne, crDragSourceMany};
  for (int i = 0; i < 4; ++i)
    if (HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), names[i]))
      Screen().SetCursors(slots[i], static_cast<HCURSOR>(CopyImage(cursor, IMAGE_CURSOR, 0, 0, 0)));
  Screen().SetCursors(crSavedNoDrop, CopyCursor(Screen().Cursors(crNoDrop)));
}

void TMappingsForm::ReadSettings() {
  std::unique_ptr<TRegKey> own;
  TRegKey* key = Settings.get();
  if (!key) key = (own = std::make_unique<TRegKey>(TarnbelKeyPath, true)).get();
  ReadEditorSettings(*key);
  MappingName = EditorSettings.CurrentEditorMapping;
  SystemTreeView->SetFileMask(EditorSettings.FileMask);
  ShowListDividersAction->SetChecked(EditorSettings.ShowListDividers);
  ColoredBankHeadersAction->SetChecked(EditorSettings.ColoredBankHeaders);
  ColoredBankItemsAction->SetChecked(EditorSettings.ColoredBankItems);
  ColoredBackgroundAction->SetChecked(EditorSettings.ColoredBackground);
  StartInPreviewModeAction->SetChecked(EditorSettings.AutoloadPreview);
}

void TMappingsForm::WriteCurrentEditorMapping(const std::string& name) {
  EditorSettings.CurrentEditorMapping = name;
  if (Settings) Settings->WriteString("CurrentEditorMapping", name);
  else TRegKey(TarnbelKeyPath, true).WriteString("CurrentEditorMapping", name);
}

bool TMappingsForm::InitEditor(const std::string& name) {
  if (Mapping) return true;
  std::string chosen = name;
  if (name == NoneMarker && !ChooseMappingName(chosen, std::string())) return false;
  if (!AcceptMappingName(chosen, nullptr)) return false;
  if (Launcher) Launcher->ApplyExportVisibility(ActionList1, ExportToolBar);
  CreateDockManager();
  LoadImages();
  OpenMapping(chosen, nullptr);
  // The action's own update decides whether it may run: actions are updated only when the shown window idles.
  if (StartInPreviewModeAction->Checked()) PreviewModeAction->Execute();
  return true;
}

void TMappingsForm::CreateDockManager() {
  TImageList* shared = Launcher ? Launcher->ActionImages() : nullptr;
  TImageList* sharedGray = Launcher ? Launcher->GrayActionImages() : nullptr;
  DockManager = std::make_unique<TDockManager>(this, "Tarnbel", sharedGray, shared, GrayActionsImageList,
                                               ActionsImageList, PlacementRoot);
  for (TPanel* panel : {TopControlBar, BottomControlBar, LeftControlBar, RightControlBar, ControlBar1, ControlBar2})
    DockManager->AddDockPanel(panel);
}

void TMappingsForm::LoadImages() {
  LoadActionImages(this, "editor", ActionImageNames, int(ActionImageNames.size()) - 1);
  IconsImageList->Clear();
  LoadIconList(IconsImageList, "editor", RowIconNames, RowIconCount - 1);
}

void TMappingsForm::ShowToolbarsAndPanels() {
  for (TPanel* panel : {TopControlBar, BottomControlBar, LeftControlBar, RightControlBar, ControlBar1, ControlBar2})
    panel->SetVisible(true);
  if (DockManager) DockManager->ArrangeToolbars();
}

void TMappingsForm::SetStatusText(const std::string& text) { StatusBar1->SetSimpleText(text); }

bool TMappingsForm::ChooseMappingName(std::string& name, const std::string& caption) {
  TFormOfCall<TChooseMappingForm> dialog(new TChooseMappingForm(this));
  if (!caption.empty()) {
    dialog->SetCaption(caption);
    dialog->ComboBox1->SetText(name);
  }
  if (dialog->ShowModal() != mrOk) return false;
  name = dialog->MappingName();
  return true;
}

void TMappingsForm::OpenMapping(const std::string& name, const std::vector<std::string>* text) {
  MappingName = name;
  WriteCurrentEditorMapping(name);
  Mapping = std::make_unique<TMapping>(name, false, text, std::string());
  LoadMappingIntoLists();
  RefreshPresetsPane();
  NotifyMappingsChanged();
}

// The editor stores only on an explicit save: the mapping's own save on free is switched off (and with it
// its bank lists', so a mapping gone from the registry does not make its key again).
void TMappingsForm::ReleaseMapping() {
  if (!Mapping) return;
  StopPreview();
  ClearAttachedRows();
  Mapping->SaveOnDestroy = false;
  Mapping.reset();
}

TMappingsForm::TStoredChange::TStoredChange(const std::string& name, bool renaming)
    : FHold(dynamic_cast<TMappingsForm*>(MappingsForm)) {
  TMappingsForm* editor = Editor();
  if (!editor) return;
  const bool own = editor->Mapping && AnsiSameText(name, editor->MappingName);
  if (own && editor->Busy()) {
    FGranted = false;
    return;
  }
  FWait = std::make_unique<TBusyScope>(*editor);
  if (!own) return;
  // A rename takes the edits along, saved as on a switch; otherwise they are asked about before they are lost.
  if (renaming ? !editor->LeaveCurrentMapping() : editor->Modified && !editor->ConfirmUnsavedLeave()) {
    FGranted = false;
    FEnded = true;
    FWait.reset();
    return;
  }
  editor->ReleaseMapping();
  FLetGo = true;
  FName = name;
}

TMappingsForm::TStoredChange::~TStoredChange() { End(FName); }

void TMappingsForm::TStoredChange::End(const std::string& name) {
  if (FEnded) return;
  FEnded = true;
  // What was asked for meanwhile (a close, a switch) runs once the editor is back; a window that closes
  // opens nothing again.
  FWait.reset();
  TMappingsForm* editor = Editor();
  if (!editor || !FLetGo || editor->FClosePending) return;
  if (name.empty()) editor->Close();
  else editor->OpenMapping(name, nullptr);
}

std::string TMappingsForm::TStoredChange::EditedMapping() {
  auto* editor = dynamic_cast<TMappingsForm*>(MappingsForm);
  return editor && editor->Mapping ? editor->MappingName : std::string();
}

bool TMappingsForm::LeaveCurrentMapping() { return SaveMapping() || ConfirmUnsavedLeave(); }

bool TMappingsForm::ConfirmUnsavedLeave() {
  return ShowMessageBox("The changes of mapping " + MappingName + " were not saved. Leave it anyway ?",
                        "Confirmation", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, Handle()) == IDYES;
}

void TMappingsForm::SwitchToMapping(const std::string& name) {
  if (Busy()) {
    FSwitchPending = true;
    FPendingSwitch = name;
    return;
  }
  if (!ConfirmCloseWithConflicts()) return;
  std::string chosen = name;
  if (name == NoneMarker && !ChooseMappingName(chosen, std::string())) return;
  if (!AcceptMappingName(chosen, Handle())) return;
  if (!LeaveCurrentMapping()) return;
  ReleaseMapping();
  OpenMapping(chosen, nullptr);
}

void TMappingsForm::NewMappingActionExecute() {
  if (!ConfirmCloseWithConflicts()) return;
  std::string name;
  if (!InputQuery("New mapping", "Enter new mapping name:", name)) return;
  if (!AcceptMappingName(name, Handle())) return;
  if (!LeaveCurrentMapping()) return;
  ReleaseMapping();
  OpenMapping(name, nullptr);
}

// Only a readable mapping text replaces the mapping: anything else would import as an empty one.
bool TMappingsForm::ReadMappingText(const std::string& fileName, std::vector<std::string>& lines) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in || !FileExistsNotDir(fileName)) {
    ShowMessageBox("Can't read file " + fileName, "tarnbel", MB_OK | MB_ICONERROR, Handle());
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (in.bad()) {
    ShowMessageBox(fileName + " is not a mapping file.", "tarnbel", MB_OK | MB_ICONERROR, Handle());
    return false;
  }
  return AcceptMappingText(fileName, lines, Handle());
}

void TMappingsForm::LoadMappingFromFileActionExecute() {
  std::string folder = Settings ? Settings->ReadString("DialogMappingPath", "") : std::string();
  OpenDialog1->SetInitialDir(folder);
  if (!ConfirmCloseWithConflicts()) return;
  if (!OpenDialog1->Execute()) return;
  std::string fileName = OpenDialog1->FileName();
  if (Settings) Settings->WriteString("DialogMappingPath", ExtractFilePath(fileName));
  std::vector<std::string> lines;
  if (!ReadMappingText(fileName, lines)) return;
  std::string name = WithoutExtension(FileNameOf(fileName));
  if (!ChooseMappingName(name, "Load file as (choose mapping name):")) return;
  if (!AcceptMappingName(name, Handle())) return;
  if (!LeaveCurrentMapping()) return;
  ReleaseMapping();
  OpenMapping(name, &lines);
  Modified = true;
}

void TMappingsForm::CheckMappingActionExecute() {
  if (!Mapping) return;
  if (CheckIntegrity(true)) Modified = true;
}

bool TMappingsForm::CheckIntegrity(bool showResult) {
  TBusyScope busy(*this);
  bool rewritten = false;
  {
    TValidator validator(this);
    // The check serves the queue between its rewrites: a row of a replaced entry follows its successor at
    // once, so no repaint reads a freed entry.
    validator.OnSlotRewrite = [this](int bank, int program, bool done) { FollowRewrittenSlot(bank, program, done); };
    rewritten = validator.CheckAll(Mapping.get());
    // The rows are made again from the mapping, in their groups and order.
    if (rewritten && !FRowOfEntry.empty()) FillAttachedRows();
    // The presets pane marks what is attached, and may show a file that is gone now.
    if (rewritten) RefreshPresetsPane();
    if (showResult) validator.ShowResult();
  }
  return rewritten;
}

void TMappingsForm::FollowRewrittenSlot(int bank, int program, bool done) {
  if (!done) {
    FRewrittenRow = RowOfEntry(Mapping->Slot(bank, program));
    if (FRewrittenRow) UnlinkRow(FRewrittenRow);
    return;
  }
  TListItem* row = std::exchange(FRewrittenRow, nullptr);
  if (!row) return;
  if (TMappingInactiveItem* entry = Mapping->Slot(bank, program)) LinkRow(row, entry);
  else FilesListView->Items().Delete(row->Index());
}

void TMappingsForm::LoadMappingIntoLists() {
  if (!Mapping) return;
  TBusyScope busy(*this);
  Modified = false;
  // The check comes before the rows: none then points to an entry a rewrite replaced.
  ClearAttachedRows();
  SaveMappingToRegistry();
  FillAttachedRows();
}

void TMappingsForm::ClearAttachedRows() {
  FilesListView->Items().BeginUpdate();
  RemoveHeaderRows(FilesListView);
  FRowOfEntry.clear();
  FilesListView->Items().Clear();
  FilesListView->Items().EndUpdate();
}

void TMappingsForm::ReadBankColors() {
  for (int bank = 0; bank < MappingBanks; ++bank) {
    BankBackColors[size_t(bank)] = ColorOf(Mapping->GetBankBackground(bank));
    BankFontColors[size_t(bank)] = ColorOf(Mapping->GetBankColor(bank));
  }
}

void TMappingsForm::FillAttachedRows() {
  TBusyScope busy(*this);
  TListItems& items = FilesListView->Items();
  items.BeginUpdate();
  ClearAttachedRows();
  ReadBankColors();
  int occupied = 0;
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program) occupied += Mapping->SlotFilled(bank, program);
  BeginProgress("Loading mapping data (" + MappingName + ")", int(Mapping->Inactive.size()) + occupied);
  FSlotHasInactive.assign(size_t(MappingBanks * MappingPrograms), false);
  for (size_t i = 0; i < Mapping->Inactive.size(); ++i) {
    TMappingInactiveItem* entry = Mapping->Inactive[i].get();
    AddAttachedItem(entry, true);
    if (ValidSlot(int(entry->TargetBank), int(entry->TargetProgram)))
      FSlotHasInactive[entry->TargetBank * MappingPrograms + entry->TargetProgram] = true;
  }
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program)
      if (TMappingInactiveItem* entry = Mapping->Slot(bank, program)) AddAttachedItem(entry, false);
  EndProgress();
  FSlotHasInactive.clear();
  BuildAttachedList();
  items.EndUpdate();
  SetCaption(EditorCaption + MappingName);
}

void TMappingsForm::AddAttachedItem(TMappingInactiveItem* entry, bool inactive) {
  StepProgress();
  int bank = int(entry->TargetBank), program = int(entry->TargetProgram);
  TRowMark mark = rmNone;
  if (inactive) mark = rmInactive;
  else if (!FSlotHasInactive.empty() && ValidSlot(bank, program) &&
           FSlotHasInactive[size_t(bank * MappingPrograms + program)])
    mark = rmHolderOfInactive;
  AddEntryRow(entry, mark, SlotCaption(bank, program) + entry->GetPresetName());
}

std::string TMappingsForm::SlotCaption(int bank, int program) {
  return (bank == DrumKitBank ? std::string("drum") : IntToStrZero(bank, 3)) + ": " + IntToStrZero(program, 3) + ": ";
}

void TMappingsForm::BeginProgress(const std::string& caption, int max) {
  EndProgress();
  FProgress = new TProgressForm(this);
  FProgress->SetText(caption);
  FProgress->SetMax(max);
  FProgressDone = 0;
  FProgressMax = max;
}

// One step of a long job. The bar moves and the message queue is served at each 1/256 of the job: served
// at every step, the queue took 30 of the 31 seconds a mapping of every slot needed to fill the list.
void TMappingsForm::StepProgress() {
  if (!FProgress) return;
  ++FProgressDone;
  const int stride = std::max(1, FProgressMax / ProgressServings);
  if (FProgressDone % stride != 0 && FProgressDone < FProgressMax) return;
  FProgress->SetProgress(FProgressDone);
  Application().ProcessMessages();
}

void TMappingsForm::EndProgress() {
  if (!FProgress) return;
  TProgressForm* progress = FProgress;
  FProgress = nullptr;
  progress->Free();
}

bool TMappingsForm::SaveMappingToRegistry() {
  if (!Mapping) return true;
  TBusyScope busy(*this);
  bool rewritten = CheckIntegrity(false);
  if (!Modified && !rewritten) return true;
  bool written = false;
  {
    TFormOfCall<TProgressForm> progress(new TProgressForm(this));
    progress->SetText("saving mapping (" + MappingName + ") in registry...");
    progress->SetMax(100);
    progress->SetProgress(100);
    progress->ShowAtOnce();
    written = Mapping->SaveSettings();
  }
  // A key deleted meanwhile takes no values: what was not stored is said, kept as unsaved and not announced.
  if (!written || !StoredFormWritten()) {
    Modified = true;
    ShowMessageBox("Can't save mapping " + MappingName + " in registry.", "tarnbel", MB_OK | MB_ICONERROR, Handle());
    return false;
  }
  Modified = false;
  if (ServerLink && ServerLink->PeerExists()) ServerLink->SendString(MappingName, WM_TB_MAPPING_SAVED);
  return true;
}

bool TMappingsForm::StoredFormWritten() const {
  HKEY key = nullptr;
  std::string path = Mapping->BasePath + "\\mappings\\" + Mapping->Name;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, count = 0, size = sizeof(count);
  bool written = RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) ==
                     ERROR_SUCCESS &&
                 type == REG_DWORD && int(count) == Mapping->Store->KeyCount();
  RegCloseKey(key);
  return written;
}

bool TMappingsForm::SaveMapping() {
  if (!Mapping) return true;
  bool stored = SaveMappingToRegistry();
  // The text copy is written also when the registry refused: it may be all that is left of the edits.
  if (EditorSettings.EditorAutosaveMapping)
    SaveMappingAsText(EditorSettings.EditorAutosaveMappingPath, SanitizeFileName(MappingName) + ".txt", *Mapping);
  if (stored) Modified = false;
  return stored;
}

bool TMappingsForm::ConfirmCloseWithConflicts() {
  if (!Mapping || Mapping->Inactive.empty() || !EditorSettings.ConflictsConfirmation) return true;
  return ShowMessageBox("There are conflicts in mapping " + MappingName + ". Do you really want to close it ?",
                        "Confirmation", MB_YESNO | MB_ICONQUESTION, Handle()) == IDYES;
}

void TMappingsForm::NotifyMappingsChanged() {
  if (Launcher) Launcher->PostMappingsChanged();
  else if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
}

void TMappingsForm::FormCloseQuery(bool& canClose) {
  canClose = false;
  // The question and the save serve the queue: a close asked for meanwhile, or after this one was granted,
  // is the same close and does not run again.
  if (FClosing || FClosedPosted) return;
  if (Busy()) {
    FClosePending = true;
    return;
  }
  canClose = DecideClose();
  if (!canClose) return;
  // Freeing the docking stores the toolbars' layout.
  DockManager.reset();
  FClosedPosted = true;
  PostClosedMessage(WM_TB_EDITOR_CLOSED);
}

bool TMappingsForm::DecideClose() {
  // Busy meanwhile: other jobs wait until the answer is given, and the window is kept whole.
  struct TClosing {
    TMappingsForm& Form;
    TFormHold Hold;
    explicit TClosing(TMappingsForm& form) : Form(form), Hold(&form) { Form.FClosing = true; }
    ~TClosing() {
      Form.FClosing = false;
      if (!Form.Busy()) Form.BusyEnded();
    }
  } closing(*this);
  if (!ConfirmCloseWithConflicts()) return false;
  StopPreview();
  return SaveMapping() || ConfirmUnsavedLeave();
}

void TMappingsForm::Destroying() {
  EndProgress();
  if (ServerLink) ServerLink->Notify(WM_TB_PREVIEW_OFF);
  ReleaseMapping();
  FreeFolderMonitors();
  DockManager.reset();
  HeaderRows.clear();
  TForm::Destroying();
}

void TMappingsForm::HookBeforeMessage(TMessage& msg, bool& handled) {
  // Minimising the editor minimises the whole program.
  if (msg.Msg == WM_SYSCOMMAND && (msg.WParam & 0xFFF0) == SC_MINIMIZE) {
    Application().Minimize();
    handled = true;
  }
}

void TMappingsForm::BusyEnded() {
  if (FDeferredPosted || !(FClosePending || FSwitchPending || FPresetsRefreshPending) || !HandleAllocated()) return;
  FDeferredPosted = PostMessageA(Handle(), CM_RUN_DEFERRED, 0, 0) != FALSE;
}

void TMappingsForm::RunDeferred() {
  FDeferredPosted = false;
  if (Busy()) return;
  // Closed, the window only waits to be freed.
  if (FClosedPosted) return;
  if (FPresetsRefreshPending) {
    FPresetsRefreshPending = false;
    RefreshPresetsPane();
  }
  if (FSwitchPending && !Busy()) {
    FSwitchPending = false;
    SwitchToMapping(FPendingSwitch);
  }
  if (FClosePending && !Busy()) {
    FClosePending = false;
    Close();
  }
}

void TMappingsForm::WndProc(TMessage& message) {
  if (message.Msg == CM_RUN_DEFERRED) {
    RunDeferred();
    return;
  }
  TForm::WndProc(message);
}

void RegisterEditorWindow() {
  ToolWindowMakers.Editor = [](TComponent* owner) -> TForm* { return new TMappingsForm(owner); };
}
