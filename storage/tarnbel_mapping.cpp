#include "tarnbel_mapping.h"

#include "reg_tree.h"
#include "registry_internal.h"
#include "str_to_int.h"
#include "string_list.h"
#include "tarnbel_func.h"
#include "text_compare.h"

std::string TMappingInactiveItem::GetSourceName() const {
  if (!IsWave()) return SourceFileText();
  size_t bar = Name.find('|');
  return SourceFileText() + (bar == std::string::npos ? std::string() : Name.substr(0, bar));
}

std::string TMappingInactiveItem::GetPresetName() const {
  if (!IsWave()) return Name;
  size_t bar = Name.find('|');
  return bar == std::string::npos ? Name : Name.substr(bar + 1);
}

std::string TMappingInactiveItem::EntryString(bool inactive) const {
  return MakeEntryString(static_cast<int>(SourceBank), static_cast<int>(SourceProgram), static_cast<int>(TargetBank),
                         static_cast<int>(TargetProgram), Name, inactive);
}

std::string MakeEntryString(int sourceBank, int sourceProgram, int targetBank, int targetProgram,
                            const std::string& name, bool inactive) {
  return IntToStrZero(MappingBankOf(sourceBank), 3) + ": " + IntToStrZero(sourceProgram, 3) + ": " +
         IntToStrZero(MappingBankOf(targetBank), 3) + ": " + IntToStrZero(targetProgram, 3) + ":" +
         (inactive ? "*" : " ") + name;
}

namespace {
// Characters first..first+count-1 (counted from 1) as a number, 0 when they are not one.
int NumberAt(const std::string& s, size_t first, size_t count) {
  if (s.size() < first) return 0;
  return StrToIntDef(s.substr(first - 1, count), 0);
}

// A stored line is an entry when its four numbers are there; any other line is kept in the Store as it is
// but is no entry: it fills no slot and is never rewritten.
bool IsEntryString(const std::string& s) {
  if (s.size() < 19) return false;
  int32_t number;
  for (size_t first : {1, 6, 11, 16})
    if (!TryStrToInt(s.substr(first - 1, 3), number)) return false;
  return true;
}
}  // namespace

TMapping::TMapping(const std::string& name, bool temporary, const std::vector<std::string>* lines,
                   const std::string& fileName)
    : Name(name), Temporary(temporary), SaveOnDestroy(!temporary) {
  if (temporary) {
    std::string path = BasePath + "\\BSSM";
    BankNames = std::make_unique<TRegArray>(path, false);
    BankColors = std::make_unique<TRegArray>(path, false);
    BankBackgrounds = std::make_unique<TRegArray>(path, false);
    Store = std::make_unique<TRegArray2D>(path, false);
    // The bank lists start empty; they must not pick up whatever lies under the shared key.
    BankNames->Clear();
    BankColors->Clear();
    BankBackgrounds->Clear();
    Active = true;
  } else {
    // Everything below the mapping's key goes through the key opened here: one deleted meanwhile is not made
    // again by a later save.
    Store = std::make_unique<TRegArray2D>(BasePath + "\\mappings\\" + name, true);
    TRegKey& key = Store->Key();
    BankNames = std::make_unique<TRegArray>(key, "BankNames", true);
    BankColors = std::make_unique<TRegArray>(key, "BankColors", true);
    BankBackgrounds = std::make_unique<TRegArray>(key, "BankBackgrounds", true);
    DefaultDrumBank = static_cast<uint32_t>(key.ReadInteger("DefaultDrumBank", 0));
    DefaultMelodicBank = static_cast<uint32_t>(key.ReadInteger("DefaultMelodicBank", 0));
    Random = key.ReadBool("Random", true);
    Active = key.ReadBool("Active", true);
    Priority = key.ReadInteger("Priority", 0);
  }

  std::vector<std::string> fileLines;
  const std::vector<std::string>* text = lines;
  if (!fileName.empty()) {
    text = nullptr;
    if (FileExistsNotDir(fileName) && LoadStringsFromFile(fileName, fileLines)) text = &fileLines;
  }
  if (text) ImportText(*text);
  BuildFromStore();
}

TMapping::~TMapping() {
  if (SaveOnDestroy) SaveSettings();
  // The bank lists are stored with the entries or not at all: a mapping freed unsaved stores nothing.
  BankNames->SaveOnDestroy = false;
  BankColors->SaveOnDestroy = false;
  BankBackgrounds->SaveOnDestroy = false;
  Store->SaveOnDestroy = false;
}

void TMapping::BuildFromStore() {
  for (auto& bank : *FSlots)
    for (auto& slot : bank) slot.reset();
  Inactive.clear();
  for (int k = Store->KeyCount() - 1; k >= 0; --k) {
    std::string file = Store->GetKeyName(k);
    for (int v = Store->ValueCount(k) - 1; v >= 0; --v) {
      std::string entry = Store->GetValue(k, v);
      if (!IsEntryString(entry)) continue;
      int targetBank = NumberAt(entry, 11, 3);
      int targetProgram = NumberAt(entry, 16, 3);
      // No slot for it: it stays in the Store only, so saving keeps it unchanged.
      if (!ValidSlot(targetBank, targetProgram)) continue;
      auto item = std::make_unique<TMappingInactiveItem>();
      item->SourceBank = static_cast<uint32_t>(NumberAt(entry, 1, 3));
      item->SourceProgram = static_cast<uint32_t>(NumberAt(entry, 6, 3));
      item->TargetBank = static_cast<uint32_t>(targetBank);
      item->TargetProgram = static_cast<uint32_t>(targetProgram);
      item->Name = entry.size() > 20 ? entry.substr(20) : std::string();
      item->Stored = entry;
      item->SourceFile = InternFile(file);
      if (entry.size() >= 20 && entry[19] == '*')
        Inactive.push_back(std::move(item));
      else
        (*FSlots)[targetBank][targetProgram] = std::move(item);
    }
  }
}

TMappingInactiveItem* TMapping::Slot(int bank, int program) const {
  bank = MappingBankOf(bank);
  return ValidSlot(bank, program) ? (*FSlots)[bank][program].get() : nullptr;
}

TMappingInactiveItem* TMapping::AddItem(const std::string& file, int targetBank, bool active, uint32_t tag,
                                        const std::string& name, int sourceProgram, int sourceBank,
                                        int targetProgram) {
  targetBank = MappingBankOf(targetBank);
  sourceBank = MappingBankOf(sourceBank);
  // The entry string has three digits per number, and a key needs a name.
  if (!ValidSlot(targetBank, targetProgram) || file.empty() || sourceBank < 0 || sourceBank > 999 ||
      sourceProgram < 0 || sourceProgram > 999)
    return nullptr;
  if (active && (*FSlots)[targetBank][targetProgram]) RemoveItem(targetBank, targetProgram);
  int keyIndex, valueIndex;
  auto item = std::make_unique<TMappingInactiveItem>();
  item->Stored = MakeEntryString(sourceBank, sourceProgram, targetBank, targetProgram, name, !active);
  Store->AddKeyValue(file, item->Stored, keyIndex, valueIndex);
  item->SourceFile = InternFile(file);
  item->SourceBank = static_cast<uint32_t>(sourceBank);
  item->SourceProgram = static_cast<uint32_t>(sourceProgram);
  item->TargetBank = static_cast<uint32_t>(targetBank);
  item->TargetProgram = static_cast<uint32_t>(targetProgram);
  item->Name = name;
  item->Tag = tag;
  if (active) {
    (*FSlots)[targetBank][targetProgram] = std::move(item);
    return nullptr;
  }
  Inactive.push_back(std::move(item));
  return Inactive.back().get();
}

bool TMapping::FileCellInUse(const std::string* cell, const TMappingInactiveItem* except) const {
  for (const auto& bank : *FSlots)
    for (const auto& slot : bank)
      if (slot && slot.get() != except && slot->SourceFile == cell) return true;
  for (const auto& item : Inactive)
    if (item.get() != except && item->SourceFile == cell) return true;
  return false;
}

void TMapping::ForgetEntry(const TMappingInactiveItem& item) {
  std::string file = item.SourceFileText();
  const int key = Store->IndexOfKey(file, true);
  int value = -1;
  for (int v = 0; v < Store->ValueCount(key) && value < 0; ++v)
    if (Store->GetValue(key, v) == item.Stored) value = v;
  Store->DeleteValueAt(key, value);
  if (Store->ValueCount(key) == 0) Store->DeleteKeyAt(key);
  if (item.SourceFile && !FileCellInUse(item.SourceFile, &item)) ReleaseFile(file);
}

void TMapping::RemoveItem(int targetBank, int targetProgram) {
  TMappingInactiveItem* item = Slot(targetBank, targetProgram);
  if (!item) return;
  ForgetEntry(*item);
  (*FSlots)[MappingBankOf(targetBank)][targetProgram].reset();
}

void TMapping::RemoveInactiveItem(int index) {
  if (index < 0 || index >= static_cast<int>(Inactive.size())) return;
  ForgetEntry(*Inactive[index]);
  Inactive.erase(Inactive.begin() + index);
}

void TMapping::ClearSlots() {
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program) RemoveItem(bank, program);
}

int TMapping::IndexOfInactive(const TMappingInactiveItem* cell) const {
  for (int i = static_cast<int>(Inactive.size()) - 1; i >= 0; --i)
    if (Inactive[i].get() == cell) return i;
  return -1;
}

int TMapping::FindInactive(uint32_t targetBank, uint32_t targetProgram) const {
  for (int i = static_cast<int>(Inactive.size()) - 1; i >= 0; --i)
    if (Inactive[i]->TargetBank == targetBank && Inactive[i]->TargetProgram == targetProgram) return i;
  return -1;
}

TMappingInactiveItem* TMapping::FindItemBySource(const std::string& sourceName, int sourceBank,
                                                 int sourceProgram) const {
  uint32_t bank = static_cast<uint32_t>(MappingBankOf(sourceBank));
  TMappingInactiveItem* result = nullptr;
  for (int target = 0; target < MappingBanks; ++target) {
    for (int program = 0; program < MappingPrograms; ++program) {
      TMappingInactiveItem* item = (*FSlots)[target][program].get();
      if (item && item->SourceBank == bank && item->SourceProgram == static_cast<uint32_t>(sourceProgram) &&
          item->GetSourceName() == sourceName) {
        result = item;
        break;  // a match ends the scan of its own bank only
      }
    }
  }
  return result;
}

void TMapping::ListWaveSources(const std::string& folder, std::vector<std::string>& dest) const {
  for (const auto& bank : *FSlots)
    for (const auto& item : bank)
      if (item && item->IsWave() && item->SourceFileText() == folder) dest.push_back(item->GetSourceName());
}

void TMapping::MarkUsedSourcePresets(const std::string& sourceName,
                                     uint8_t (&table)[MappingBanks][MappingPrograms]) const {
  for (auto& row : table)
    for (uint8_t& cell : row) cell = 0;
  for (const auto& bank : *FSlots)
    for (const auto& item : bank)
      // Wave entries (source bank 200) have no row.
      if (item && item->SourceBank < static_cast<uint32_t>(MappingBanks) &&
          item->SourceProgram < static_cast<uint32_t>(MappingPrograms) && item->GetSourceName() == sourceName)
        table[item->SourceBank][item->SourceProgram] = 1;
}

int TMapping::IndexOfFile(const std::string& name) const {
  auto found = FFileIndex.find(name);
  return found == FFileIndex.end() ? -1 : found->second;
}

const std::string* TMapping::InternFile(const std::string& name) {
  int index = IndexOfFile(name);
  if (index >= 0) return Files[index].get();
  FFileIndex[name] = static_cast<int>(Files.size());
  Files.push_back(std::make_unique<std::string>(name));
  return Files.back().get();
}

void TMapping::ReleaseFile(const std::string& name) {
  int index = IndexOfFile(name);
  if (index >= 0) DropFileAt(index);
}

void TMapping::DropFileAt(int index) {
  FFileIndex.erase(*Files[index]);
  if (index != static_cast<int>(Files.size()) - 1) {
    Files[index] = std::move(Files.back());
    FFileIndex[*Files[index]] = index;
  }
  Files.pop_back();
}

bool TMapping::RenameSourceFile(const std::string& oldName, const std::string& newName) {
  int from = Store->IndexOfKey(oldName, true);
  if (from < 0) return false;
  int into = -1;
  for (int k = 0; k < Store->KeyCount() && into < 0; ++k)
    if (k != from && AnsiSameText(Store->GetKeyName(k), newName)) into = k;
  std::string target = newName;
  if (into < 0) {
    Store->SetKey(from, newName);
  } else {
    target = Store->GetKeyName(into);
    for (int v = 0; v < Store->ValueCount(from); ++v) Store->AddValue(into, Store->GetValue(from, v));
    Store->DeleteKeyAt(from);
  }
  const std::string* cell = InternFile(target);
  auto move = [&](TMappingInactiveItem* item) {
    if (item && item->SourceFile != cell && AnsiSameText(item->SourceFileText(), oldName)) item->SourceFile = cell;
  };
  for (auto& bank : *FSlots)
    for (auto& slot : bank) move(slot.get());
  for (auto& item : Inactive) move(item.get());
  for (int i = static_cast<int>(Files.size()) - 1; i >= 0; --i)
    if (Files[i].get() != cell && AnsiSameText(*Files[i], oldName) && !FileCellInUse(Files[i].get(), nullptr))
      DropFileAt(i);
  return true;
}

void TMapping::SetBankAttribute(TRegArray& list, int bank, const std::string& text, bool storeNow) {
  std::string prefix = IntToStrZero(bank, 3);
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.GetItem(i).compare(0, prefix.size(), prefix) == 0) list.Delete(i);
  if (!text.empty()) list.Add(prefix + ":" + text, true);
  if (storeNow && !Temporary) list.Save();
}

void TMapping::SetBankName(int bank, const std::string& text) { SetBankAttribute(*BankNames, bank, text, true); }
void TMapping::SetBankColor(int bank, const std::string& text, bool storeNow) {
  SetBankAttribute(*BankColors, bank, text, storeNow);
}
void TMapping::SetBankBackground(int bank, const std::string& text, bool storeNow) {
  SetBankAttribute(*BankBackgrounds, bank, text, storeNow);
}

namespace {
std::string BankAttribute(const TRegArray& list, int bank) {
  std::string prefix = IntToStrZero(bank, 3);
  for (int i = list.Count() - 1; i >= 0; --i) {
    const std::string& item = list.Items()[i];
    if (item.compare(0, prefix.size(), prefix) == 0) return item.size() > 4 ? item.substr(4) : std::string();
  }
  return std::string();
}

bool HasBankAttribute(const TRegArray& list, int bank) {
  std::string prefix = IntToStrZero(bank, 3);
  for (const std::string& item : list.Items())
    if (item.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}
}  // namespace

std::string TMapping::GetBankName(int bank) const {
  return HasBankAttribute(*BankNames, bank) ? BankAttribute(*BankNames, bank) : BankDisplayName(bank);
}
std::string TMapping::GetBankColor(int bank) const { return BankAttribute(*BankColors, bank); }
std::string TMapping::GetBankBackground(int bank) const { return BankAttribute(*BankBackgrounds, bank); }

bool TMapping::SaveSettings() {
  TRegKey& key = Store->Key();
  // A save stores the whole mapping or nothing: what is stored is taken first and put back when a write
  // fails. A key that is not there (deleted since the mapping was opened) fails the save at once.
  TRegTree before;
  if (LONG status = ReadRegTree(key, before)) {
    TRegFailureWatch::Note(status);
    return false;
  }
  // The bank lists go with the entries, whatever changed them (an import, colours chosen for showing); one
  // unchanged is left as stored.
  std::vector<TRegArray*> changed;
  if (!Temporary)
    for (TRegArray* list : {BankNames.get(), BankColors.get(), BankBackgrounds.get()})
      if (list->Changed()) changed.push_back(list);
  TRegFailureWatch watch;
  key.WriteInteger("DefaultDrumBank", static_cast<int32_t>(DefaultDrumBank));
  key.WriteInteger("DefaultMelodicBank", static_cast<int32_t>(DefaultMelodicBank));
  if (watch.FirstFailure() == ERROR_SUCCESS) Store->Save();
  for (TRegArray* list : changed)
    if (watch.FirstFailure() == ERROR_SUCCESS) list->Save();
  if (watch.FirstFailure() == ERROR_SUCCESS) return true;
  RestoreRegTree(key, before);
  for (TRegArray* list : changed) list->MarkChanged();
  return false;
}

void TMapping::DeleteFromRegistry() {
  ClearSlots();
  std::string mappings = BasePath + "\\mappings";
  {
    TRegKey key(mappings + "\\" + Name, false, HKEY_CURRENT_USER);
    key.DeleteKey("BankBackgrounds");
    key.DeleteKey("BankColors");
    key.DeleteKey("BankNames");
  }
  {
    TRegKey key(mappings, false, HKEY_CURRENT_USER);
    key.DeleteKey(Name);
  }
  BankNames->SaveOnDestroy = false;
  BankColors->SaveOnDestroy = false;
  BankBackgrounds->SaveOnDestroy = false;
  Store->SaveOnDestroy = false;
  SaveOnDestroy = false;
}
