#include "tarnbel_validator.h"

#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "application.h"
#include "message_box.h"
#include "phdr_chunk.h"
#include "progress_form.h"
#include "registry_internal.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_validator_dialog.h"
#include "text_compare.h"
#include "tool_windows.h"

using namespace ui;

namespace {

// File and folder names compare as the file system does: without regard to case.
struct TCaseBlindLess {
  bool operator()(const std::string& a, const std::string& b) const { return AnsiCompareText(a, b) < 0; }
};
using TNameSet = std::set<std::string, TCaseBlindLess>;

const DWORD kServeIntervalMs = 10;

int runningChecks = 0;
// The window whose request came while a check ran, and the window asked from; the request goes back to the
// first when the last check ends.
HWND deferredRequester = nullptr, deferredAsker = nullptr;

HWND WindowOf(TComponent* component) {
  auto* control = dynamic_cast<TWinControl*>(component);
  return control && control->HandleAllocated() ? control->Handle() : nullptr;
}

// Disables the given windows and every shown window of this thread for its life; enables them again on
// every way out.
class TDisabledWindows {
 public:
  explicit TDisabledWindows(std::initializer_list<HWND> always) {
    for (HWND w : always) Disable(w);
    EnumThreadWindows(GetCurrentThreadId(), &DisableShown, reinterpret_cast<LPARAM>(this));
  }
  ~TDisabledWindows() {
    for (auto w = FDisabled.rbegin(); w != FDisabled.rend(); ++w)
      if (IsWindow(*w)) EnableWindow(*w, TRUE);
  }
  TDisabledWindows(const TDisabledWindows&) = delete;
  TDisabledWindows& operator=(const TDisabledWindows&) = delete;

 private:
  void Disable(HWND w) {
    if (!w || !IsWindowEnabled(w)) return;
    EnableWindow(w, FALSE);
    FDisabled.push_back(w);
  }
  // Callbacks are stdcall on 32-bit Windows, which a lambda cannot be.
  static BOOL CALLBACK DisableShown(HWND w, LPARAM self) {
    if (IsWindowVisible(w)) reinterpret_cast<TDisabledWindows*>(self)->Disable(w);
    return TRUE;
  }
  std::vector<HWND> FDisabled;
};

// Counts the running checks; the last one to end hands a deferred request back.
class TRunningCheck {
 public:
  TRunningCheck() { ++runningChecks; }
  ~TRunningCheck() {
    if (--runningChecks > 0 || !deferredRequester) return;
    HWND requester = deferredRequester;
    deferredRequester = nullptr;
    if (IsWindow(requester))
      PostMessageA(requester, WM_TB_CHECK_INTEGRITY, reinterpret_cast<WPARAM>(deferredAsker), 0);
  }
  TRunningCheck(const TRunningCheck&) = delete;
  TRunningCheck& operator=(const TRunningCheck&) = delete;
};

bool MappingStored(const std::string& name) {
  return TRegKey(std::string(TarnbelKeyPath) + "\\mappings\\" + name, false).Opened();
}

// The spelling under which the mapping stores a file already (keys compare without regard to case).
std::string StoredSpelling(const TMapping& mapping, const std::string& file) {
  int key = mapping.Store->IndexOfKey(file, true);
  return key >= 0 ? mapping.Store->GetKeyName(key) : file;
}

void RunIntegrityCheck(TComponent* requester, TForm* asker) {
  if (TValidator::AnyRunning()) {
    if (auto* window = dynamic_cast<TWinControl*>(requester)) deferredRequester = window->Handle();
    deferredAsker = WindowOf(asker);
    return;
  }
  // The boxes belong to the window asked from, which has the keyboard back after them.
  TComponent* owner = asker ? asker : requester;
  TFormHold hold(dynamic_cast<TForm*>(owner));
  // The editor's copy of its mapping would write over the check's redirects: it lets go of it for the
  // check (asking about unsaved edits) and opens it again after.
  TMappingsForm::TStoredChange editor(TMappingsForm::TStoredChange::EditedMapping(), false);
  if (!editor.Granted()) return;
  TValidator validator(owner);
  validator.CheckAll(nullptr);
  validator.ShowResult();
}

}  // namespace

// State of one CheckAll, shared by all mappings it checks.
struct TValidator::TRun {
  std::map<std::string, std::unique_ptr<TphdrChunk>, TCaseBlindLess> HeaderCache;
  TNameSet SkippedFiles;
  TNameSet FoundFolders;  // each ends in a backslash
  bool CancelAll = false;
  bool SkipMapping = false;
  bool Changed = false;
  bool MappingChanged = false;  // the mapping being checked
  DWORD LastServed = GetTickCount() - kServeIntervalMs;
  // Owned by the checker's owner, which the dialog hands the keyboard back to.
  explicit TRun(TComponent* owner) : Dialog(new TValidatorDialog(owner)) {}
  std::unique_ptr<TValidatorDialog, TFreeDeleter> Dialog;
  std::unique_ptr<TProgressForm, TFreeDeleter> Progress;

  bool Stopped() const { return CancelAll || SkipMapping; }
};

TValidator::TValidator(TComponent* owner) : Owner(owner) {}

TValidator::~TValidator() = default;

bool TValidator::AnyRunning() { return runningChecks > 0; }

bool TValidator::CheckAll(TMapping* mapping) {
  if (FRun) return false;
  TRunningCheck running;
  TForm* mainForm = Application().MainForm();
  TDisabledWindows disabled{WindowOf(Owner), mainForm ? WindowOf(mainForm) : nullptr};
  FRun = std::make_unique<TRun>(Owner);
  struct TEndRun {
    std::unique_ptr<TRun>& Run;
    ~TEndRun() { Run.reset(); }
  } endRun{FRun};
  if (!mapping) {
    CheckStoredMappings();
    return true;
  }
  CheckMapping(*mapping);
  return FRun->Changed;
}

void TValidator::ShowResult() {
  if (!ProblemsFound)
    ShowMessageBox("No problems encountered.", "tarnbel integrity checker", MB_OK | MB_ICONINFORMATION,
                   WindowOf(Owner));
}

void TValidator::CheckStoredMappings() {
  std::vector<std::string> names;
  GetMappingNames(names);
  FRun->Progress.reset(new TProgressForm(Owner));
  TProgressForm& progress = *FRun->Progress;
  progress.SetMax(2 * static_cast<int>(names.size()));
  progress.SetProgress(0);
  progress.ShowAtOnce();
  int position = 0;
  for (auto name = names.rbegin(); name != names.rend() && !FRun->CancelAll; ++name) {
    progress.SetText("checking " + *name + "...");
    progress.SetProgress(++position);
    CheckStoredMapping(*name);
    progress.SetProgress(++position);
  }
}

void TValidator::CheckStoredMapping(const std::string& name) {
  // Loading creates the key: a mapping deleted since the names were read must not come back.
  if (!MappingStored(name)) return;
  TMapping mapping(name, false, nullptr, "");
  // The check never changes bank names, colours or backgrounds.
  mapping.BankNames->SaveOnDestroy = false;
  mapping.BankColors->SaveOnDestroy = false;
  mapping.BankBackgrounds->SaveOnDestroy = false;
  FRun->SkipMapping = false;
  FRun->MappingChanged = false;
  CheckMapping(mapping);
  // Stored again only when rewritten, and only while it is still stored.
  mapping.SaveOnDestroy = FRun->MappingChanged && MappingStored(name);
}

void TValidator::CheckMapping(TMapping& mapping) {
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program) {
      if (FRun->Stopped()) return;
      ServeMessages();
      while (!FRun->Stopped() && CheckSlot(mapping, bank, program)) {
      }
    }
}

void TValidator::ServeMessages() {
  // Serving the queue costs far more than checking a slot: it is served as often as a user can tell.
  DWORD now = GetTickCount();
  if (now - FRun->LastServed < kServeIntervalMs) return;
  FRun->LastServed = now;
  Application().ProcessMessages();
  // The program is ending: nothing more is asked.
  if (Application().Terminated()) FRun->CancelAll = true;
}

TValidator::TEntry TValidator::Snapshot(const TMappingInactiveItem& item) {
  return TEntry{item.GetSourceName(), item.IsWave(), item.SourceBank,    item.SourceProgram, item.TargetBank,
                item.TargetProgram,   item.Tag,      item.Name,          item.GetPresetName()};
}

bool TValidator::CheckSlot(TMapping& mapping, int bank, int program) {
  const TMappingInactiveItem* item = mapping.Slot(bank, program);
  if (!item) return false;
  TEntry entry = Snapshot(*item);
  if (FRun->SkippedFiles.count(entry.SourceName)) return false;
  if (entry.Wave) return !FileExistsNotDir(entry.SourceName) && ReportProblem(mapping, entry, pbFileMissing);
  auto cached = FRun->HeaderCache.find(entry.SourceName);
  if (cached == FRun->HeaderCache.end()) {
    if (!FileExistsNotDir(entry.SourceName)) return ReportProblem(mapping, entry, pbFileMissing);
    auto headers = std::make_unique<TphdrChunk>();
    std::ifstream file(entry.SourceName, std::ios::binary);
    if (file) headers->Load(file, -1);
    cached = FRun->HeaderCache.emplace(entry.SourceName, std::move(headers)).first;
  }
  const TphdrChunk& headers = *cached->second;
  // A file without preset headers holds no preset.
  if (headers.Found && headers.GetPresetName(static_cast<int>(entry.SourceBank),
                                             static_cast<int>(entry.SourceProgram)) != NoneMarker)
    return false;
  return ReportProblem(mapping, entry, pbPresetMissing);
}

bool TValidator::ReportProblem(TMapping& mapping, const TEntry& entry, TProblem problem) {
  ProblemsFound = true;
  if (problem == pbFileMissing && RedirectToFoundFolder(mapping, entry)) return true;
  FillDialog(mapping, entry, problem);
  ShowProgress(false);
  FRun->Dialog->SetSelectOnShow(true);
  int answer = FRun->Dialog->ShowModal();
  bool checkAgain = true;
  ActOnAnswer(mapping, entry, problem, answer, checkAgain);
  ShowProgress(true);
  return checkAgain;
}

bool TValidator::RedirectToFoundFolder(TMapping& mapping, const TEntry& entry) {
  std::string shortName = ExtractFileName(entry.SourceName);
  for (auto folder = FRun->FoundFolders.rbegin(); folder != FRun->FoundFolders.rend(); ++folder)
    if (FileExistsNotDir(*folder + shortName)) {
      RedirectFile(mapping, entry, *folder + shortName, true);
      return true;
    }
  return false;
}

void TValidator::FillDialog(const TMapping& mapping, const TEntry& entry, TProblem problem) {
  TValidatorDialog& dialog = *FRun->Dialog;
  std::string shortName = ExtractFileName(entry.SourceName);
  dialog.FileLabel->SetCaption(entry.SourceName);
  std::string preset = entry.Wave ? "Waveform"
                                  : FormatBankProgram(static_cast<int>(entry.SourceBank),
                                                      static_cast<int>(entry.SourceProgram));
  dialog.PresetLabel->SetCaption(preset + " mapped as " +
                                 FormatBankProgram(static_cast<int>(entry.TargetBank),
                                                   static_cast<int>(entry.TargetProgram)) +
                                 " \"" + entry.PresetName + "\"");
  dialog.CheckBox1->SetChecked(false);
  dialog.CheckBox1->SetVisible(true);
  if (problem == pbFileMissing) {
    dialog.CheckBox1->SetCaption("Search the folder chosen for another lost files");
    dialog.ProblemLabel->SetCaption("File not found: \"" + shortName + "\"");
  } else {
    if (entry.Wave)
      dialog.CheckBox1->SetVisible(false);
    else
      dialog.CheckBox1->SetCaption("Redirect all presets from this file to chosen file");
    dialog.ProblemLabel->SetCaption("There is no such preset in file");
  }
  dialog.MappingLabel->SetCaption(mapping.Name);
  TKitSystemTreeView& tree = *dialog.KitSystemTreeView1;
  tree.SetFileMask("*" + ExtractFileExt(entry.SourceName));
  tree.SetShowFiles(true);
  if (tree.Selection().empty()) {
    std::string folder = ExcludeTrailingBackslash(ExtractFilePath(entry.SourceName));
    tree.SetSelection(DirectoryOrDriveExists(folder) ? folder : "c:\\");
  }
  if (problem == pbPresetMissing) tree.SetSelection(entry.SourceName);
}

void TValidator::ActOnAnswer(TMapping& mapping, const TEntry& entry, TProblem problem, int answer,
                             bool& checkAgain) {
  TValidatorDialog& dialog = *FRun->Dialog;
  switch (answer) {
    case mrOk: {
      std::string chosen = dialog.KitSystemTreeView1->Selection();
      // OK is enabled only on a file; one that went away meanwhile is asked for again.
      if (!FileExistsNotDir(chosen)) return;
      bool allEntries = problem == pbFileMissing || (!entry.Wave && dialog.CheckBox1->Checked());
      if (problem == pbFileMissing && dialog.CheckBox1->Checked())
        FRun->FoundFolders.insert(IncludeTrailingBackslash(ExtractFilePath(chosen)));
      RedirectFile(mapping, entry, chosen, allEntries);
      return;
    }
    case mrAbort:
      FRun->SkipMapping = true;
      return;
    case mrAll:
      FRun->SkippedFiles.insert(entry.SourceName);
      return;
    case mrIgnore:
      checkAgain = false;
      return;
    default:  // "Cancel all", a close of the dialog, the program's end
      FRun->CancelAll = true;
      return;
  }
}

void TValidator::RedirectFile(TMapping& mapping, const TEntry& entry, const std::string& newName, bool allEntries) {
  if (newName == entry.SourceName) return;
  // A wave entry's name holds a file within its folder: only the entry itself can move.
  if (allEntries && !entry.Wave && mapping.IndexOfFile(entry.SourceName) >= 0 &&
      mapping.RenameSourceFile(entry.SourceName, newName)) {
    MarkChanged();
    return;
  }
  RewriteEntry(mapping, entry, newName);
}

void TValidator::RewriteEntry(TMapping& mapping, const TEntry& entry, const std::string& newName) {
  std::string file = newName, name = entry.Name;
  size_t bar = entry.Name.find('|');
  if (entry.Wave && bar != std::string::npos) {
    // The wave may have another name now: the chosen one replaces it, the shown name stays.
    file = ExtractFilePath(newName);
    name = ExtractFileName(newName) + entry.Name.substr(bar);
  }
  MarkChanged();
  int targetBank = static_cast<int>(entry.TargetBank), targetProgram = static_cast<int>(entry.TargetProgram);
  if (OnSlotRewrite) OnSlotRewrite(targetBank, targetProgram, false);
  mapping.RemoveItem(targetBank, targetProgram);
  mapping.AddItem(StoredSpelling(mapping, file), targetBank, true, entry.Tag, name,
                  static_cast<int>(entry.SourceProgram), static_cast<int>(entry.SourceBank), targetProgram);
  if (OnSlotRewrite) OnSlotRewrite(targetBank, targetProgram, true);
}

void TValidator::MarkChanged() {
  FRun->Changed = true;
  FRun->MappingChanged = true;
}

void TValidator::ShowProgress(bool show) {
  if (!FRun->Progress) return;
  if (show)
    FRun->Progress->ShowAtOnce();
  else
    FRun->Progress->Hide();
}

void RegisterIntegrityChecker() { ToolWindowMakers.CheckIntegrity = RunIntegrityCheck; }
