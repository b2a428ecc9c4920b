// Combos: saved orders of the manager's list, with which mappings are active, kept one key each under
// Software\tarnbel\combos. Only the user's choice in the box and a deletion recall a combo; selecting one
// on creation or after the list of combos was filled again never does.
#include <algorithm>

#include "message_box.h"
#include "reg_array.h"
#include "registry_internal.h"
#include "stored_changes.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;

namespace {

const char ActiveMark = '\x01';
// The registry's calls take key paths of at most MAX_PATH characters; a combo's key is
// Software\tarnbel\combos\<name>.
constexpr size_t MaxComboNameLength = MAX_PATH - (sizeof("Software\\tarnbel\\combos\\") - 1);
static_assert(MaxComboNameLength == 236, "the name's room in the combo's key path");

struct TStoredMapping {
  std::string Name;
  bool Active;
  std::string SortKey;
};

// Every stored mapping with its active flag and its priority taken as 16 bits, in hexadecimal.
std::vector<TStoredMapping> StoredMappings() {
  std::vector<std::string> names;
  GetMappingNames(names);
  std::vector<TStoredMapping> stored;
  for (size_t i = names.size(); i-- > 0;) {
    TRegKey key(StoredMappingPath(names[i]), true);
    bool active = key.ReadBool("Active", true);
    uint16_t priority = static_cast<uint16_t>(key.ReadInteger("Priority", 0));
    stored.push_back({names[i], active, Format("%08X", unsigned(priority))});
  }
  return stored;
}

int IndexOfText(TStrings* items, const std::string& text) {
  for (int i = 0; i < items->Count(); ++i)
    if (AnsiSameText(items->Strings(i), text)) return i;
  return -1;
}

}  // namespace

void TMappingsManagerForm::FillComboList() {
  std::vector<std::string> names;
  GetComboNames(names);
  TStrings* items = ComboBox1->Items();
  items->BeginUpdate();
  items->Clear();
  for (const std::string& name : names) items->Add(name);
  items->EndUpdate();
}

void TMappingsManagerForm::SelectCombo(const std::string& name) {
  ComboBox1->SetItemIndex(name.empty() ? -1 : IndexOfText(ComboBox1->Items(), name));
}

void TMappingsManagerForm::UpdateCurrentComboName() {
  int index = ComboBox1->ItemIndex();
  CurrentComboName = index >= 0 ? ComboBox1->Items()->Strings(index) : std::string();
  if (Settings) Settings->WriteInteger("CurrentCombo", index);
}

bool TMappingsManagerForm::SaveCombo() {
  std::string name = CurrentComboName;
  if (!InputQuery("Save combo", "Enter name for combo", name) || name.empty()) return false;
  if (name.find('\\') != std::string::npos) {
    ShowMessageBox("Combo name cannot contain a \"\\\" character.", "tarnbel", MB_OK | MB_ICONINFORMATION, Handle());
    return false;
  }
  if (name.size() > MaxComboNameLength) {
    ShowMessageBox("Combo name cannot be longer than " + std::to_string(MaxComboNameLength) + " characters.",
                   "tarnbel", MB_OK | MB_ICONINFORMATION, Handle());
    return false;
  }
  std::vector<std::string> stored;
  GetComboNames(stored);
  bool exists = std::any_of(stored.begin(), stored.end(), [&](const std::string& s) { return AnsiSameText(s, name); });
  if (exists && ShowMessageBox("Combo \"" + name + "\" already exists. Do you want to replace it ?", "Confirmation",
                               MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, Handle()) != IDOK)
    return false;
  std::vector<std::string> items;
  for (int row = 0; row < CheckListBox1->Items()->Count(); ++row)
    items.push_back(CheckListBox1->Items()->Strings(row) + (CheckListBox1->Checked(row) ? "\x01" : ""));
  // A combo the registry refused is no saved combo: the box and the stored combos stay as they were.
  if (LONG error = SaveStoredCombo(name, items)) {
    ShowStoreFailure("Can't save combo \"" + name + "\"", error);
    return false;
  }
  FillComboList();
  SelectCombo(name);
  ComboModified = false;
  return true;
}

void TMappingsManagerForm::SaveComboActionExecute() {
  SaveCombo();
  UpdateCurrentComboName();
}

bool TMappingsManagerForm::QuerySaveCombo() {
  if (!CurrentComboName.empty() && !ComboModified) return true;
  int answer = ShowMessageBox("Current combo was changed. Do you want to save changes ?", "Confirmation",
                              MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3, Handle());
  if (answer == IDCANCEL) return false;
  if (answer != IDYES) return true;
  const int chosen = ComboBox1->ItemIndex();
  const std::string remembered = chosen >= 0 ? ComboBox1->Items()->Strings(chosen) : std::string();
  SelectCombo(CurrentComboName);
  bool saved = SaveCombo();
  SelectCombo(remembered);
  return saved;
}

void TMappingsManagerForm::LoadCombo() {
  if (ComboBox1->ItemIndex() < 0) {
    UpdateCurrentComboName();
    return;
  }
  if (!QuerySaveCombo()) {
    SelectCombo(CurrentComboName);
    return;
  }
  // The question may have saved a combo and filled the box again: the choice is read after it.
  const int chosen = ComboBox1->ItemIndex();
  if (chosen < 0) return;
  const std::string comboName = ComboBox1->Items()->Strings(chosen);
  std::vector<TStoredMapping> left = StoredMappings();
  std::vector<std::string> items;
  {
    TRegKey probe(StoredComboPath(comboName), false);
    // A combo gone meanwhile is not made again by reading it.
    if (probe.Opened()) {
      TRegArray combo(StoredComboPath(comboName), true);
      combo.SaveOnDestroy = false;
      items = combo.Items();
    }
  }
  TStrings* rows = CheckListBox1->Items();
  rows->BeginUpdate();
  rows->Clear();
  for (std::string item : items) {
    const bool active = !item.empty() && item.back() == ActiveMark;
    if (active) item.pop_back();
    auto found = std::find_if(left.begin(), left.end(),
                              [&](const TStoredMapping& m) { return AnsiSameText(m.Name, item); });
    // Mappings deleted or renamed since the combo was saved are skipped.
    if (found == left.end()) continue;
    left.erase(found);
    CheckListBox1->SetChecked(rows->Add(item), active);
    TRegKey key(StoredMappingPath(item), false);
    key.WriteBool("Active", active);
  }
  // The others below, by their stored priority, highest first.
  std::stable_sort(left.begin(), left.end(),
                   [](const TStoredMapping& a, const TStoredMapping& b) { return a.SortKey < b.SortKey; });
  for (auto m = left.rbegin(); m != left.rend(); ++m) CheckListBox1->SetChecked(rows->Add(m->Name), m->Active);
  rows->EndUpdate();

  UpdatePriorities();
  if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
  ComboBox1->SetItemIndex(chosen < ComboBox1->Items()->Count() ? chosen : -1);
  ComboModified = false;
  UpdateCurrentComboName();
}

void TMappingsManagerForm::DeleteCombo() {
  const int index = ComboBox1->ItemIndex();
  if (index < 0) return;
  const std::string name = ComboBox1->Items()->Strings(index);
  if (ShowMessageBox("Really want to delete combo \"" + name + "\" ?", "Confirmation",
                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, Handle()) != IDOK)
    return;
  if (LONG error = DeleteStoredCombo(name)) {
    ShowStoreFailure("Can't delete combo \"" + name + "\"", error);
    return;
  }
  ComboBox1->Items()->Delete(index);
  const int count = ComboBox1->Items()->Count();
  ComboBox1->SetItemIndex(index < count ? index : count - 1);
  ComboModified = false;
  // The neighbour is recalled without the save question: the deleted combo is still the current one.
  LoadCombo();
  UpdateCurrentComboName();
}
