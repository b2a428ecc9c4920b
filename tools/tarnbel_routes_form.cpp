#include "tarnbel_routes_form.h"

#include <memory>
#include <vector>

#include "message_box.h"
#include "route_record.h"
#include "tarnbel_add_route_form.h"
#include "tarnbel_share_memory_form.h"

using namespace ui;

UI_CLASSINFO(TRoutesForm)

TRegArray* RoutesArray = nullptr;

namespace {

const char* const ColumnCaptions[] = {"*", "MIDI Input device", "MIDI Output device", "SoundFont device"};

// A dialog freed when the scope ends, also by an exception.
template <class T>
struct TOwnedDialog {
  T* Form;
  explicit TOwnedDialog(TComponent* owner) : Form(new T(owner)) {}
  ~TOwnedDialog() { Form->Free(); }
  TOwnedDialog(const TOwnedDialog&) = delete;
  TOwnedDialog& operator=(const TOwnedDialog&) = delete;
  T* operator->() const { return Form; }
};

// The chosen text, or the old name when the list has no selection (the name is gone).
std::string ChosenName(TComboBox* list, const std::string& old) {
  return list->ItemIndex() >= 0 ? list->Text() : old;
}

}  // namespace

TRoutesForm::TRoutesForm(TComponent* owner) : TForm(owner) {
  SetName("RoutesForm");
  SetCaption("tarnbel routes");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 560, 260);
  delete RoutesArray;
  RoutesArray = new TRegArray(RoutesPath, true);
  // Only Save writes.
  RoutesArray->SaveOnDestroy = false;

  RoutesListView = new TListView(this);
  RoutesListView->SetName("RoutesListView");
  RoutesListView->SetParent(this);
  RoutesListView->SetBounds(8, 8, 440, 210);
  RoutesListView->SetViewStyle(vsReport);
  RoutesListView->SetCheckboxes(true);
  RoutesListView->SetRowSelect(true);
  RoutesListView->SetReadOnly(true);
  for (const char* caption : ColumnCaptions) {
    TListColumn* column = RoutesListView->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(caption == ColumnCaptions[0] ? 20 : 135);
  }
  RoutesListView->OnDblClick = [this](TObject*) { EditRoute(); };

  AddButton = MakeButton("AddButton", "Add...", 8);
  EditButton = MakeButton("EditButton", "Edit...", 40);
  RemoveButton = MakeButton("RemoveButton", "Remove", 72);
  MemoryButton = MakeButton("MemoryButton", "Memory...", 120);
  CloseButton = MakeButton("CloseButton", "Close", 193);
  CloseButton->SetCancel(true);
  CloseButton->SetModalResult(mrCancel);
  AddButton->OnClick = [this](TObject*) { AddRoute(); };
  EditButton->OnClick = [this](TObject*) { EditRoute(); };
  RemoveButton->OnClick = [this](TObject*) { RemoveRoute(); };
  MemoryButton->OnClick = [this](TObject*) { EditSharedMemory(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TRoutesForm::Destroying() {
  delete RoutesArray;
  RoutesArray = nullptr;
  TForm::Destroying();
}

TButton* TRoutesForm::MakeButton(const char* name, const char* caption, int top) {
  auto* button = new TButton(this);
  button->SetName(name);
  button->SetParent(this);
  button->SetCaption(caption);
  button->SetBounds(460, top, 80, 25);
  return button;
}

void TRoutesForm::ShowRoute(TListItem* item, const std::string& route) {
  item->SetCaption("");
  item->ClearSubItems();
  RouteRecord record;
  if (ParseRouteRecord(route, record)) {
    item->AddSubItem(StoredRouteName(record.Input));
    item->AddSubItem(StoredRouteName(record.Output));
    item->AddSubItem(StoredRouteName(record.Device));
    item->SetChecked(record.IsActive());
    return;
  }
  // A damaged route shows what it has and stays as it is.
  for (const std::string& field : RouteFields(route)) item->AddSubItem(field);
  item->SetChecked(false);
}

void TRoutesForm::LoadList() {
  TListItems& rows = RoutesListView->Items();
  rows.BeginUpdate();
  rows.Clear();
  for (const std::string& route : RoutesArray->Items()) ShowRoute(rows.Add(), route);
  rows.EndUpdate();
}

void TRoutesForm::Save() {
  TListItems& rows = RoutesListView->Items();
  for (int i = 0; i < RoutesArray->Count() && i < rows.Count(); ++i)
    RoutesArray->SetItem(i, RouteWithState(RoutesArray->GetItem(i), rows[i]->Checked()));
  RoutesArray->Save();
}

void TRoutesForm::AddRoute() {
  TOwnedDialog<TAddRouteForm> dialog(this);
  dialog->FillDeviceLists();
  if (dialog->ShowModal() != mrOk) return;
  RouteRecord record{dialog->MIDIInComboBox->Text(), dialog->MIDIOutComboBox->Text(),
                     dialog->SFDeviceComboBox->Text(), RouteActive};
  std::string route = RouteRecordToString(record);
  RoutesArray->Add(route, true);
  TListItems& rows = RoutesListView->Items();
  std::vector<bool> checks;
  for (int i = 0; i < rows.Count(); ++i) checks.push_back(rows[i]->Checked());
  TListItem* item = rows.Add();
  for (int i = 0; i < int(checks.size()); ++i) rows[i]->SetChecked(checks[size_t(i)]);
  ShowRoute(item, route);
  item->SetChecked(true);
}

void TRoutesForm::EditRoute() {
  TListItem* item = RoutesListView->Selected();
  if (!item || item->Index() >= RoutesArray->Count()) return;
  int index = item->Index();
  TOwnedDialog<TAddRouteForm> dialog(this);
  dialog->FillDeviceLists();
  TComboBox* lists[] = {dialog->MIDIInComboBox, dialog->MIDIOutComboBox, dialog->SFDeviceComboBox};
  for (int column = 0; column < 3; ++column) TAddRouteForm::SelectName(lists[column], item->SubItem(column));
  dialog->UpdateOK();
  if (dialog->ShowModal() != mrOk) return;
  RouteRecord record{ChosenName(lists[0], item->SubItem(0)), ChosenName(lists[1], item->SubItem(1)),
                     ChosenName(lists[2], item->SubItem(2)), item->Checked() ? RouteActive : RoutePassive};
  std::string route = RouteRecordToString(record);
  RoutesArray->SetItem(index, route);
  ShowRoute(item, route);
}

void TRoutesForm::RemoveRoute() {
  TListItem* item = RoutesListView->Selected();
  if (!item) return;
  RoutesArray->Delete(item->Index());
  item->Delete();
}

void TRoutesForm::EditSharedMemory() {
  TOwnedDialog<TShareMemoryForm> dialog(this);
  dialog->FillList();
  dialog->ShowModal();
}

std::string TRoutesForm::FindClash() {
  TListItems& rows = RoutesListView->Items();
  for (int i = rows.Count() - 1; i > 0; --i) {
    if (!rows[i]->Checked()) continue;
    for (int j = 0; j < i; ++j) {
      if (!rows[j]->Checked()) continue;
      for (int column = 0; column < 2; ++column) {
        const std::string& name = rows[i]->SubItem(column);
        if (name != RouteNone && name == rows[j]->SubItem(column))
          return std::string(ColumnCaptions[column + 1]) + " \"" + name +
                 "\" can not be used more than in one route. Uncheck one of the appropriate routes";
      }
    }
  }
  return "";
}

void TRoutesForm::FormCloseQuery(bool& canClose) {
  std::string clash = FindClash();
  if (clash.empty()) return;
  ShowMessageBox(clash, "tarnbel", MB_OK | MB_ICONWARNING, Handle());
  canClose = false;
}
