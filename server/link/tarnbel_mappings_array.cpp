#include "tarnbel_mappings_array.h"

#include <set>

#include "mapping_random.h"
#include "registry_internal.h"
#include "str_to_int.h"
#include "tarnbel_func.h"
#include "tarnbel_types.h"
#include "text_compare.h"

namespace {
const char* const kDefaultName = "default";

// The set only reads: defaults that reading writes back are all it ever leaves in the registry.
TMapping* NewReadOnlyMapping(const std::string& name) {
  TMapping* mapping = new TMapping(name, false, nullptr, "");
  mapping->SaveOnDestroy = false;
  mapping->BankNames->SaveOnDestroy = false;
  mapping->BankColors->SaveOnDestroy = false;
  mapping->BankBackgrounds->SaveOnDestroy = false;
  return mapping;
}

bool HasEntryInBank(const TMapping& mapping, int bank) {
  for (int program = 0; program < MappingPrograms; ++program)
    if (mapping.SlotFilled(bank, program)) return true;
  return false;
}
}  // namespace

bool StoredMappingExists(const std::string& name) {
  // A name is one key: "" would be the mappings key itself, a backslash a key below another.
  if (name.empty() || name.find('\\') != std::string::npos) return false;
  TRegKey key(std::string(TarnbelKeyPath) + "\\mappings\\" + name, false, HKEY_CURRENT_USER);
  key.FlushOnDestroy = false;
  return key.Opened();
}

TMappingsArray::TMappingsArray() {
  RandomizeSharedGenerator();
  Load();
}

TMappingsArray::~TMappingsArray() { Clear(); }

int TMappingsArray::IndexOf(const std::string& name) const {
  int low = 0, high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int order = AnsiCompareText(FNames[middle]->Name, name);
    if (order == 0) return middle;
    if (order < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return -1;
}

int TMappingsArray::AddName(const std::string& name) {
  int low = 0, high = Count();
  while (low < high) {
    int middle = (low + high) / 2;
    int order = AnsiCompareText(FNames[middle]->Name, name);
    if (order == 0) return middle;  // duplicates are ignored
    if (order < 0)
      low = middle + 1;
    else
      high = middle;
  }
  FNames.insert(FNames.begin() + low, std::make_unique<TEntry>(name));
  return low;
}

TMapping* TMappingsArray::LoadEntry(TEntry& entry) {
  TMapping* mapping = entry.Mapping.load(std::memory_order_acquire);
  if (mapping) return mapping;
  // Readers may load a listed mapping side by side: one loads, the others then find it loaded.
  std::lock_guard<std::mutex> guard(FLoadMutex);
  mapping = entry.Mapping.load(std::memory_order_acquire);
  if (!mapping) {
    mapping = NewReadOnlyMapping(entry.Name);
    entry.Mapping.store(mapping, std::memory_order_release);
  }
  return mapping;
}

void TMappingsArray::FreeEntry(TEntry& entry) {
  TMapping* mapping = entry.Mapping.exchange(nullptr, std::memory_order_acq_rel);
  if (!mapping) return;
  mapping->SaveOnDestroy = false;
  delete mapping;
}

void TMappingsArray::Load() {
  Clear();
  std::vector<std::string> stored;
  GetMappingNames(stored);
  for (const std::string& name : stored) AddName(name);
  for (auto it = stored.rbegin(); it != stored.rend(); ++it) {
    TRegKey key(std::string(TarnbelKeyPath) + "\\mappings\\" + *it, true, HKEY_CURRENT_USER);
    if (key.ReadBool("Active", true)) ActivateMapping(*it);
  }
  // Listed and loaded now, so that lookups under the read lock never have to add it.
  GetOrCreateMapping(kDefaultName);
}

void TMappingsArray::Clear() {
  for (auto& entry : FNames) FreeEntry(*entry);
  FNames.clear();
}

void TMappingsArray::Reload() {
  Clear();
  Load();
}

TMapping* TMappingsArray::ActivateMapping(const std::string& name) {
  TMapping* mapping = LoadEntry(*FNames[AddName(name.empty() ? kDefaultName : name)]);
  mapping->Active = true;
  return mapping;
}

void TMappingsArray::DeactivateMapping(const std::string& name) {
  int index = IndexOf(name);
  if (index < 0) return;
  if (TMapping* mapping = MappingAt(index)) mapping->Active = false;
}

TMapping* TMappingsArray::GetOrCreateMapping(const std::string& name) {
  std::string use = name.empty() || !StoredMappingExists(name) ? std::string(kDefaultName) : name;
  int index = IndexOf(use);
  if (index < 0) index = AddName(use);
  return LoadEntry(*FNames[index]);
}

void TMappingsArray::ReloadMapping(const std::string& name) {
  int index = IndexOf(name);
  if (index < 0 || !MappingAt(index)) return;
  FreeEntry(*FNames[index]);
  GetOrCreateMapping(name);
}

TMapping* TMappingsArray::BestActive(int bank, int program, bool withSlot) const {
  TMapping* best = nullptr;
  int32_t bestPriority = -1;
  // From the name that sorts last: a later name wins only with a strictly greater Priority.
  for (int i = Count() - 1; i >= 0; --i) {
    TMapping* mapping = MappingAt(i);
    if (!mapping || !mapping->Active || mapping->Priority <= bestPriority) continue;
    if (withSlot && !mapping->SlotFilled(bank, program)) continue;
    best = mapping;
    bestPriority = mapping->Priority;
  }
  return best;
}

TMapping* TMappingsArray::FindMappingFor(int bank, int program) {
  bank = MappingBankOf(bank);
  TMapping* found = nullptr;
  if (bank != -1 && program != -1) found = BestActive(bank, program, true);
  if (!found) found = BestActive(bank, program, false);
  return found ? found : GetOrCreateMapping(kDefaultName);
}

TMappingInactiveItem* TMappingsArray::FindItem(int bank, int program) const {
  bank = MappingBankOf(bank);
  if (!ValidSlot(bank, program)) return nullptr;
  TMapping* mapping = BestActive(bank, program, true);
  return mapping ? mapping->Slot(bank, program) : nullptr;
}

std::string TMappingsArray::GetBankName(int bank) const {
  bank = MappingBankOf(bank);
  if (bank < 0 || bank >= MappingBanks) return std::string();
  TMapping* best = nullptr;
  for (int i = Count() - 1; i >= 0; --i) {
    TMapping* mapping = MappingAt(i);
    if (!mapping || !mapping->Active || (best && mapping->Priority <= best->Priority)) continue;
    if (HasEntryInBank(*mapping, bank)) best = mapping;
  }
  return best ? best->GetBankName(bank) : std::string();
}

TMapping* TMappingsArray::GetRandomMapping(int bank, int program) {
  bank = MappingBankOf(bank);
  bool withSlot = bank != -1 && program != -1;
  auto suits = [&](const TMapping* m) { return m->Random && (!withSlot || m->SlotFilled(bank, program)); };
  // Names whose key has gone since the list was made: they can never be loaded, so they stop counting as
  // candidates, or the loop below would never end.
  std::set<int> gone;
  for (;;) {
    bool candidate = false;
    for (int i = Count() - 1; i >= 0 && !candidate; --i) {
      TMapping* mapping = MappingAt(i);
      candidate = mapping ? suits(mapping) : gone.count(i) == 0;
    }
    if (!candidate) return FindMappingFor(DrumKitBank, -1);
    int pick = RandomBelow(Count());
    TMapping* mapping = MappingAt(pick);
    if (!mapping) {
      if (gone.count(pick)) continue;
      if (StoredMappingExists(NameAt(pick))) {
        mapping = LoadEntry(*FNames[pick]);
      } else {
        gone.insert(pick);
        mapping = GetOrCreateMapping(kDefaultName);
      }
    }
    if (suits(mapping)) return mapping;
  }
}

void TMappingsArray::ApplyPriorities(const std::string& text) {
  const std::string separator(1, '\x01');
  for (int i = 1;; i += 2) {
    std::string name = ExtractField(i, text, separator);
    std::string value = ExtractField(i + 1, text, separator);
    if (value.empty()) break;
    int index = name.empty() ? -1 : IndexOf(name);
    int32_t priority;
    if (index >= 0 && MappingAt(index) && TryStrToInt(value, priority)) MappingAt(index)->Priority = priority;
  }
}

TSafeMappingsArray::TSafeMappingsArray() : FMappings(std::make_unique<TMappingsArray>()) {}

TSafeMappingsArray::~TSafeMappingsArray() { FMappings.reset(); }
