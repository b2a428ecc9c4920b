// The editing commands on attached entries and on banks: program and bank numbers, names, the properties
// dialog, bank names (by hand or from the source files), bank colours, the mapping's default banks, and
// merging another stored mapping. An entry changes by being detached and attached again, so the conflict
// rules of one slot apply to every change.
#include <cstdlib>

#include "application.h"
#include "choose_mapping_form.h"
#include "message_box.h"
#include "progress_form.h"
#include "str_to_int.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_properties_form.h"
#include "text_compare.h"

using namespace ui;

namespace {

const size_t ShownNameLength = 30;

// A whole number, else -1.
int NumberOf(const std::string& text) {
  int32_t value = 0;
  return TryStrToInt(text, value) ? value : -1;
}

// The name the list shows for an entry: its preset name, cut.
std::string ShownName(const TMappingInactiveItem& entry) { return entry.GetPresetName().substr(0, ShownNameLength); }

bool IsColor(TColor color) { return color >= 0 && color <= 0xFFFFFF; }

// 0 to 0xFFFFFF from the seeded generator, whose own range is smaller.
TColor RandomColor() {
  unsigned value = (unsigned(rand()) << 16) ^ (unsigned(rand()) << 8) ^ unsigned(rand());
  return TColor(value & 0xFFFFFF);
}

// 1 for a red part of 129 or more, 2 for a green part above 0x80, 1 for a blue part above 0x80.
int Lightness(TColor color) {
  unsigned c = unsigned(color);
  return ((c & 0xFF) >= 129 ? 1 : 0) + (((c >> 8) & 0xFF) > 0x80 ? 2 : 0) + (((c >> 16) & 0xFF) > 0x80 ? 1 : 0);
}

TColor RandomColorOfKind(bool light) {
  for (;;) {
    TColor color = RandomColor();
    if ((Lightness(color) >= 2) == light) return color;
  }
}

void InformationBox(const std::string& text, HWND owner) {
  ShowMessageBox(text, "tarnbel", MB_OK | MB_ICONINFORMATION, owner);
}

}  // namespace

void TMappingsForm::HookItemActions() {
  SetProgramNumberAction->OnExecute = [this](TObject*) { RenumberSelected(true); };
  SetBankNumberAction->OnExecute = [this](TObject*) { RenumberSelected(false); };
  SetPresetNameAction->OnExecute = [this](TObject*) { SetPresetNameActionExecute(); };
  PresetPropertiesAction->OnExecute = [this](TObject*) { PresetPropertiesActionExecute(); };
  SetBankNameAction->OnExecute = [this](TObject*) { SetBankNameActionExecute(); };
  SetBankNamesByFileNamesAction->OnExecute = [this](TObject*) { SetBankNamesByFileNamesActionExecute(); };
  SetBankColorAction->OnExecute = [this](TObject*) { SetBankColorActionExecute(false); };
  SetBankBackgroundAction->OnExecute = [this](TObject*) { SetBankColorActionExecute(true); };
  SetDefaultMelodicBankAction->OnExecute = [this](TObject*) { SetDefaultBankActionExecute(false); };
  SetDefaultDrumSetAction->OnExecute = [this](TObject*) { SetDefaultBankActionExecute(true); };
  MergeMappingAction->OnExecute = [this](TObject*) { MergeMappingActionExecute(); };
  for (TAction* action : {SetBankNamesByFileNamesAction, SetDefaultMelodicBankAction, SetDefaultDrumSetAction,
                          MergeMappingAction})
    action->OnUpdate = [this, action](TObject*) { action->SetEnabled(Mapping != nullptr); };
}

bool TMappingsForm::ReattachEntry(TListItem* row, int targetBank, int targetProgram, const std::string& presetName) {
  const TMappingInactiveItem* entry = EntryOfRow(row);
  if (!entry) return false;
  // The entry's fields are copied before it goes; a slot that cannot take it keeps it where it is.
  const std::string sourceName = entry->GetSourceName();
  const int sourceBank = int(entry->SourceBank), sourceProgram = int(entry->SourceProgram);
  targetBank = MappingBankOf(targetBank);
  if (!ValidSlot(targetBank, targetProgram) || entry->SourceFileText().empty()) {
    row->SetSelected(false);
    return false;
  }
  RemoveAttachedItem(row->Index());
  AttachPresetAt(sourceName, sourceBank, presetName, targetProgram, targetBank, sourceProgram);
  return true;
}

void TMappingsForm::RenumberSelected(bool programs) {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  const int count = SelectedEntryCount();
  if (count == 0) return;
  std::string caption, prompt;
  const std::string shown = "\"" + ShownName(*EntryOfRow(FirstSelectedEntryRow())) + "\"";
  if (programs) {
    caption = count == 1 ? "Set preset program number" : "Set program number range";
    prompt = count == 1 ? "Enter program number for " + shown : "Enter first program number:";
  } else {
    caption = "Set bank number";
    prompt = count == 1 ? "Enter bank number for " + shown + " :" : "Enter bank number:";
  }
  std::string answer;
  if (!InputQuery(caption, prompt, answer)) return;
  int number = NumberOf(answer);
  if (programs && (number < 0 || number >= MappingPrograms)) {
    InformationBox("Program numbers may range only from 0 to 127.", Handle());
    return;
  }
  if (programs && number + count - 1 >= MappingPrograms) {
    InformationBox("Can't assign program numbers up to " + std::to_string(number + count - 1) +
                       ". Program numbers may range only from 0 to 127",
                   Handle());
    return;
  }
  if (!programs && (number < 0 || number > DrumKitBank)) {
    InformationBox("Bank numbers may range only from 0 to 128. Use 128 for drum bank or 0 - 127 for melodic banks.",
                   Handle());
    return;
  }
  {
    TBusyScope busy(*this);
    FilesListView->Items().BeginUpdate();
    BeginProgress(programs ? "Changing program numbers" : "Changing bank number", count);
    for (int done = 0; done < count; ++done) {
      TListItem* row = FirstSelectedEntryRow();
      if (!row) break;
      StepProgress();
      const TMappingInactiveItem* entry = EntryOfRow(row);
      const int bank = programs ? int(entry->TargetBank) : number;
      const int program = programs ? number++ : int(entry->TargetProgram);
      ReattachEntry(row, bank, program, entry->GetPresetName());
    }
    EndProgress();
    FilesListView->ClearSelection();
    RefreshLists();
    FilesListView->Items().EndUpdate();
  }
  Modified = true;
  RefreshPresetsPane();
}

void TMappingsForm::SetPresetNameActionExecute() {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  TBusyScope busy(*this);
  FilesListView->Items().BeginUpdate();
  PresetsListView->Items().BeginUpdate();
  // Each row once: a renamed row is replaced by an unselected one, a skipped row loses its selection.
  for (TListItem* row = FirstSelectedEntryRow(); row; row = FirstSelectedEntryRow()) {
    const TMappingInactiveItem* entry = EntryOfRow(row);
    const int bank = int(entry->TargetBank), program = int(entry->TargetProgram);
    std::string name = entry->GetPresetName();
    if (InputQuery("Set name", "Enter name for " + Mapping->GetBankName(bank) + " preset " + IntToStrZero(program, 3),
                   name)) {
      if (ReattachEntry(row, bank, program, name)) Modified = true;
    } else {
      row->SetSelected(false);
    }
  }
  RefreshLists();
  PresetsListView->Items().EndUpdate();
  FilesListView->Items().EndUpdate();
}

void TMappingsForm::PresetPropertiesActionExecute() {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  bool changed = false;
  {
    TBusyScope busy(*this);
    FilesListView->Items().BeginUpdate();
    PresetsListView->Items().BeginUpdate();
    for (TListItem* row = FirstSelectedEntryRow(); row; row = FirstSelectedEntryRow()) {
      const TMappingInactiveItem* entry = EntryOfRow(row);
      auto* dialog = new TPropertiesForm(this);
      dialog->SetValues(int(entry->TargetBank), int(entry->TargetProgram), entry->GetPresetName());
      bool ok = dialog->ShowModal() == mrOk && dialog->Changed;
      // The dialog's fields keep their ranges; what a typed value could bring past them has no slot.
      int bank = dialog->Bank(), program = dialog->Program();
      std::string name = dialog->PresetName();
      dialog->Free();
      if (ok && ReattachEntry(row, bank, program, name)) {
        changed = true;
      } else if (FirstSelectedEntryRow() == row) {
        row->SetSelected(false);
      }
    }
    RefreshLists();
    PresetsListView->Items().EndUpdate();
    FilesListView->Items().EndUpdate();
  }
  if (!changed) return;
  Modified = true;
  RefreshPresetsPane();
}

TListItem* TMappingsForm::BankCommandRow() {
  if (TListItem* row = FirstSelectedEntryRow()) return row;
  TListItem* focused = FilesListView->ItemFocused();
  if (!focused) return nullptr;
  if (focused->Data()) return focused;
  // The first entry under a focused header; none after the last row.
  TListItem* next = FilesListView->Items()[focused->Index() + 1];
  return next && next->Data() ? next : nullptr;
}

void TMappingsForm::SetBankNameActionExecute() {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  const TMappingInactiveItem* entry = EntryOfRow(BankCommandRow());
  if (!entry) return;
  const int bank = int(entry->TargetBank);
  std::string name = Mapping->GetBankName(bank);
  if (!InputQuery("Set bank name", "Enter name for bank " + std::to_string(bank), name)) return;
  Mapping->SetBankName(bank, name);
  BuildAttachedList();
}

void TMappingsForm::SetBankNamesByFileNamesActionExecute() {
  if (!Mapping || Busy()) return;
  {
    TBusyScope busy(*this);
    BeginProgress("Setting bank names...", 100);
    FProgress->SetProgress(100);
    for (int bank = 0; bank < MappingBanks; ++bank) {
      Application().ProcessMessages();
      const TMappingInactiveItem* entry = nullptr;
      for (int program = 0; program < MappingPrograms && !entry; ++program) entry = Mapping->Slot(bank, program);
      // A bank named by hand keeps its name.
      if (!entry || Mapping->GetBankName(bank) != BankDisplayName(bank)) continue;
      std::string name;
      if (entry->IsWave()) {
        std::string folder = ExcludeTrailingBackslash(entry->SourceFileText());
        name = folder.substr(folder.find_last_of("\\/:") + 1);
        if (name.empty()) name = folder;
      } else {
        std::string source = entry->GetSourceName();
        std::string file = source.substr(source.find_last_of("\\/:") + 1);
        name = file.size() > 4 ? file.substr(0, file.size() - 4) : std::string();
      }
      if (!name.empty()) Mapping->SetBankName(bank, name);
    }
    EndProgress();
  }
  Modified = true;
  if (FilesMode() == fmByAssignment) BuildAttachedList();
}

TColor TMappingsForm::ChooseBankColor(int bank, bool background) {
  auto& cache = background ? BankBackColors : BankFontColors;
  TColor& cached = cache[size_t(bank)];
  // A stored value that is no colour ("-5", "x", "16777216") is chosen anew.
  if (IsColor(cached)) return cached;
  if (background) cached = EditorSettings.ColoredBackground ? RandomColorOfKind(true) : TColor(0xE0E0E0);
  else cached = EditorSettings.ColoredBackground ? TColor(0) : RandomColorOfKind(false);
  // Kept with the mapping, stored when it is saved: showing a mapping changes nothing stored.
  if (background) Mapping->SetBankBackground(bank, std::to_string(cached), false);
  else Mapping->SetBankColor(bank, std::to_string(cached), false);
  return cached;
}

TColor TMappingsForm::BankFontColor(int bank) {
  if (!Mapping || bank < 0 || bank >= MappingBanks) return TColor(0);
  return ChooseBankColor(bank, false);
}

TColor TMappingsForm::BankBackColor(int bank) {
  if (!Mapping || bank < 0 || bank >= MappingBanks) return TColor(0xE0E0E0);
  return ChooseBankColor(bank, true);
}

void TMappingsForm::SetBankColorActionExecute(bool background) {
  if (!Mapping || Busy() || FocusedControl() != FilesListView) return;
  TListItem* focused = FilesListView->ItemFocused();
  if (!focused) return;
  int bank = -1;
  if (const TMappingInactiveItem* entry = EntryOfRow(focused)) bank = int(entry->TargetBank);
  else bank = focused->ImageIndex();
  if (bank < 0 || bank >= MappingBanks) return;
  ColorDialog1->SetColor(background ? BankBackColor(bank) : BankFontColor(bank));
  if (!ColorDialog1->Execute()) return;
  TColor color = TColor(ColorDialog1->Color() & 0xFFFFFF);
  (background ? BankBackColors : BankFontColors)[size_t(bank)] = color;
  if (background) Mapping->SetBankBackground(bank, std::to_string(color));
  else Mapping->SetBankColor(bank, std::to_string(color));
  FilesListView->Invalidate();
}

void TMappingsForm::SetDefaultBankActionExecute(bool drums) {
  if (!Mapping || Busy()) return;
  uint32_t& value = drums ? Mapping->DefaultDrumBank : Mapping->DefaultMelodicBank;
  std::string answer = std::to_string(value);
  if (!InputQuery(drums ? "Set default drum set number" : "Set default melodic bank number",
                  drums ? "Enter number from 0 to 127 :" : "Enter bank number from 0 to 127 :", answer))
    return;
  int number = NumberOf(answer);
  if (number < 0 || number >= MappingPrograms) {
    InformationBox(drums ? "Drum set numbers may range only from 0 to 127"
                         : "Melodic bank numbers may range only from 0 to 127",
                   Handle());
    return;
  }
  value = uint32_t(number);
  Modified = true;
}

void TMappingsForm::MergeMappingActionExecute() {
  if (!Mapping || Busy()) return;
  std::string name;
  {
    auto* dialog = new TChooseMappingForm(this);
    dialog->SetCaption("Choose mapping to merge presets from:");
    dialog->ComboBox1->SetStyle(csDropDownList);
    dialog->ComboBox1->SetItemIndex(dialog->ComboBox1->Items()->IndexOf("default"));
    bool ok = dialog->ShowModal() == mrOk;
    name = dialog->MappingName();
    dialog->Free();
    if (!ok || name.empty()) return;
  }
  // Mapping names are registry key names: a name in other case is the same mapping.
  if (AnsiSameText(name, MappingName)) {
    InformationBox("Currently edited mapping \"" + MappingName +
                       "\" can't be merged to itself. Choose another mapping in Editor and try again.",
                   Handle());
    return;
  }
  auto source = std::make_unique<TMapping>(name, false, nullptr, std::string());
  // Read only: nothing of the other mapping is written back when it is freed.
  source->SaveOnDestroy = false;
  for (TRegArray* list : {source->BankNames.get(), source->BankColors.get(), source->BankBackgrounds.get()})
    list->SaveOnDestroy = false;
  int count = int(source->Inactive.size());
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program) count += source->SlotFilled(bank, program);
  if (count > 0) Modified = true;
  {
    TBusyScope busy(*this);
    FilesListView->Items().BeginUpdate();
    PresetsListView->Items().BeginUpdate();
    BeginProgress("merging mapping...", count);
    auto merge = [this](const TMappingInactiveItem& entry) {
      StepProgress();
      AttachPresetAt(entry.GetSourceName(), int(entry.SourceBank), entry.GetPresetName(), int(entry.TargetProgram),
                     int(entry.TargetBank), int(entry.SourceProgram));
    };
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program)
        if (const TMappingInactiveItem* entry = source->Slot(bank, program)) merge(*entry);
    for (auto it = source->Inactive.rbegin(); it != source->Inactive.rend(); ++it) merge(**it);
    EndProgress();
    source.reset();
    RefreshLists();
    PresetsListView->Items().EndUpdate();
    FilesListView->Items().EndUpdate();
  }
  if (count > 0) RefreshPresetsPane();
}
