// The source browser: the tree's selection fills the presets list with the presets of a SoundFont file or
// the wave files of a folder, attached ones marked; the expanded folders' children are watched so the tree
// follows the disk; "Set bank in file..." rewrites the banks of the selected file; the preferences dialog.
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "message_box.h"
#include "phdr_chunk.h"
#include "set_bank_in_file.h"
#include "sf2_bank_rewrite.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_wave_settings_form.h"

using namespace ui;

namespace {

// File names, last-write changes dropped for the Windows folder, whose files change all the time.
const TFileChangeFilters WatchFilter = (1u << fnFileName) | (1u << fnDirName) | (1u << fnLastWrite);
constexpr int WatchDelayMs = 1000;

std::string FolderKey(const std::string& path) { return UpperCase(IncludeTrailingBackslash(path)); }

std::string SystemFolder(UINT (*get)(char*, UINT)) {
  char buffer[MAX_PATH];
  UINT n = get(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

UINT TempFolder(char* buffer, UINT size) { return GetTempPathA(size, buffer); }
UINT WindowsFolder(char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }

bool IsWaveFile(const std::string& path) {
  std::string upper = UpperCase(path);
  return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".WAV") == 0;
}

// Whatever way the fill ends, the list's update ends and the progress window goes.
class TFillScope {
 public:
  TFillScope(bool& filling, TListItems& items, std::function<void()> endProgress)
      : FFilling(filling), FItems(items), FEndProgress(std::move(endProgress)) {
    FFilling = true;
    FItems.BeginUpdate();
  }
  ~TFillScope() {
    FEndProgress();
    FItems.EndUpdate();
    FFilling = false;
  }
  TFillScope(const TFillScope&) = delete;
  TFillScope& operator=(const TFillScope&) = delete;

 private:
  bool& FFilling;
  TListItems& FItems;
  std::function<void()> FEndProgress;
};

// An optional sign and decimal digits: a number, however large.
bool IsWholeNumber(const std::string& text) {
  size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (digits == text.size()) return false;
  for (size_t i = digits; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace

void TMappingsForm::HookBrowserEvents() {
  SystemTreeView->OnChange = [this](TObject*, TTreeNode*) { RefreshPresetsPane(); };
  SystemTreeView->OnExpanded = [this](TObject*, TTreeNode* node) {
    if (!EditorSettings.EditorAutoRefreshTreeView) return;
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) StartFolderMonitor(child);
  };
  // A node read again while expanded (a refresh) shows new children: they are watched as on an expansion.
  SystemTreeView->OnPopulated = [this](TObject*, TTreeNode* node) {
    if (EditorSettings.EditorAutoRefreshTreeView && node->Expanded())
      for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) StartFolderMonitor(child);
  };
  SystemTreeView->OnCollapsed = [this](TObject*, TTreeNode* node) {
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) StopFolderMonitor(child);
  };
  SystemTreeView->OnDblClick = [this](TObject*) { TreeDblClick(); };
  // The tree never shows a drop target.
  SystemTreeView->OnCustomDrawItem = [](TObject*, TTreeNode* node, TCustomDrawInfo&) {
    for (TTreeNode* n : {node, node->Parent()})
      if (n && n->DropTarget()) n->SetDropTarget(false);
  };
  TTVNodeEvent deleted = SystemTreeView->OnDeletion;
  SystemTreeView->OnDeletion = [this, deleted](TObject* sender, TTreeNode* node) {
    if (deleted) deleted(sender, node);
    TreeNodeDeleted(node);
  };
  SetBankInFileAction->OnExecute = [this](TObject*) { SetBankInFileActionExecute(); };
  SetBankInFileAction->OnUpdate = [this](TObject*) {
    SetBankInFileAction->SetEnabled(FocusedControl() == SystemTreeView && PresetsHaveSourceRow());
  };
  RefreshTreeAction->OnExecute = [this](TObject*) { SystemTreeView->RebuildTree(); };
  WaveSettingsAction->OnExecute = [this](TObject*) { WaveSettingsActionExecute(); };
  RefreshTreeAction->SetEnabled(true);
  WaveSettingsAction->SetEnabled(true);
}

void TMappingsForm::RefreshPresetsPane() {
  if (!Mapping) return;
  // A change that comes while the list is filled (or another long job runs) is filled once that is over.
  if (FFillingPresets || Busy()) {
    FPresetsRefreshPending = true;
    BusyEnded();
    return;
  }
  FPresetsRefreshPending = false;
  {
    TBusyScope busy(*this);
    TFillScope fill(FFillingPresets, PresetsListView->Items(), [this] { EndProgress(); });
    FillPresetsPane();
  }
  // A single wave file's one row is taken as clicked: its status text and its preview.
  if (IsWaveFile(SourcePath) && FileExistsNotDir(SourcePath) && PresetsListView->Items().Count() == 1)
    ListReleased(PresetsListView);
}

void TMappingsForm::FillPresetsPane() {
  StopPreview();
  PreviewedRow = -1;
  RemoveHeaderRows(PresetsListView);
  PresetsListView->Items().Clear();
  SourcePath = SystemTreeView->Selection();
  if (DirectoryOrDriveExists(SourcePath)) {
    FillWaveFolder(SourcePath);
  } else if (FileExistsNotDir(SourcePath)) {
    if (IsWaveFile(SourcePath)) {
      std::string folder = ExtractFilePath(SourcePath);
      AddWaveRow(SourcePath.substr(folder.size()),
                 Mapping->FindItemBySource(SourcePath, int(WaveSourceBank), int(WaveSourceBank)) != nullptr);
      PresetsListView->Items()[0]->SetSelected(true);
      PresetsListView->Items()[0]->SetFocused(true);
    } else {
      FillSoundFont(SourcePath);
    }
  }
  BuildPresetsList();
}

void TMappingsForm::AddWaveRow(const std::string& fileName, bool attached) {
  TListItem* row = PresetsListView->Items().Add();
  row->SetCaption(fileName);
  row->SetData(&WaveRowMarker);
  row->SetImageIndex(int(WaveSourceBank));
  row->SetOverlayIndex(int(WaveSourceBank));
  row->SetStateIndex(RowIcon(rkWave, attached ? rmNone : rmUnattached));
}

void TMappingsForm::FillWaveFolder(const std::string& folder) {
  std::string dir = IncludeTrailingBackslash(folder);
  std::vector<std::string> sources;
  Mapping->ListWaveSources(dir, sources);
  std::set<std::string> attached;
  for (const std::string& source : sources) attached.insert(UpperCase(source));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "*.wav").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    AddWaveRow(data.cFileName, attached.count(UpperCase(dir + data.cFileName)) > 0);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// Only a file whose chunks nest and whose headers end properly lists its presets: the rows of a damaged one
// would name presets that nothing can load. Each row carries its kind; presets outside the slots are listed
// and never marked.
void TMappingsForm::FillSoundFont(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in || CheckPresetHeaders(in).Damage != TSf2Damage::None) return;
  TphdrChunk headers;
  if (!headers.Load(in, -1)) return;
  in.close();
  struct TUsedPresets {
    uint8_t Table[MappingBanks][MappingPrograms];
  };
  auto used = std::make_unique<TUsedPresets>();
  Mapping->MarkUsedSourcePresets(fileName, used->Table);
  BeginProgress("Loading presets list", int(headers.Presets.size()));
  for (size_t i = 0; i < headers.Presets.size(); ++i) {
    StepProgress();
    const SF2PresetHeader& header = headers.Presets[i];
    int bank = header.wBank, program = header.wPreset;
    bool attached = ValidSlot(bank, program) && used->Table[bank][program];
    TListItem* row = PresetsListView->Items().Add();
    row->SetCaption((bank == DrumKitBank ? std::string("drum") : IntToStrZero(bank, 3)) + ": " +
                    IntToStrZero(program, 3) + ": " + headers.GetPresetNameAt(i));
    row->SetData(&PresetRowMarker);
    row->SetImageIndex(bank);
    row->SetOverlayIndex(program);
    row->SetStateIndex(RowIcon(bank == DrumKitBank ? rkDrum : rkMelodic, attached ? rmNone : rmUnattached));
  }
  EndProgress();
}

void TMappingsForm::SetBankInFileActionExecute() {
  const std::string fileName = SourcePath.substr(ExtractFilePath(SourcePath).size());
  std::string answer;
  if (!InputQuery("Change bank in file", "Enter bank number for \"" + fileName + "\" :", answer)) return;
  if (!IsWholeNumber(answer) || !FileExistsNotDir(SourcePath)) return;
  uint16_t bank = 0;
  if (!ParseBankNumber(answer, bank)) {
    ShowMessageBox("Bank numbers in a file may range only from 0 to 65535.", "tarnbel", MB_OK | MB_ICONINFORMATION,
                   Handle());
    return;
  }
  TSetBankResult result;
  {
    TBusyScope busy(*this);
    result = SetBankInFile(SourcePath, bank);
  }
  if (result.Status != TSetBankStatus::Done)
    ShowMessageBox("Can't change bank in file \"" + SourcePath + "\": " + result.Reason + ".", "tarnbel",
                   MB_OK | MB_ICONERROR, Handle());
  RefreshPresetsPane();
}

void TMappingsForm::WaveSettingsActionExecute() {
  auto* dialog = new TWaveSettingsForm(this);
  try {
    dialog->ShowModal();
  } catch (...) {
    dialog->Free();
    throw;
  }
  dialog->Free();
}

void TMappingsForm::TreeDblClick() {
  if (!IsWaveFile(SourcePath) || !FileExistsNotDir(SourcePath) || PresetsListView->Items().Count() == 0) return;
  PresetsListView->ClearSelection();
  PresetsListView->Items()[0]->SetSelected(true);
  PresetsListView->Items()[0]->SetFocused(true);
  // The presets list's own double click goes to the row's attached entry.
  if (PresetsListView->OnDblClick) PresetsListView->OnDblClick(PresetsListView);
}

bool TMappingsForm::WatchableFolder(const std::string& path) {
  if (path.empty() || !DirectoryOrDriveExists(path)) return false;
  const std::string key = FolderKey(path);
  for (const auto& watched : FolderMonitors)
    if (FolderKey(watched.first) == key) return false;
  if (key == FolderKey(SystemFolder(TempFolder))) return false;
  // The folders on the way to the root node's own folder are not watched.
  TTreeNode* root = SystemTreeView->Items().GetFirstNode();
  std::string rootPath = root ? SystemTreeView->GetNodePath(root) : std::string();
  return rootPath.empty() || FolderKey(rootPath).find(key) == std::string::npos;
}

void TMappingsForm::StartFolderMonitor(TTreeNode* node) {
  const std::string path = SystemTreeView->GetNodePath(node);
  if (!WatchableFolder(path)) return;
  auto* monitor = new TKitFolderMonitor(SystemTreeView);
  monitor->SetDelayTime(WatchDelayMs);
  TFileChangeFilters filter = WatchFilter;
  if (FolderKey(path) == FolderKey(SystemFolder(WindowsFolder))) filter &= ~(1u << fnLastWrite);
  monitor->SetFilter(filter);
  monitor->SetMonitorSubtree(false);
  monitor->SetFolderName(path);
  monitor->SetTag(intptr_t(node));
  monitor->OnChange = [this](TObject* sender) { FolderChanged(static_cast<TKitFolderMonitor*>(sender)); };
  // A folder the system cannot watch is left unwatched; the node expands all the same.
  try {
    monitor->SetActive(true);
  } catch (const std::exception&) {
  }
  if (!monitor->Active()) {
    monitor->Free();
    return;
  }
  FolderMonitors.emplace_back(path, monitor);
}

// By the node, not by its folder: a folder that is gone or renamed stops being watched too.
void TMappingsForm::StopFolderMonitor(TTreeNode* node) {
  for (size_t i = FolderMonitors.size(); i-- > 0;)
    if (FolderMonitors[i].second->Tag() == intptr_t(node)) FreeFolderMonitor(i);
}

void TMappingsForm::FreeFolderMonitor(size_t index) {
  TKitFolderMonitor* monitor = FolderMonitors[index].second;
  FolderMonitors.erase(FolderMonitors.begin() + std::ptrdiff_t(index));
  monitor->Free();
}

void TMappingsForm::FreeFolderMonitors() {
  while (!FolderMonitors.empty()) FreeFolderMonitor(FolderMonitors.size() - 1);
}

// Whatever removes nodes (a collapse, a refresh, a rebuild) stops the monitors of those nodes; a removed
// selection refills the presets list.
void TMappingsForm::TreeNodeDeleted(TTreeNode* node) {
  StopFolderMonitor(node);
  if (node == SystemTreeView->Selected() && Mapping) {
    FPresetsRefreshPending = true;
    BusyEnded();
  }
}

// The monitor's node is looked up by its folder: the node it started with may be gone.
void TMappingsForm::FolderChanged(TKitFolderMonitor* monitor) {
  if (!EditorSettings.EditorAutoRefreshTreeView) return;
  TTreeNode* node = NodeOfPath(monitor->FolderName());
  if (!node || !DirectoryOrDriveExists(monitor->FolderName())) {
    for (size_t i = 0; i < FolderMonitors.size(); ++i)
      if (FolderMonitors[i].second == monitor) {
        FreeFolderMonitor(i);
        break;
      }
    return;
  }
  monitor->SetTag(intptr_t(node));
  SystemTreeView->RefreshNode(node);
}

// The read node of a folder, walking down the nodes on its way; null when none is read.
TTreeNode* TMappingsForm::NodeOfPath(const std::string& path) {
  const std::string key = FolderKey(path);
  TTreeNode* node = SystemTreeView->Items().GetFirstNode();
  while (node) {
    const std::string nodePath = SystemTreeView->GetNodePath(node);
    const std::string nodeKey = nodePath.empty() ? std::string() : FolderKey(nodePath);
    if (!nodeKey.empty() && nodeKey == key) return node;
    // Down into a node without a folder of its own (the computer) or one on the way; else on to its sibling.
    if (nodeKey.empty() || key.compare(0, nodeKey.size(), nodeKey) == 0) {
      if (TTreeNode* child = node->GetFirstChild()) {
        node = child;
        continue;
      }
    }
    while (node && !node->GetNextSibling()) node = node->Parent();
    if (node) node = node->GetNextSibling();
  }
  return nullptr;
}
