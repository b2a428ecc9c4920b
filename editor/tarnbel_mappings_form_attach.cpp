// How presets of a source come into the edited mapping and go out again: the target slot, the placement of
// wave files, the conflict rule of a taken slot (the new entry waits inactive, the holder is marked), the
// promotion of a waiting entry when its slot's holder goes, and drag and drop between the three panes.
#include <string>

#include "application.h"
#include "drag_drop.h"
#include "message_box.h"
#include "screen.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"

using namespace ui;

namespace {

TRowKind KindOf(const TMappingInactiveItem& entry) {
  if (entry.IsWave()) return rkWave;
  return entry.TargetBank == uint32_t(DrumKitBank) ? rkDrum : rkMelodic;
}

// The preset name in a source row's caption: after "bbb: ppp: ", "drum: ppp: ", or the whole wave file name.
std::string PresetNameOfCaption(const std::string& caption, bool wave, int bank) {
  size_t start = wave ? 0 : bank == DrumKitBank ? 11 : 10;
  return start < caption.size() ? caption.substr(start, 256) : std::string();
}

}  // namespace

// One row of the presets list as it was read, before anything changes the list.
struct TMappingsForm::TSourceRow {
  int Index = -1;
  bool Wave = false;
  int Bank = 0;
  int Program = 0;
  std::string Caption;
};

bool TMappingsForm::IsSourceRow(const TListItem* row) { return row && row->Data() != nullptr; }

bool TMappingsForm::IsWaveRow(const TListItem* row) { return row && row->Data() == &WaveRowMarker; }

TMappingsForm::TSourceRow TMappingsForm::ReadSourceRow(TListItem* row) const {
  TSourceRow source;
  source.Index = row->Index();
  source.Wave = IsWaveRow(row);
  source.Bank = row->ImageIndex();
  source.Program = row->OverlayIndex();
  source.Caption = row->Caption();
  return source;
}

std::vector<TMappingsForm::TSourceRow> TMappingsForm::ReadSourceRows(bool all) {
  std::vector<TSourceRow> rows;
  TListItems& items = PresetsListView->Items();
  for (int i = 0; i < items.Count(); ++i) {
    TListItem* row = items[i];
    if (IsSourceRow(row) && (all || row->Selected())) rows.push_back(ReadSourceRow(row));
  }
  return rows;
}

TMappingInactiveItem* TMappingsForm::EntryOfRow(TListItem* row) const {
  return row ? static_cast<TMappingInactiveItem*>(row->Data()) : nullptr;
}

TListItem* TMappingsForm::RowOfEntry(const TMappingInactiveItem* entry) const {
  auto it = FRowOfEntry.find(entry);
  return it == FRowOfEntry.end() ? nullptr : it->second;
}

void TMappingsForm::LinkRow(TListItem* row, TMappingInactiveItem* entry) {
  row->SetData(entry);
  FRowOfEntry[entry] = row;
}

void TMappingsForm::UnlinkRow(TListItem* row) {
  if (TMappingInactiveItem* entry = EntryOfRow(row)) FRowOfEntry.erase(entry);
  row->SetData(nullptr);
}

TListItem* TMappingsForm::AddEntryRow(TMappingInactiveItem* entry, TRowMark mark, const std::string& caption) {
  TListItem* row = FilesListView->Items().Add([&](TListItem* prepared) {
    prepared->SetCaption(caption);
    prepared->SetImageIndex(int(entry->TargetBank));
    prepared->SetStateIndex(RowIcon(KindOf(*entry), mark));
  });
  LinkRow(row, entry);
  return row;
}

// A taken slot: its holder's row shows that inactive entries wait for the slot.
bool TMappingsForm::MarkSlotHolder(int bank, int program) {
  TMappingInactiveItem* holder = Mapping->Slot(bank, program);
  if (!holder) return false;
  if (TListItem* row = RowOfEntry(holder))
    if (RowMarkOf(row->StateIndex()) == rmNone) row->SetStateIndex(row->StateIndex() + rmHolderOfInactive);
  return true;
}

// The first free program from the wave bank on; full banks pass to the next one only when that is wanted.
// When none is free, program 0 of the wave bank, which is then taken.
bool TMappingsForm::FindWaveSlot(int& bank, int& program) const {
  const int first = WaveBankInRange(EditorSettings.DefaultWaveBank);
  for (int b = first; b < DrumKitBank; ++b) {
    for (int p = 0; p < MappingPrograms; ++p)
      if (!Mapping->SlotFilled(b, p)) {
        bank = b;
        program = p;
        return true;
      }
    if (!EditorSettings.SwitchToNextWave) break;
  }
  bank = first;
  program = 0;
  return false;
}

void TMappingsForm::AttachPresetFromList(int row) {
  TListItems& items = PresetsListView->Items();
  if (!Mapping || row < 0 || row >= items.Count() || !IsSourceRow(items[row])) return;
  AttachSource(ReadSourceRow(items[row]));
}

void TMappingsForm::AttachSource(const TSourceRow& source) {
  int bank = source.Bank, program = source.Program;
  if (source.Wave) FindWaveSlot(bank, program);
  // A preset numbered beyond the table (bank above 128 in a file) has no slot to go to.
  if (!ValidSlot(bank, program)) {
    ++FSlotlessSkipped;
    return;
  }
  // The slot's state decides, not whether a row for its holder is found.
  const bool active = !Mapping->SlotFilled(bank, program);
  MarkSlotHolder(bank, program);
  std::string file, name;
  int sourceBank = source.Bank, sourceProgram = source.Program;
  if (source.Wave) {
    std::string folder = DirectoryOrDriveExists(SourcePath) ? SourcePath : ExtractFilePath(SourcePath);
    file = IncludeTrailingBackslash(folder);
    name = source.Caption + "|" + source.Caption;
    sourceBank = sourceProgram = int(WaveSourceBank);
  } else {
    file = SourcePath;
    name = PresetNameOfCaption(source.Caption, false, source.Bank);
  }
  TMappingInactiveItem* cell = Mapping->AddItem(file, bank, active, 0, name, sourceProgram, sourceBank, program);
  TMappingInactiveItem* entry = active ? Mapping->Slot(bank, program) : cell;
  if (!entry) {
    ++FSlotlessSkipped;
    return;
  }
  AddEntryRow(entry, active ? rmNone : rmInactive,
              source.Wave ? SlotCaption(bank, program) + source.Caption : source.Caption);
  // The source row shows it is attached now, when the list still holds it where it was read.
  TListItems& items = PresetsListView->Items();
  if (active && source.Index < items.Count()) {
    TListItem* row = items[source.Index];
    if (IsSourceRow(row) && row->Caption() == source.Caption && RowMarkOf(row->StateIndex()) == rmUnattached)
      row->SetStateIndex(row->StateIndex() - rmUnattached);
  }
}

void TMappingsForm::AttachPresetAt(const std::string& sourceName, int sourceBank, const std::string& presetName,
                                   int targetProgram, int targetBank, int sourceProgram) {
  targetBank = MappingBankOf(targetBank);
  if (!Mapping || !ValidSlot(targetBank, targetProgram)) return;
  const bool active = !Mapping->SlotFilled(targetBank, targetProgram);
  MarkSlotHolder(targetBank, targetProgram);
  std::string file = sourceName, name = presetName;
  if (sourceBank == int(WaveSourceBank)) {
    file = IncludeTrailingBackslash(ExtractFilePath(sourceName));
    name = sourceName.substr(file.size()) + "|" + presetName;
  }
  TMappingInactiveItem* cell =
      Mapping->AddItem(file, targetBank, active, 0, name, sourceProgram, sourceBank, targetProgram);
  TMappingInactiveItem* entry = active ? Mapping->Slot(targetBank, targetProgram) : cell;
  if (entry) AddEntryRow(entry, active ? rmNone : rmInactive, SlotCaption(targetBank, targetProgram) + presetName);
}

void TMappingsForm::RemoveAttachedItem(int index) {
  TListItems& items = FilesListView->Items();
  if (!Mapping || index < 0 || index >= items.Count()) return;
  TListItem* row = items[index];
  if (TMappingInactiveItem* entry = EntryOfRow(row)) {
    const int bank = int(entry->TargetBank), program = int(entry->TargetProgram);
    if (RowMarkOf(row->StateIndex()) != rmInactive) {
      UnlinkRow(row);
      if (Mapping->Slot(bank, program) == entry) {
        Mapping->RemoveItem(bank, program);
        PromoteInactive(bank, program);
      }
    } else {
      int cell = Mapping->IndexOfInactive(entry);
      UnlinkRow(row);
      if (cell >= 0) Mapping->RemoveInactiveItem(cell);
      if (Mapping->FindInactive(uint32_t(bank), uint32_t(program)) < 0) ClearHolderMark(bank, program, row);
    }
  }
  row->Delete();
}

// The inactive entry of the slot added last becomes its holder; its row follows it.
void TMappingsForm::PromoteInactive(int bank, int program) {
  int index = Mapping->FindInactive(uint32_t(bank), uint32_t(program));
  if (index < 0) return;
  TMappingInactiveItem* waiting = Mapping->Inactive[size_t(index)].get();
  TListItem* row = RowOfEntry(waiting);
  const std::string file = waiting->SourceFileText(), name = waiting->Name;
  const int sourceBank = int(waiting->SourceBank), sourceProgram = int(waiting->SourceProgram);
  if (row) UnlinkRow(row);
  Mapping->AddItem(file, bank, true, 0, name, sourceProgram, sourceBank, program);
  Mapping->RemoveInactiveItem(index);
  TMappingInactiveItem* holder = Mapping->Slot(bank, program);
  if (!row || !holder) return;
  LinkRow(row, holder);
  bool stillWaiting = Mapping->FindInactive(uint32_t(bank), uint32_t(program)) >= 0;
  row->SetStateIndex(RowIcon(KindOf(*holder), stillWaiting ? rmHolderOfInactive : rmNone));
}

void TMappingsForm::ClearHolderMark(int bank, int program, TListItem* except) {
  TListItem* row = RowOfEntry(Mapping->Slot(bank, program));
  if (row && row != except && RowMarkOf(row->StateIndex()) == rmHolderOfInactive)
    row->SetStateIndex(row->StateIndex() - rmHolderOfInactive);
}

TListItem* TMappingsForm::FirstSelectedEntryRow() {
  for (TListItem* row = FilesListView->GetNextItem(nullptr, LVNI_SELECTED); row;
       row = FilesListView->GetNextItem(row, LVNI_SELECTED))
    if (EntryOfRow(row)) return row;
  return nullptr;
}

int TMappingsForm::SelectedEntryCount() {
  int count = 0;
  for (TListItem* row = FilesListView->GetNextItem(nullptr, LVNI_SELECTED); row;
       row = FilesListView->GetNextItem(row, LVNI_SELECTED))
    count += EntryOfRow(row) != nullptr;
  return count;
}

void TMappingsForm::AttachSelected() {
  if (!Mapping || Busy()) return;
  TWinControl* focused = FocusedControl();
  // The tree attaches everything its selection holds; the presets list its selected rows.
  std::vector<TSourceRow> rows;
  if (focused == SystemTreeView) rows = ReadSourceRows(true);
  else if (focused == PresetsListView) rows = ReadSourceRows(false);
  const bool source = FileExistsNotDir(SourcePath) || DirectoryOrDriveExists(SourcePath);
  FSlotlessSkipped = 0;
  {
    TBusyScope busy(*this);
    FilesListView->Items().BeginUpdate();
    PresetsListView->Items().BeginUpdate();
    if (source) {
      BeginProgress("Adding presets", int(rows.size()));
      for (const TSourceRow& row : rows) {
        StepProgress();
        AttachSource(row);
      }
      EndProgress();
      PresetsListView->ClearSelection();
    }
    BuildAttachedList();
    BuildPresetsList();
    PresetsListView->Items().EndUpdate();
    FilesListView->Items().EndUpdate();
  }
  if (!source) return;
  RefreshPresetsPane();
  Modified = true;
  if (FSlotlessSkipped > 0)
    SetStatusText("Not attached: " + std::to_string(FSlotlessSkipped) +
                  (FSlotlessSkipped == 1 ? " preset has" : " presets have") + " no slot (banks 0-128, programs 0-127)");
}

void TMappingsForm::DetachSelected() {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  const int count = SelectedEntryCount();
  if (count == 0) return;
  if (EditorSettings.DetachConfirmation &&
      ShowMessageBox("Really detach " + std::to_string(count) + (count == 1 ? " preset ?" : " presets ?"),
                     "Confirmation", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, Handle()) != IDOK)
    return;
  {
    TBusyScope busy(*this);
    FilesListView->Items().BeginUpdate();
    BeginProgress("Detaching presets", count);
    // Each selected entry once: a promoted row keeps its selection and is taken in its turn.
    for (int done = 0; done < count; ++done) {
      TListItem* row = FirstSelectedEntryRow();
      if (!row) break;
      RemoveAttachedItem(row->Index());
      StepProgress();
    }
    EndProgress();
    FilesListView->ClearSelection();
    FilesListView->Items().EndUpdate();
  }
  RefreshLists();
  RefreshPresetsPane();
  Modified = true;
}

void TMappingsForm::FilesListKeyDown(WORD& key) {
  if (key == VK_DELETE) DetachSelected();
}

void TMappingsForm::TreeMouseDown(int x, int y) { FPressedNode = SystemTreeView->GetNodeAt(x, y); }

void TMappingsForm::HookDragEvents() {
  for (TControl* control : std::vector<TControl*>{this, SystemTreeView, PresetsListView, FilesListView}) {
    // Nobody takes the drop: the platform shows its no-drop cursor, whose image the drag changes.
    control->OnDragOver = [this](TObject* sender, TObject* source, int, int, TDragState state, bool& accept) {
      accept = false;
      DragOverControl(sender, source, state);
    };
  }
  for (TControl* control : std::vector<TControl*>{SystemTreeView, PresetsListView, FilesListView}) {
    control->OnStartDrag = [this](TObject* sender) { StartDrag(sender); };
    control->OnEndDrag = [this](TObject* sender, TObject*, int, int) { EndDrag(sender); };
  }
  SystemTreeView->OnMouseDown = [this](TObject*, TMouseButton button, TSet32, int x, int y) {
    if (button == mbLeft) TreeMouseDown(x, y);
  };
  SystemTreeView->OnDeletion = [this](TObject*, TTreeNode* node) {
    if (node == FPressedNode) FPressedNode = nullptr;
  };
  for (TWinControl* control : std::vector<TWinControl*>{FilesListView, SystemTreeView})
    control->OnKeyDown = [this](TObject*, WORD& key, TSet32) { FilesListKeyDown(key); };
}

void TMappingsForm::StartDrag(TObject* sender) {
  DragTarget = nullptr;
  FDragCursor = 0;
  if (sender == FilesListView) {
    int count = SelectedEntryCount();
    if (count > 1) FDragCursor = crDragAttachedMany;
    else if (count == 1) FDragCursor = crDragAttachedOne;
    else if (SelectGroupUnderHeader(FilesListView) > 0) FDragCursor = crDragAttachedMany;
  } else if (sender == PresetsListView) {
    int count = int(ReadSourceRows(false).size());
    if (count == 0) SelectGroupUnderHeader(PresetsListView);
    FDragCursor = count == 1 ? crDragSourceOne : crDragSourceMany;
  } else if (sender == SystemTreeView) {
    // The drag takes the node it began on, also when the press did not select or focus it.
    if (FPressedNode && FPressedNode != SystemTreeView->Selected()) SystemTreeView->SetSelected(FPressedNode);
    SystemTreeView->SetFocus();
    FDragCursor = crDragSourceMany;
  }
}

bool TMappingsForm::AttachCase(TObject* source, TObject* target) {
  return target == FilesListView &&
         (source == PresetsListView || (source == SystemTreeView && PresetsHaveSourceRow()));
}

bool TMappingsForm::DetachCase(TObject* source, TObject* target) {
  return source == FilesListView && target != FilesListView &&
         (target == this || target == SystemTreeView || target == PresetsListView);
}

void TMappingsForm::DragOverControl(TObject* sender, TObject* source, TDragState state) {
  if (state == dsDragMove) return;
  bool entering = state == dsDragEnter;
  if (entering) DragTarget = dynamic_cast<TControl*>(sender);
  if (source == SystemTreeView) SystemTreeView->SetHideSelection(!entering);
  if (AttachCase(source, sender) || DetachCase(source, sender)) SetNoDropImage(entering ? FDragCursor : crSavedNoDrop);
}

// The platform's no-drop cursor takes the image of a cursor slot (a copy: the screen owns and frees its cursors).
void TMappingsForm::SetNoDropImage(TCursor slot) {
  if (slot == 0) return;
  HCURSOR image = CopyCursor(Screen().Cursors(slot));
  if (!image) return;
  // Shown before the old image is freed, which may be the one on the screen.
  if (DragSource()) ::SetCursor(image);
  Screen().SetCursors(crNoDrop, image);
}

void TMappingsForm::EndDrag(TObject* sender) {
  TControl* target = DragTarget;
  DragTarget = nullptr;
  SetNoDropImage(crSavedNoDrop);
  FDragCursor = 0;
  FPressedNode = nullptr;
  // Escape or a lost capture cancels: only a release acts.
  if (!DragEndedByDrop() || !target) return;
  if (AttachCase(sender, target)) AttachSelected();
  else if (DetachCase(sender, target)) DetachSelected();
}
