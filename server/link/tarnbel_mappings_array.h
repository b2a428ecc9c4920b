#pragma once
// The set of stored mappings by name, and which mapping serves a bank and program: the active mapping with
// the highest Priority that fills the slot, else the active mapping with the highest Priority, else
// "default"; among equal priorities the name that sorts last wins. Mappings held here never save.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rw_lock.h"
#include "tarnbel_mapping.h"

// Locking in the server: the lookups (FindMappingFor, FindItem, GetBankName, GetRandomMapping, and
// GetOrCreateMapping of a listed name) may run together under the read lock: they never change the name
// list ("default" is listed from Load on) and load a listed mapping under an inner lock of their own.
// Everything else (Load, Clear, Reload, ActivateMapping, DeactivateMapping, ReloadMapping, ApplyPriorities,
// and GetOrCreateMapping of an unlisted name) needs the write lock.
class TMappingsArray {
 public:
  TMappingsArray();
  virtual ~TMappingsArray();
  TMappingsArray(const TMappingsArray&) = delete;
  TMappingsArray& operator=(const TMappingsArray&) = delete;

  void Load();
  void Clear();
  void Reload();

  TMapping* ActivateMapping(const std::string& name);
  void DeactivateMapping(const std::string& name);
  TMapping* GetOrCreateMapping(const std::string& name);
  void ReloadMapping(const std::string& name);

  TMapping* FindMappingFor(int bank, int program);
  TMappingInactiveItem* FindItem(int bank, int program) const;
  std::string GetBankName(int bank) const;
  TMapping* GetRandomMapping(int bank, int program);
  void ApplyPriorities(const std::string& text);

  // The names in sort order, with their mapping or nullptr while not loaded.
  int Count() const { return static_cast<int>(FNames.size()); }
  const std::string& NameAt(int index) const { return FNames[index]->Name; }
  TMapping* MappingAt(int index) const { return FNames[index]->Mapping.load(std::memory_order_acquire); }
  int IndexOf(const std::string& name) const;

 private:
  struct TEntry {
    explicit TEntry(const std::string& name) : Name(name) {}
    std::string Name;
    std::atomic<TMapping*> Mapping{nullptr};
  };
  int AddName(const std::string& name);
  TMapping* LoadEntry(TEntry& entry);
  void FreeEntry(TEntry& entry);
  TMapping* BestActive(int bank, int program, bool withSlot) const;

  std::vector<std::unique_ptr<TEntry>> FNames;
  std::mutex FLoadMutex;
};

// The set guarded by its multi-reader, single-writer lock: read lock to look up, write lock to change.
class TSafeMappingsArray : public TMultiReadExclusiveWriteSynchronizer {
 public:
  TSafeMappingsArray();
  ~TSafeMappingsArray() override;

  TMappingsArray& Mappings() { return *FMappings; }

 private:
  std::unique_ptr<TMappingsArray> FMappings;
};

// True when the key Software\tarnbel\mappings\<name> can be opened (it is not created); never for ""
// or a name with a backslash, which name no mapping.
bool StoredMappingExists(const std::string& name);
