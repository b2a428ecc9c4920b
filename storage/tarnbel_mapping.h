#pragma once
// The mapping model: a named table of 129 banks (128 = drum kits) by 128 programs whose filled slots name
// presets of SF2 files or wave files, with parked (inactive) entries, bank names, colours and backgrounds.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "reg_array.h"
#include "reg_array_2d.h"

const int MappingBanks = 129;       // banks 0-127 melodic, 128 drum kits
const int MappingPrograms = 128;
const int DrumKitBank = 128;
const int CallerDrumKitBank = 32768;  // callers' number for the drum-kit bank
const uint32_t WaveSourceBank = 200;  // source bank of an entry that plays a wave file

// 32768 as 128; every other number as it is.
inline int MappingBankOf(int bank) { return bank == CallerDrumKitBank ? DrumKitBank : bank; }
inline bool ValidSlot(int bank, int program) {
  return bank >= 0 && bank < MappingBanks && program >= 0 && program < MappingPrograms;
}

class TMappingItem {
 public:
  const std::string* SourceFile = nullptr;  // cell of the owning mapping's file table
  uint32_t SourceBank = 0;
  uint32_t SourceProgram = 0;
  uint32_t Tag = 0;
};

// Every stored entry, in a slot or parked, is of this class.
class TMappingInactiveItem : public TMappingItem {
 public:
  uint32_t TargetBank = 0;
  uint32_t TargetProgram = 0;
  std::string Name;  // a wave entry: file name relative to the folder, "|", display name
  // The Store's string this entry was read from or written as, byte for byte: removing the entry removes
  // that string, also when it is not the form EntryString would give (a tab before the name, say).
  std::string Stored;

  bool IsWave() const { return SourceBank == WaveSourceBank; }
  std::string SourceFileText() const { return SourceFile ? *SourceFile : std::string(); }
  std::string GetSourceName() const;
  std::string GetPresetName() const;
  // The stored form: "sss: ppp: bbb: ttt: Name", with "*" in place of the last blank when inactive.
  std::string EntryString(bool inactive) const;
};

std::string MakeEntryString(int sourceBank, int sourceProgram, int targetBank, int targetProgram,
                            const std::string& name, bool inactive);

class TMapping {
 public:
  // Loads the mapping stored under Software\tarnbel\mappings\<name> (a temporary one works on "BSSM" and
  // reads nothing). With a text (the file, when fileName is given, else lines) the text form is imported.
  TMapping(const std::string& name, bool temporary, const std::vector<std::string>* lines,
           const std::string& fileName);
  virtual ~TMapping();
  TMapping(const TMapping&) = delete;
  TMapping& operator=(const TMapping&) = delete;

  std::unique_ptr<TRegArray> BankNames;
  std::unique_ptr<TRegArray> BankColors;
  std::unique_ptr<TRegArray> BankBackgrounds;
  std::string Name;
  bool Active = false;
  int32_t Priority = 0;
  bool Temporary;
  uint32_t DefaultDrumBank = 0;
  uint32_t DefaultMelodicBank = 0;
  bool Random = true;
  std::vector<std::unique_ptr<TMappingInactiveItem>> Inactive;
  std::vector<std::unique_ptr<std::string>> Files;
  std::unique_ptr<TRegArray2D> Store;
  std::string BasePath = "Software\\tarnbel";
  bool SaveOnDestroy;

  // The slot's entry or nullptr; bank 32768 reads as 128, numbers out of range give nullptr.
  TMappingInactiveItem* Slot(int bank, int program) const;
  bool SlotFilled(int bank, int program) const { return Slot(bank, program) != nullptr; }

  // Returns the new parked entry for an inactive one, else nullptr. Entries that have no slot (numbers out
  // of range) or no source file are refused: nothing is stored and nullptr is returned.
  TMappingInactiveItem* AddItem(const std::string& file, int targetBank, bool active, uint32_t tag,
                                const std::string& name, int sourceProgram, int sourceBank, int targetProgram);
  void RemoveItem(int targetBank, int targetProgram);
  void RemoveInactiveItem(int index);
  void ClearSlots();
  int IndexOfInactive(const TMappingInactiveItem* cell) const;
  int FindInactive(uint32_t targetBank, uint32_t targetProgram) const;
  TMappingInactiveItem* FindItemBySource(const std::string& sourceName, int sourceBank, int sourceProgram) const;
  void ListWaveSources(const std::string& folder, std::vector<std::string>& dest) const;
  void MarkUsedSourcePresets(const std::string& sourceName, uint8_t (&table)[MappingBanks][MappingPrograms]) const;

  int IndexOfFile(const std::string& name) const;
  const std::string* InternFile(const std::string& name);
  void ReleaseFile(const std::string& name);

  // Every entry of the source file oldName (its key found without regard to case) becomes an entry of newName.
  // When the mapping already has entries of newName, the moved ones join that key under its spelling; a
  // file cell left without entries is released. False when no key holds oldName.
  bool RenameSourceFile(const std::string& oldName, const std::string& newName);

  // Each stores its list at once; a colour set with storeNow false (one chosen only to show the bank) is
  // stored when the mapping is.
  void SetBankName(int bank, const std::string& text);
  void SetBankColor(int bank, const std::string& text, bool storeNow = true);
  void SetBankBackground(int bank, const std::string& text, bool storeNow = true);
  std::string GetBankName(int bank) const;
  std::string GetBankColor(int bank) const;
  std::string GetBankBackground(int bank) const;

  // Stores the entries, the default banks and the three bank lists; false when a write failed.
  bool SaveSettings();
  // Removes the stored form and switches all saving off; the caller then frees the mapping.
  void DeleteFromRegistry();
  void ExportToText(std::vector<std::string>& dest) const;

 private:
  void ImportText(const std::vector<std::string>& lines);
  void BuildFromStore();
  void SetBankAttribute(TRegArray& list, int bank, const std::string& text, bool storeNow);
  bool FileCellInUse(const std::string* cell, const TMappingInactiveItem* except) const;
  // Frees the file cell and moves the final cell into its place.
  void DropFileAt(int index);
  void ForgetEntry(const TMappingInactiveItem& item);

  // On the heap: the table is too large for a thread's stack when a mapping lives there.
  using TSlotRow = std::array<std::unique_ptr<TMappingInactiveItem>, MappingPrograms>;
  std::unique_ptr<std::array<TSlotRow, MappingBanks>> FSlots = std::make_unique<std::array<TSlotRow, MappingBanks>>();
  // Position of each name in Files (whose names are distinct): every loaded entry looks its file up.
  std::unordered_map<std::string, int> FFileIndex;
};
