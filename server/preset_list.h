#pragma once
// The preset cache of a SoundFont manager thread: the presets it has loaded, or is about to load,
// into its device. The same list also serves as a plain list (a listing's copy, a MIDI input's
// presets that no channel uses any more).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "rw_lock.h"

constexpr int32_t CacheDrumKitBank = 32768;        // the drum-kit bank inside the cache and in device calls
constexpr uint32_t NoEntryId = 0xFFFFFFFFu;   // look up by bank and program instead of by id
constexpr uint32_t CurrentTime = 0xFFFFFFFFu; // "stamp it now" for TPresetData and TPresetList::Add
constexpr uint32_t PendingTimeStamp = 0x7FFFFFFFu;  // what a pending entry shows as its last use

// The drum-kit bank may be given as 128 or 32768; the cache keeps 32768.
inline int32_t CacheBank(int32_t bank) { return bank == 128 ? CacheDrumKitBank : bank; }

class TPresetData {
 public:
  TPresetData(int32_t bank, int32_t program, uint32_t id, uint32_t timeStamp, const std::string& mappingName,
              int32_t slotBank, int32_t slotProgram);

  bool Pending = false;    // load asked for and not yet done: never evicted, unloaded without a device call
  // A request from no channel (a reload, the player plug-in's list) waits for its load: the load runs
  // even when no channel uses the preset any more.
  bool NoChannelWaits = false;
  bool Releasing = false;  // being unloaded: no longer a copy of its slot, never picked again as a victim
  int32_t Bank;
  int32_t Program;
  std::string Name;        // the device's preset name; filled only on listing copies
  uint32_t TimeStamp;      // tick count of the last use
  uint32_t Id;
  int32_t Channel = -1;
  std::string MappingName;
  int32_t SlotBank;
  int32_t SlotProgram;
  int32_t DeviceHandle = 0;  // what the device's load returned; given back on unload

  bool IsDrum() const { return Bank == CacheDrumKitBank; }
  // Milliseconds since the last use, as seen at `now`.
  uint32_t Age(uint32_t now) const;

  // Channels that currently play the preset. A use is never dropped below zero.
  uint32_t UseCount() const { return FUseCount; }
  void AddUse() { ++FUseCount; }
  // False (and no change) when no channel uses it.
  bool DropUse();
  void ClearUses() { FUseCount = 0; }
  // Takes over the uses of another copy of the slot that goes in this one's favour: the channels that
  // counted them on it find them here by its id.
  void TakeUsesOf(TPresetData& other);
  bool HoldsUsesOf(uint32_t id) const;

  // Loading and removal flags, bank, program, name, last use, id, channel, an empty file name, the
  // slot's bank and program and the mapping name.
  void FillRecord(CachedPresetRecord& record) const;

 private:
  uint32_t FUseCount = 0;
  std::vector<uint32_t> FTakenUses;  // ids of the copies whose uses this one took over
};

class TPresetList {
 public:
  TPresetList() = default;
  TPresetList(const TPresetList&) = delete;
  TPresetList& operator=(const TPresetList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TPresetData& operator[](int index) { return *FItems[static_cast<size_t>(index)]; }
  const TPresetData& operator[](int index) const { return *FItems[static_cast<size_t>(index)]; }

  // Appends an entry with the next id (ids are never reused within the list); the program is taken
  // as a byte. Returns its index.
  int Add(int32_t bank, int32_t program, int32_t slotProgram, int32_t slotBank, const std::string& mappingName,
          uint32_t timeStamp);
  // With an id, the entry with that id whatever its bank and program; with NoEntryId, the first entry of
  // the bank and program (taken as a byte). -1 when there is none.
  int Find(int32_t bank, int32_t program, uint32_t id = NoEntryId) const;
  // The first entry after `start` with that bank and program, or -1.
  int FindNext(int start, int32_t bank, int32_t program) const;
  // The entry that counts the uses counted on the entry of that id: the one that took them over, else
  // that entry itself; -1 when there is none.
  int FindUses(uint32_t id) const;
  // Frees the entry and moves the last one into its place; -1 does nothing.
  void Delete(int index);
  void Remove(int32_t bank, int32_t program, uint32_t id = NoEntryId) { Delete(Find(bank, program, id)); }
  bool Contains(int32_t bank, int32_t program) const { return Find(bank, program) != -1; }
  void Clear() { FItems.clear(); }

  // The least recently used entry that may be evicted now, or -1; one that a channel uses only when no
  // other may go. Pending entries and entries being released never may; with skipDrums, drum entries
  // neither. Among equal ages the later entry wins, and a melodic entry over a drum one.
  int PickVictim(bool skipDrums) const;

  // Appends a copy of every entry to the target, keeping the ids and channels; flags, name, uses
  // and handle are not copied.
  void CopyTo(TPresetList& target) const;

 private:
  int OldestEvictable(bool skipDrums, bool unusedOnly) const;

  std::vector<std::unique_ptr<TPresetData>> FItems;
  uint32_t FNextId = 0;
};

// The cache as threads share it: changes under the write lock, counting, copying and scans under the
// read lock. The lock is re-entrant for its holder and is never held across a device call.
class TSafePresetList : public TMultiReadExclusiveWriteSynchronizer {
 public:
  TPresetList& List() { return FList; }

 private:
  TPresetList FList;
};
