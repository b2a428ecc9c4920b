// The two lists of the editor: their grouping modes with header and divider rows, their sort orders and
// colours, the status texts, going from an entry to its source and back, the selection rules of header
// rows, and the enabling of the editor's commands.
#include <algorithm>
#include <cstring>

#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;

namespace {

// Sort rank by row icon: a higher rank sorts first.
const int SortRanks[RowIconCount] = {80, 90, 85, 70, 75, 90, 85, 60, 77, 85, 90, 65};

const char* const AttachedCaptions[] = {"Attached presets by conflicts", "Attached presets by source file",
                                        "Attached presets by assignment"};

int RankOf(const TListItem* row) {
  int icon = row->StateIndex();
  return icon >= 0 && icon < RowIconCount ? SortRanks[icon] : 0;
}

// Byte by byte, bytes unsigned; by sign only.
int CompareBytes(const std::string& a, const std::string& b) {
  int c = std::memcmp(a.data(), b.data(), a.size() < b.size() ? a.size() : b.size());
  if (c == 0) return (a.size() > b.size()) - (a.size() < b.size());
  return c < 0 ? -1 : 1;
}

int CompareNumbers(uint32_t a, uint32_t b) { return (a > b) - (a < b); }

// The group of an entry when grouped by source: its file, or for a wave the folder of its file.
std::string GroupKey(const TMappingInactiveItem& entry) { return entry.SourceFileText(); }

}  // namespace

int TMappingsForm::FilesMode() const {
  int mode = FilesListView->Tag();
  return mode == fmBySource || mode == fmByAssignment ? mode : fmByConflicts;
}

int TMappingsForm::PresetsMode() const { return PresetsListView->Tag() == pmByBank ? pmByBank : pmByAttachment; }

int TMappingsForm::CompareAttached(TListItem* row1, TListItem* row2, int mode) const {
  const TMappingInactiveItem* a = EntryOfRow(row1);
  const TMappingInactiveItem* b = EntryOfRow(row2);
  if (!a || !b) return (a == nullptr) - (b == nullptr);
  int c = 0;
  switch (mode) {
    case fmBySource:
      // The group first: a subfolder's waves or an .sf2 beside them never split a folder's group.
      c = CompareBytes(GroupKey(*a), GroupKey(*b));
      if (c == 0) c = CompareBytes(a->GetSourceName(), b->GetSourceName());
      if (c == 0) c = CompareNumbers(a->SourceBank, b->SourceBank);
      if (c == 0) c = CompareNumbers(a->SourceProgram, b->SourceProgram);
      return c;
    case fmByAssignment:
      c = CompareNumbers(a->TargetBank, b->TargetBank);
      if (c == 0) c = CompareNumbers(a->TargetProgram, b->TargetProgram);
      if (c == 0) c = CompareBytes(a->GetSourceName(), b->GetSourceName());
      return c;
    default: {
      int rank1 = RankOf(row1), rank2 = RankOf(row2);
      if (rank1 != rank2) return rank1 > rank2 ? -1 : 1;
      if (rank1 == 85 || rank1 == 90) c = CompareBytes(a->GetSourceName(), b->GetSourceName());
      if (c == 0) c = CompareBytes(row1->Caption(), row2->Caption());
      return c;
    }
  }
}

int TMappingsForm::ComparePresets(TListItem* row1, TListItem* row2, int mode) const {
  if (mode == pmByAttachment) {
    int rank1 = RankOf(row1), rank2 = RankOf(row2);
    if (rank1 != rank2) return rank1 > rank2 ? -1 : 1;
  }
  return CompareBytes(row1->Caption(), row2->Caption());
}

TListItem* TMappingsForm::InsertHeaderRow(TListView* list, int index, const std::string& caption, int bank) {
  TListItem* row = list->Items().Insert(index);
  row->SetCaption(caption);
  row->SetImageIndex(bank);
  HeaderRows.emplace_back(row, list);
  return row;
}

bool TMappingsForm::IsWaveFileName(const std::string& path) {
  std::string upper = UpperCase(path);
  return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".WAV") == 0;
}

bool TMappingsForm::HeaderFocused(TListView* list) {
  TListItem* focused = list->ItemFocused();
  return focused && !focused->Data() && !focused->Caption().empty();
}

void TMappingsForm::FinishBuild(TListView* list, bool headerWasFocused) {
  if (headerWasFocused && list->Items().Count() > 0) list->SetItemFocused(list->Items()[0]);
}

void TMappingsForm::BuildAttachedList() {
  TListItems& items = FilesListView->Items();
  items.BeginUpdate();
  const bool headerWasFocused = HeaderFocused(FilesListView);
  RemoveHeaderRows(FilesListView);
  const int mode = FilesMode();
  FilesListView->CustomSort([this, mode](TListItem* a, TListItem* b, intptr_t) { return CompareAttached(a, b, mode); });
  FilesListView->Columns()->Items(0)->SetCaption(AttachedCaptions[mode]);
  if (EditorSettings.ShowListDividers) {
    if (mode == fmByConflicts) InsertConflictHeaders();
    else InsertGroupHeaders(mode);
  }
  FinishBuild(FilesListView, headerWasFocused);
  items.EndUpdate();
}

// " No conflicts" over the first row that shows no mark, " Conflicts" over the marked ones above it.
void TMappingsForm::InsertConflictHeaders() {
  TListItems& items = FilesListView->Items();
  int firstPlain = -1;
  for (int i = 0; i < items.Count() && firstPlain < 0; ++i)
    if (RowMarkOf(items[i]->StateIndex()) == rmNone) firstPlain = i;
  if (firstPlain >= 0) {
    if (firstPlain > 0) InsertHeaderRow(FilesListView, firstPlain++, std::string(), -1);
    InsertHeaderRow(FilesListView, firstPlain, " No conflicts", -1);
  }
  if (firstPlain > 0 || (firstPlain < 0 && items.Count() > 0)) InsertHeaderRow(FilesListView, 0, " Conflicts", -1);
}

// A divider and a header at each change of source group (mode 1) or of target bank (mode 2).
void TMappingsForm::InsertGroupHeaders(int mode) {
  TListItems& items = FilesListView->Items();
  std::string lastGroup;
  int lastBank = -1;
  for (int i = 0; i < items.Count(); ++i) {
    const TMappingInactiveItem* entry = EntryOfRow(items[i]);
    if (!entry) continue;
    std::string caption;
    int bank = -1;
    if (mode == fmBySource) {
      std::string group = GroupKey(*entry);
      if (i > 0 && group == lastGroup) continue;
      lastGroup = group;
      caption = " " + (entry->IsWave() ? group : entry->GetSourceName());
    } else {
      bank = int(entry->TargetBank);
      if (i > 0 && bank == lastBank) continue;
      lastBank = bank;
      caption = " " + Mapping->GetBankName(bank);
    }
    if (i > 0) InsertHeaderRow(FilesListView, i++, std::string(), -1);
    InsertHeaderRow(FilesListView, i++, caption, bank);
  }
}

std::string TMappingsForm::PresetsCaption() const {
  const bool byBank = PresetsMode() == pmByBank;
  if (DirectoryOrDriveExists(SourcePath)) return byBank ? "Waveforms in folder by name" : "Waveforms in folder by attachment";
  if (!FileExistsNotDir(SourcePath)) return "No files";
  if (IsWaveFileName(SourcePath)) return "Waveform";
  return byBank ? "Presets in file by bank" : "Presets in file by attachment";
}

void TMappingsForm::BuildPresetsList() {
  TListItems& items = PresetsListView->Items();
  items.BeginUpdate();
  const bool headerWasFocused = HeaderFocused(PresetsListView);
  RemoveHeaderRows(PresetsListView);
  const int mode = PresetsMode();
  PresetsListView->CustomSort([this, mode](TListItem* a, TListItem* b, intptr_t) { return ComparePresets(a, b, mode); });
  PresetsListView->Columns()->Items(0)->SetCaption(PresetsCaption());
  const bool singleWave = FileExistsNotDir(SourcePath) && IsWaveFileName(SourcePath);
  if (EditorSettings.ShowListDividers) {
    if (mode == pmByAttachment && !singleWave) InsertAttachmentHeaders();
    else if (mode == pmByBank && FileExistsNotDir(SourcePath) && !singleWave) InsertBankHeaders();
  }
  FinishBuild(PresetsListView, headerWasFocused);
  items.EndUpdate();
}

void TMappingsForm::InsertAttachmentHeaders() {
  TListItems& items = PresetsListView->Items();
  int firstUnattached = -1;
  for (int i = 0; i < items.Count() && firstUnattached < 0; ++i)
    if (IsSourceRow(items[i]) && RowMarkOf(items[i]->StateIndex()) == rmUnattached) firstUnattached = i;
  if (firstUnattached < 0) return;
  if (firstUnattached > 0) InsertHeaderRow(PresetsListView, firstUnattached++, std::string(), -1);
  InsertHeaderRow(PresetsListView, firstUnattached, " Unattached", -1);
  if (firstUnattached > 0) InsertHeaderRow(PresetsListView, 0, " Attached", -1);
}

void TMappingsForm::InsertBankHeaders() {
  TListItems& items = PresetsListView->Items();
  int lastBank = -1;
  for (int i = 0; i < items.Count(); ++i) {
    int bank = items[i]->ImageIndex();
    if (i > 0 && bank == lastBank) continue;
    lastBank = bank;
    if (i > 0) InsertHeaderRow(PresetsListView, i++, std::string(), -1);
    InsertHeaderRow(PresetsListView, i++, " bank " + IntToStrZero(bank, 3), -1);
  }
}

void TMappingsForm::RefreshLists() {
  FilesListView->Items().BeginUpdate();
  PresetsListView->Items().BeginUpdate();
  BuildAttachedList();
  BuildPresetsList();
  PresetsListView->Items().EndUpdate();
  FilesListView->Items().EndUpdate();
}

void TMappingsForm::RemoveHeaderRows(TListView* list) {
  bool any = false;
  for (auto it = HeaderRows.begin(); it != HeaderRows.end() && !any; ++it) any = it->second == list;
  if (!any) return;
  list->Items().BeginUpdate();
  for (auto it = HeaderRows.begin(); it != HeaderRows.end();) {
    if (it->second != list) {
      ++it;
      continue;
    }
    if (it->first == PressedHeaderRow) PressedHeaderRow = nullptr;
    it->first->Delete();
    it = HeaderRows.erase(it);
  }
  list->Items().EndUpdate();
}

void TMappingsForm::ColumnClicked(TListView* list) {
  if (!Mapping || Busy()) return;
  if (list == FilesListView) {
    FilesListView->SetTag((FilesMode() + 1) % 3);
    BuildAttachedList();
  } else {
    PresetsListView->SetTag(PresetsMode() == pmByBank ? pmByAttachment : pmByBank);
    BuildPresetsList();
  }
}

// The rows after the focused header, up to the next row without data, become the selection.
int TMappingsForm::SelectGroupUnderHeader(TListView* list) {
  TListItem* header = list->ItemFocused();
  if (FocusedControl() != list || !header || header->Data() || header->Caption().empty()) return 0;
  int selected = 0;
  TListItems& items = list->Items();
  for (int i = header->Index() + 1; i < items.Count() && items[i]->Data(); ++i, ++selected)
    items[i]->SetSelected(true);
  return selected;
}

void TMappingsForm::DeselectHeaderRows(TListView* list) {
  for (const auto& header : HeaderRows)
    if (header.second == list && header.first->Selected()) header.first->SetSelected(false);
}

void TMappingsForm::ListSelectionChanged(TListView* list, TListItem* row, bool selected) {
  if (FSelectingAll) return;
  // A header or divider never stays selected; a change of many rows at once (no row) may have taken some.
  if (selected && row && !row->Data()) row->SetSelected(false);
  if (selected && !row) {
    FSelectingAll = true;
    DeselectHeaderRows(list);
    FSelectingAll = false;
  }
  int count = list->SelCount();
  SetStatusText(count >= 2 ? "Selected " + std::to_string(count) + " presets" : std::string());
}

void TMappingsForm::ShowEntryStatus() {
  if (FilesListView->SelCount() != 1) return;
  TMappingInactiveItem* entry = EntryOfRow(FilesListView->Selected());
  if (!entry) return;
  if (entry->IsWave()) {
    SetStatusText(entry->GetSourceName());
    return;
  }
  int bank = int(entry->TargetBank);
  std::string own = Mapping->GetBankName(bank);
  std::string text = own != BankDisplayName(bank) ? "(" + own + ") -- " : std::string();
  text += entry->GetSourceName() + " -- " +
          (entry->SourceBank == uint32_t(DrumKitBank) ? std::string("drum bank") : "bank " + std::to_string(entry->SourceBank)) +
          " : program " + std::to_string(entry->SourceProgram);
  SetStatusText(text);
}

std::string TMappingsForm::SourcePathOfRow(const TListItem* row) const {
  if (IsWaveRow(row) && DirectoryOrDriveExists(SourcePath)) return IncludeTrailingBackslash(SourcePath) + row->Caption();
  return SourcePath;
}

void TMappingsForm::ShowSourceStatus() {
  if (PresetsListView->SelCount() != 1) return;
  TListItem* row = PresetsListView->Selected();
  if (!IsSourceRow(row)) return;
  TMappingInactiveItem* entry = Mapping->FindItemBySource(SourcePathOfRow(row), row->ImageIndex(), row->OverlayIndex());
  if (!entry) {
    SetStatusText(std::string());
    return;
  }
  int bank = int(entry->TargetBank);
  std::string own = Mapping->GetBankName(bank);
  SetStatusText((bank == DrumKitBank ? std::string("drum bank") : "bank " + std::to_string(bank)) +
                (own != BankDisplayName(bank) ? " (" + own + ")" : std::string()) + " : program " +
                std::to_string(entry->TargetProgram));
}

// Both lists share one reaction to a release: the status text, then the preview.
void TMappingsForm::ListReleased(TListView* list) {
  if (!Mapping || Busy()) return;
  if (list == FilesListView) {
    ShowEntryStatus();
    if (TListItem* row = FirstSelectedEntryRow()) PreviewAttachedItem(EntryOfRow(row));
  } else {
    ShowSourceStatus();
    PreviewPresetInFile();
  }
}

void TMappingsForm::ListMouseDown(TListView* list, TMouseButton, int x, int y) {
  TListItem* row = list->GetItemAt(x, y);
  PressedHeaderRow = row && !row->Data() ? row : nullptr;
  FPressedHeaderList = PressedHeaderRow ? list : nullptr;
}

void TMappingsForm::ListMouseMove(TListView* list, TSet32 shift, int x, int y) {
  // Holding the left button on a header drags its group.
  if (!(shift & (1u << ssLeft)) || !PressedHeaderRow || FPressedHeaderList != list ||
      PressedHeaderRow->Caption().empty() || list->GetItemAt(x, y) != PressedHeaderRow || list->Dragging())
    return;
  list->BeginDrag(false);
}

void TMappingsForm::ListMouseUp(TListView* list, TMouseButton button, int x, int y) {
  TListItem* pressed = FPressedHeaderList == list ? PressedHeaderRow : nullptr;
  PressedHeaderRow = nullptr;
  FPressedHeaderList = nullptr;
  if (button == mbRight) {
    if (pressed && list->GetItemAt(x, y) == pressed && !pressed->Caption().empty()) SelectGroupUnderHeader(list);
    return;
  }
  ListReleased(list);
}

void TMappingsForm::ListKeyUp(TListView* list, WORD key) {
  if (key == VK_RETURN || key == VK_ESCAPE) return;
  ListReleased(list);
}

void TMappingsForm::ListKeyDown(TWinControl* control, WORD& key, TSet32 shift) {
  if (key != VK_RETURN || shift != 0 || !Mapping || Busy()) return;
  if (control == PresetsListView) GoToAttachment();
  else GoToSource();
  key = 0;
}

// Selects, focuses and shows one row, the rows with data selected before losing their selection.
void TMappingsForm::SelectOnly(TListView* list, TListItem* row) {
  TListItems& items = list->Items();
  for (TListItem* selected = list->GetNextItem(nullptr, LVNI_SELECTED); selected;
       selected = list->GetNextItem(selected, LVNI_SELECTED))
    if (selected->Data()) selected->SetSelected(false);
  (void)items;
  row->SetSelected(true);
  row->SetFocused(true);
  row->MakeVisible(false);
}

void TMappingsForm::GoToSource() {
  TListItem* entryRow = FirstSelectedEntryRow();
  TMappingInactiveItem* entry = EntryOfRow(entryRow);
  if (!entry) return;
  const std::string source = entry->IsWave() ? ExcludeTrailingBackslash(entry->SourceFileText()) : entry->GetSourceName();
  const std::string sourceName = entry->GetSourceName(), sourceFile = entry->SourceFileText();
  const uint32_t bank = entry->SourceBank, program = entry->SourceProgram;
  const bool wave = entry->IsWave();
  if (!AnsiSameText(ExcludeTrailingBackslash(SourcePath), source)) {
    SystemTreeView->SetSelection(source);
    // A source the tree cannot show (gone, say) leaves the old list: nothing there is this entry's.
    if (!AnsiSameText(ExcludeTrailingBackslash(SystemTreeView->Selection()), source)) return;
    if (!AnsiSameText(ExcludeTrailingBackslash(SourcePath), source)) RefreshPresetsPane();
  }
  TListItems& items = PresetsListView->Items();
  for (int i = items.Count() - 1; i >= 0; --i) {
    TListItem* row = items[i];
    if (!IsSourceRow(row)) continue;
    bool match = wave ? IsWaveRow(row) && sourceFile + row->Caption() == sourceName
                      : uint32_t(row->ImageIndex()) == bank && uint32_t(row->OverlayIndex()) == program;
    if (match) {
      SelectOnly(PresetsListView, row);
      return;
    }
  }
}

void TMappingsForm::GoToAttachment() {
  TListItem* source = nullptr;
  for (TListItem* row = PresetsListView->GetNextItem(nullptr, LVNI_SELECTED); row && !source;
       row = PresetsListView->GetNextItem(row, LVNI_SELECTED))
    if (IsSourceRow(row)) source = row;
  if (!source) return;
  const std::string path = SourcePathOfRow(source);
  const uint32_t bank = uint32_t(source->ImageIndex()), program = uint32_t(source->OverlayIndex());
  TListItems& items = FilesListView->Items();
  for (int i = items.Count() - 1; i >= 0; --i) {
    TMappingInactiveItem* entry = EntryOfRow(items[i]);
    if (entry && entry->SourceBank == bank && entry->SourceProgram == program && entry->GetSourceName() == path) {
      SelectOnly(FilesListView, items[i]);
      return;
    }
  }
}

// Header rows bold, bank headers and entries in their bank's colours, dividers not drawn.
void TMappingsForm::DrawListRow(TListView* list, TListItem* row, TCustomDrawInfo& info) {
  if (row->Caption().empty() && !row->Data()) {
    info.DefaultDraw = false;
    return;
  }
  if (!row->Data()) {
    info.Font.SetStyle(1u << fsBold);
    int bank = row->ImageIndex();
    if (list != FilesListView || bank < 0 || bank >= MappingBanks || !Mapping) return;
    if (EditorSettings.ColoredBankHeaders) {
      info.TextColor = BankFontColor(bank);
      if (EditorSettings.ColoredBackground) info.BackColor = BankBackColor(bank);
    }
    return;
  }
  if (list != FilesListView || !Mapping) return;
  const TMappingInactiveItem* entry = EntryOfRow(row);
  int bank = entry ? int(entry->TargetBank) : -1;
  if (bank < 0 || bank >= MappingBanks || !EditorSettings.ColoredBankItems) return;
  info.TextColor = BankFontColor(bank);
  if (EditorSettings.ColoredBackground) info.BackColor = BankBackColor(bank);
}

// A toggle flips its setting and its check mark and stores the setting at once.
void TMappingsForm::ToggleSetting(TAction* action, bool& setting, const char* valueName) {
  setting = !setting;
  action->SetChecked(setting);
  if (Settings) Settings->WriteBool(valueName, setting);
  if (action == ShowListDividersAction) RefreshLists();
  else FilesListView->Invalidate();
}

void TMappingsForm::SelectAllActionExecute() {
  TWinControl* focused = FocusedControl();
  TListView* list = focused == FilesListView ? FilesListView : focused == PresetsListView ? PresetsListView : nullptr;
  if (!list) return;
  list->Items().BeginUpdate();
  // The status text is set once, after the headers and dividers are left out.
  FSelectingAll = true;
  list->SelectAll();
  DeselectHeaderRows(list);
  FSelectingAll = false;
  list->Items().EndUpdate();
  ListSelectionChanged(list, nullptr, false);
}

bool TMappingsForm::PresetsHaveSourceRow() const {
  TListItems& items = PresetsListView->Items();
  for (int i = 0; i < items.Count(); ++i)
    if (IsSourceRow(items[i])) return true;
  return false;
}

bool TMappingsForm::FilesHaveEntry() const {
  TListItems& items = FilesListView->Items();
  return items.Count() > int(std::count_if(HeaderRows.begin(), HeaderRows.end(),
                                           [this](const auto& header) { return header.second == FilesListView; }));
}

bool TMappingsForm::SelectedSourceRow() {
  for (TListItem* row = PresetsListView->GetNextItem(nullptr, LVNI_SELECTED); row;
       row = PresetsListView->GetNextItem(row, LVNI_SELECTED))
    if (IsSourceRow(row)) return true;
  return false;
}

bool TMappingsForm::FilesSelectionOrHeader() {
  if (FocusedControl() != FilesListView) return false;
  return FirstSelectedEntryRow() || HeaderFocused(FilesListView);
}

void TMappingsForm::HookActionUpdates() {
  auto enable = [](TAction* action, std::function<bool()> rule) {
    action->OnUpdate = [action, rule](TObject*) { action->SetEnabled(rule()); };
  };
  enable(SaveMappingAction, [this] { return Mapping != nullptr && Modified; });
  for (TAction* action : {AttachAllFromFileAction, SetBankInFileAction})
    enable(action, [this] { return FocusedControl() == SystemTreeView && PresetsHaveSourceRow(); });
  enable(AttachSelectedAction, [this] { return FocusedControl() == PresetsListView && SelectedSourceRow(); });
  for (TAction* action : {DetachAction, SetProgramNumberAction, SetBankNumberAction, SetPresetNameAction,
                          PresetPropertiesAction})
    enable(action, [this] { return FilesSelectionOrHeader(); });
  for (TAction* action : {SetBankNameAction, SetBankColorAction, SetBankBackgroundAction})
    enable(action, [this] {
      return FocusedControl() == FilesListView &&
             (FirstSelectedEntryRow() || (HeaderFocused(FilesListView) && FilesMode() == fmByAssignment));
    });
  enable(CreateLogicAction, [this] {
    return FocusedControl() == FilesListView && (!HeaderFocused(FilesListView) || FilesMode() == fmByAssignment);
  });
  for (TAction* action : {SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction})
    enable(action, [this] {
      TWinControl* focused = FocusedControl();
      if (focused == FilesListView) return FirstSelectedEntryRow() != nullptr || HeaderFocused(FilesListView);
      return focused == PresetsListView && (SelectedSourceRow() || HeaderFocused(PresetsListView));
    });
  enable(SelectAllAction, [this] {
    TWinControl* focused = FocusedControl();
    return (focused == FilesListView && FilesHaveEntry()) || (focused == PresetsListView && PresetsHaveSourceRow());
  });
  SelectAllAction->OnExecute = [this](TObject*) { SelectAllActionExecute(); };
  ShowListDividersAction->OnExecute = [this](TObject*) {
    ToggleSetting(ShowListDividersAction, EditorSettings.ShowListDividers, "ShowListDividers");
  };
  ColoredBankHeadersAction->OnExecute = [this](TObject*) {
    ToggleSetting(ColoredBankHeadersAction, EditorSettings.ColoredBankHeaders, "ColoredBankHeaders");
  };
  ColoredBankItemsAction->OnExecute = [this](TObject*) {
    ToggleSetting(ColoredBankItemsAction, EditorSettings.ColoredBankItems, "ColoredBankItems");
  };
  ColoredBackgroundAction->OnExecute = [this](TObject*) {
    ToggleSetting(ColoredBackgroundAction, EditorSettings.ColoredBackground, "ColoredBackground");
  };
  for (TAction* toggle : {ShowListDividersAction, ColoredBankHeadersAction, ColoredBankItemsAction,
                          ColoredBackgroundAction})
    toggle->SetEnabled(true);
  HookListEvents();
  HookItemActions();
  HookPreviewActions();
}

void TMappingsForm::HookListEvents() {
  for (TListView* list : {FilesListView, PresetsListView}) {
    list->OnColumnClick = [this, list](TObject*, TListColumn*) { ColumnClicked(list); };
    list->OnSelectItem = [this, list](TObject*, TListItem* row, bool selected) {
      ListSelectionChanged(list, row, selected);
    };
    list->OnCustomDrawItem = [this, list](TObject*, TListItem* row, TCustomDrawInfo& info) {
      DrawListRow(list, row, info);
    };
    list->OnMouseDown = [this, list](TObject*, TMouseButton button, TSet32, int x, int y) {
      ListMouseDown(list, button, x, y);
    };
    list->OnMouseMove = [this, list](TObject*, TSet32 shift, int x, int y) { ListMouseMove(list, shift, x, y); };
    list->OnMouseUp = [this, list](TObject*, TMouseButton button, TSet32, int x, int y) {
      ListMouseUp(list, button, x, y);
    };
    list->OnKeyUp = [this, list](TObject*, WORD& key, TSet32) { ListKeyUp(list, key); };
    list->OnDblClick = [this, list](TObject*) {
      if (!Mapping || Busy()) return;
      if (list == PresetsListView) GoToAttachment();
      else GoToSource();
    };
  }
  // Enter goes from an entry to its source (from the tree too) and from a source to its entry. The window
  // hears it first: the dialog keys would take it from the lists.
  SetKeyPreview(true);
  OnKeyDown = [this](TObject*, WORD& key, TSet32 shift) {
    TWinControl* focused = FocusedControl();
    if (focused == FilesListView || focused == SystemTreeView || focused == PresetsListView)
      ListKeyDown(focused, key, shift);
  };
}
