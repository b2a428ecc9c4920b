// The manager's list: the stored mappings in priority order, their active flags, moves by buttons, keys and
// dragging, and the step that hands the changes to the server.
#include <algorithm>

#include "auto_export.h"
#include "registry_internal.h"
#include "stored_changes.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

namespace {

// A modifier held: the key carries the selected mapping along.
bool MovingKeys(TSet32 shift) { return (shift & ((1u << ssShift) | (1u << ssCtrl) | (1u << ssAlt))) != 0; }

struct TStoredRow {
  std::string SortKey;
  std::string Name;
  bool Active;
};

}  // namespace

void TMappingsManagerForm::ReloadMappings() {
  // A reload from outside while a command waits would pull the rows from under it: it comes after.
  if (Busy() && !FOwnReload) {
    FReloadPending = true;
    return;
  }
  TCommand command(this);
  // The selection stays on its mapping; when that is gone, on the row that took its place.
  const std::string selected = SelectedName();
  const int selectedRow = SelectedRow();
  std::vector<std::string> names;
  GetMappingNames(names);
  std::vector<TStoredRow> rows;
  for (size_t i = names.size(); i-- > 0;) {
    TRegKey key(StoredMappingPath(names[i]), true);
    int32_t priority = key.ReadInteger("Priority", 0);
    bool active = key.ReadBool("Active", true);
    // Compared as unsigned: a negative priority sorts above every positive one.
    rows.push_back({Format("%08X", static_cast<unsigned>(priority)), names[i], active});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const TStoredRow& a, const TStoredRow& b) { return a.SortKey < b.SortKey; });
  TStrings* items = CheckListBox1->Items();
  items->BeginUpdate();
  items->Clear();
  for (auto row = rows.rbegin(); row != rows.rend(); ++row)
    CheckListBox1->SetChecked(items->Add(row->Name), row->Active);
  items->EndUpdate();
  if (selectedRow >= 0 && !SelectMapping(selected)) SelectRow(std::min(selectedRow, items->Count() - 1));
  UpdatePriorities();
}

bool TMappingsManagerForm::SelectMapping(const std::string& name) {
  const int row = CheckListBox1->Items()->IndexOf(name);
  if (row < 0) return false;
  SelectRow(row);
  return true;
}

void TMappingsManagerForm::UpdatePriorities() {
  TStrings* items = CheckListBox1->Items();
  const int n = items->Count();
  std::string order;
  for (int i = n - 1; i >= 0; --i) {
    const std::string name = items->Strings(i);
    const int32_t priority = n - i;
    order += name + '\x01' + std::to_string(priority) + '\x01';
    // Not created: a mapping deleted meanwhile by another program must not come back as a bare key.
    TRegKey key(StoredMappingPath(name), false);
    int32_t old = key.ReadInteger("Priority", -2);
    key.WriteInteger("Priority", priority);
    if (old != priority) PendingChanges = true;
  }
  if (PendingChanges) ComboModified = true;
  if (ServerLink) ServerLink->SendString(order, WM_TB_MAPPING_ORDER);
  ApplyChanges();
}

void TMappingsManagerForm::RowCheckChanged(int row) {
  TStrings* items = CheckListBox1->Items();
  if (row < 0 || row >= items->Count()) return;
  SelectRow(row);
  const std::string name = items->Strings(row);
  const bool checked = CheckListBox1->Checked(row);
  {
    TRegKey key(StoredMappingPath(name), false);
    key.WriteBool("Active", checked);
  }
  if (ServerLink) ServerLink->SendString(name, checked ? WM_TB_MAPPING_ACTIVATE : WM_TB_MAPPING_DEACTIVATE);
  PendingChanges = true;
  ComboModified = true;
  ApplyChanges();
}

void TMappingsManagerForm::MappingActiveActionExecute() {
  int row = SelectedRow();
  if (row < 0 || row >= CheckListBox1->Items()->Count()) return;
  CheckListBox1->SetChecked(row, !CheckListBox1->Checked(row));
  RowCheckChanged(row);
}

void TMappingsManagerForm::SelectRow(int row) {
  if (CheckListBox1->ItemIndex() != row) CheckListBox1->SetItemIndex(row);
  if (CheckListBox1->HandleAllocated()) SendMessageA(CheckListBox1->Handle(), LB_SETCARETINDEX, row, 0);
}

void TMappingsManagerForm::MoveMapping(int from, int to) {
  TStrings* items = CheckListBox1->Items();
  const int n = items->Count();
  if (from < 0 || to < 0 || from == to || from >= n || to >= n) return;
  const bool checked = CheckListBox1->Checked(from);
  const std::string name = items->Strings(from);
  items->Delete(from);
  items->Insert(to, name);
  CheckListBox1->SetChecked(to, checked);
  SelectRow(to);
  UpdatePriorities();
}

void TMappingsManagerForm::MoveSelected(int step) {
  int row = SelectedRow();
  if (row < 0 || row + step < 0 || row + step >= CheckListBox1->Items()->Count()) return;
  MoveMapping(row, row + step);
}

void TMappingsManagerForm::ListMouseDown(TMouseButton button, int x, int y) {
  if (button == mbLeft) FPressPoint = POINT{x, y};
  // The pop-up menu is about the row under the pointer.
  if (button != mbRight || Busy()) return;
  int row = CheckListBox1->ItemAtPos(POINT{x, y});
  if (row >= 0) SelectRow(row);
}

void TMappingsManagerForm::ListStartDrag() {
  // The drag starts once the mouse has moved: the row carried is the pressed one, not the one now under it.
  int row = Busy() ? -1 : CheckListBox1->ItemAtPos(FPressPoint);
  if (row >= 0) SelectRow(row);
  DragIndex = row;
}

void TMappingsManagerForm::ListDragOver(TObject* source, int x, int y, bool& accept) {
  accept = false;
  if (source != CheckListBox1) return;
  int row = CheckListBox1->ItemAtPos(POINT{x, y});
  if (row >= 0) SelectRow(row);
  accept = !Busy() && DragIndex != -1 && DragIndex != SelectedRow();
}

void TMappingsManagerForm::ListKeyDown(TSet32 shift) { DragIndex = MovingKeys(shift) ? SelectedRow() : -1; }

void TMappingsManagerForm::ListKeyUp(TSet32 shift) {
  if (!MovingKeys(shift) || Busy()) return;
  int from = DragIndex;
  TCommand command(this);
  MoveMapping(from, SelectedRow());
}

void TMappingsManagerForm::ApplyChanges() {
  if (!ImmediateChangesAction->Checked() || !PendingChanges) return;
  RunAutomaticExports([this] { return BuildCurrentMapping(); });
  if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_APPLY);
  PendingChanges = false;
}

void TMappingsManagerForm::ImmediateChangesActionExecute() {
  const bool on = !ImmediateChangesAction->Checked();
  ImmediateChangesAction->SetChecked(on);
  if (Settings) Settings->WriteBool("ImmediateChanges", on);
  if (ServerLink) ServerLink->NotifyFlag(WM_TB_SET_IMMEDIATE_CHANGES, on);
  // Changes made while it was off are applied now.
  if (on) ApplyChanges();
}
