// The two lists' building and the enabling of the editor's commands. The lists keep the order in which their
// rows came and show no group headers yet; of the commands, saving, attaching and detaching follow the lists
// and the focus.
#include "tarnbel_mappings_form.h"

using namespace ui;

void TMappingsForm::RemoveHeaderRows(TListView* list) {
  for (auto it = HeaderRows.begin(); it != HeaderRows.end();) {
    if (it->second != list) {
      ++it;
      continue;
    }
    if (it->first == PressedHeaderRow) PressedHeaderRow = nullptr;
    it->first->Delete();
    it = HeaderRows.erase(it);
  }
}

void TMappingsForm::BuildAttachedList() { RemoveHeaderRows(FilesListView); }

void TMappingsForm::BuildPresetsList() { RemoveHeaderRows(PresetsListView); }

void TMappingsForm::RefreshLists() {
  FilesListView->Items().BeginUpdate();
  PresetsListView->Items().BeginUpdate();
  BuildAttachedList();
  BuildPresetsList();
  PresetsListView->Items().EndUpdate();
  FilesListView->Items().EndUpdate();
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

bool TMappingsForm::PresetsHaveSourceRow() const {
  TListItems& items = PresetsListView->Items();
  for (int i = 0; i < items.Count(); ++i)
    if (IsSourceRow(items[i])) return true;
  return false;
}

bool TMappingsForm::SelectedSourceRow() {
  for (TListItem* row = PresetsListView->GetNextItem(nullptr, LVNI_SELECTED); row;
       row = PresetsListView->GetNextItem(row, LVNI_SELECTED))
    if (IsSourceRow(row)) return true;
  return false;
}

bool TMappingsForm::FilesSelectionOrHeader() {
  if (FocusedControl() != FilesListView) return false;
  if (FirstSelectedEntryRow()) return true;
  TListItem* focused = FilesListView->ItemFocused();
  return focused && !focused->Data() && !focused->Caption().empty();
}

void TMappingsForm::HookActionUpdates() {
  SaveMappingAction->OnUpdate = [this](TObject*) { SaveMappingAction->SetEnabled(Mapping != nullptr && Modified); };
  AttachAllFromFileAction->OnUpdate = [this](TObject*) {
    AttachAllFromFileAction->SetEnabled(FocusedControl() == SystemTreeView && PresetsHaveSourceRow());
  };
  AttachSelectedAction->OnUpdate = [this](TObject*) {
    AttachSelectedAction->SetEnabled(FocusedControl() == PresetsListView && SelectedSourceRow());
  };
  DetachAction->OnUpdate = [this](TObject*) { DetachAction->SetEnabled(FilesSelectionOrHeader()); };
}
