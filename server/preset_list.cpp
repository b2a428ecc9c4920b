#include "preset_list.h"

#include <algorithm>

#include "tick_clock.h"

TPresetData::TPresetData(int32_t bank, int32_t program, uint32_t id, uint32_t timeStamp,
                         const std::string& mappingName, int32_t slotBank, int32_t slotProgram)
    : Bank(bank),
      Program(program),
      TimeStamp(timeStamp == CurrentTime ? TickCount() : timeStamp),
      Id(id),
      MappingName(mappingName),
      SlotBank(slotBank),
      SlotProgram(slotProgram) {}

uint32_t TPresetData::Age(uint32_t now) const { return TickAge(now, TimeStamp); }

bool TPresetData::DropUse() {
  if (FUseCount == 0) return false;
  --FUseCount;
  return true;
}

void TPresetData::TakeUsesOf(TPresetData& other) {
  if (other.FUseCount == 0) return;  // no channel counts on it: nobody looks for it by its id
  FUseCount += other.FUseCount;
  other.FUseCount = 0;
  FTakenUses.push_back(other.Id);
  FTakenUses.insert(FTakenUses.end(), other.FTakenUses.begin(), other.FTakenUses.end());
  other.FTakenUses.clear();
}

bool TPresetData::HoldsUsesOf(uint32_t id) const {
  return std::find(FTakenUses.begin(), FTakenUses.end(), id) != FTakenUses.end();
}

void TPresetData::FillRecord(CachedPresetRecord& record) const {
  record.Loading = Pending ? 1 : 0;
  record.Removing = Releasing ? 1 : 0;
  record.Bank = Bank;
  record.Program = Program;
  SetShortString(record.PresetName, Name);
  record.LastUsed = TimeStamp;
  record.EntryId = Id;
  record.Channel = Channel;
  SetShortString(record.SourceFile, "");
  SetShortString(record.MappingName, MappingName);
  record.SourceBank = SlotBank;
  record.SourcePreset = SlotProgram;
}

int TPresetList::Add(int32_t bank, int32_t program, int32_t slotProgram, int32_t slotBank,
                     const std::string& mappingName, uint32_t timeStamp) {
  FItems.emplace_back(new TPresetData(CacheBank(bank), program & 0xFF, FNextId++, timeStamp, mappingName, slotBank,
                                      slotProgram));
  return Count() - 1;
}

int TPresetList::Find(int32_t bank, int32_t program, uint32_t id) const {
  if (id != NoEntryId) {
    for (int i = 0; i < Count(); ++i)
      if (FItems[i]->Id == id) return i;
    return -1;
  }
  return FindNext(-1, bank, program);
}

int TPresetList::FindNext(int start, int32_t bank, int32_t program) const {
  bank = CacheBank(bank);
  program &= 0xFF;
  for (int i = start < -1 ? 0 : start + 1; i < Count(); ++i)
    if (FItems[i]->Bank == bank && FItems[i]->Program == program) return i;
  return -1;
}

int TPresetList::FindUses(uint32_t id) const {
  // A copy whose unload the device refused stays in the list, without its uses.
  for (int i = 0; i < Count(); ++i)
    if (FItems[i]->HoldsUsesOf(id)) return i;
  return Find(0, 0, id);
}

void TPresetList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (index != Count() - 1) FItems[index] = std::move(FItems.back());
  FItems.pop_back();
}

int TPresetList::PickVictim(bool skipDrums) const {
  // A preset that a channel plays goes only when nothing else can make room.
  const int unused = OldestEvictable(skipDrums, true);
  return unused >= 0 ? unused : OldestEvictable(skipDrums, false);
}

int TPresetList::OldestEvictable(bool skipDrums, bool unusedOnly) const {
  auto eligible = [&](int i) {
    const TPresetData& entry = *FItems[i];
    return !entry.Pending && !entry.Releasing && !(skipDrums && entry.IsDrum()) &&
           !(unusedOnly && entry.UseCount() > 0);
  };
  int candidate = -1;
  for (int i = Count() - 1; i >= 0 && candidate < 0; --i)
    if (eligible(i) && !FItems[i]->IsDrum()) candidate = i;
  for (int i = 0; i < Count() && candidate < 0; ++i)
    if (eligible(i)) candidate = i;
  if (candidate < 0) return -1;
  uint32_t now = TickCount();
  uint32_t oldest = FItems[candidate]->Age(now);
  for (int i = Count() - 1; i >= 0; --i) {
    if (!eligible(i)) continue;
    uint32_t age = FItems[i]->Age(now);
    if (age > oldest) {
      candidate = i;
      oldest = age;
    }
  }
  return candidate;
}

void TPresetList::CopyTo(TPresetList& target) const {
  for (const auto& entry : FItems) {
    int index = target.Add(entry->Bank, entry->Program, entry->SlotProgram, entry->SlotBank, entry->MappingName,
                           entry->TimeStamp);
    target[index].TimeStamp = entry->TimeStamp;  // a stamp equal to CurrentTime is a real one here
    target[index].Channel = entry->Channel;
    target[index].Id = entry->Id;
  }
}
