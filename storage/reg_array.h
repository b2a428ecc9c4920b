#pragma once
// TRegArray: an ordered string list kept under one registry key as "Count" plus "item0", "item1", ...
#include <memory>
#include <string>
#include <vector>

class TRegKey;
class TRegArray;

// Loads each list as its Load would; long lists are read faster together than one by one.
void LoadRegArrays(const std::vector<TRegArray*>& arrays);

class TRegArray {
 public:
  TRegArray(const std::string& path, bool load);
  // A list kept below another open key (a mapping's lists below the mapping's key) is read and made only
  // through that key's handle: once that key is deleted, no load or save of the list makes it again. The
  // parent must outlive the list's loads and saves.
  TRegArray(const TRegKey& parent, const std::string& subPath, bool load);
  virtual ~TRegArray();
  TRegArray(const TRegArray&) = delete;
  TRegArray& operator=(const TRegArray&) = delete;

  bool SaveOnDestroy = true;

  const std::string& Path() const { return FPath; }
  const std::vector<std::string>& Items() const { return FItems; }

  // Without duplicates an equal item (case-blind) moves to the end with the new spelling; -1 is returned then.
  int Add(const std::string& s, bool allowDuplicates);
  bool Delete(int index);
  std::string GetItem(int index) const;
  void SetItem(int index, const std::string& s);
  int Count() const { return static_cast<int>(FItems.size()); }
  // Empties the list in memory; the next save writes the empty list.
  void Clear();
  int IndexOf(const std::string& s, bool localeAware) const;
  void AssignTo(std::vector<std::string>& dest, bool reversed) const;
  void AddStrings(const std::vector<std::string>& source);

  // A list that was neither loaded nor changed knows nothing of what is stored: saving it writes nothing,
  // so that freeing such a list never puts an empty list over the stored one.
  void Save();
  void Load();
  // Removes the key with everything below it and switches saving off; the caller then frees the object.
  void DeleteFromRegistry();
  bool ContentKnown() const { return FContentKnown; }
  // Changed in memory since it was last loaded or saved.
  bool Changed() const { return FChanged; }
  // To be saved again: what its last save wrote was taken back.
  void MarkChanged() { FChanged = true; }
  // Changes to a list whose items were never read work on the stored items.
  void EnsureLoaded();

 private:
  friend void LoadRegArrays(const std::vector<TRegArray*>& arrays);

  // Its key, made when missing (below the parent only).
  std::unique_ptr<TRegKey> OpenKey() const;

  std::string FPath;
  const TRegKey* FParent = nullptr;
  std::string FSubPath;
  std::vector<std::string> FItems;
  bool FContentKnown = false;
  bool FChanged = false;
};

// Name of the numbered value or subkey: prefix followed by the decimal index ("item10", "key3").
std::string NumberedName(const char* prefix, int index);
// The stored "Count", cut to the last stored "itemN" when it counts more items than the key holds
// values; a negative one is taken from the stored items. A "Count" that cannot be read (missing,
// longer than four bytes) is taken from the stored items instead, and that number is written back as
// its default (0 for a key without items).
int StoredItemCount(TRegKey& key);
// Deletes the values (or, with subkeys, the subkey trees) named prefix + N for every N >= first: the
// surplus left behind when a list got shorter. Saves write first and delete after, so a save that stops
// half-way never loses what was stored.
void DeleteNumberedFrom(TRegKey& key, const char* prefix, int first, bool subkeys);
