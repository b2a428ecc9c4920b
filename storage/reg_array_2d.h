#pragma once
// TRegArray2D: an ordered list of named keys, each owning a TRegArray of values. Stored as "Count",
// "item<i>" = name of key i, and the subkey "key<i>" holding the values of key i.
#include <memory>
#include <string>
#include <vector>

#include "case_blind_index.h"
#include "reg_array.h"
#include "registry_internal.h"

// The key names with their value lists; key i's values always live in the subkey "key<i>".
class TStringListVsRegArray {
 public:
  // The values of key i lie in the subkey "key<i>" of the parent key, and are read and made through it.
  explicit TStringListVsRegArray(const TRegKey& parent);
  virtual ~TStringListVsRegArray();
  TStringListVsRegArray(const TStringListVsRegArray&) = delete;
  TStringListVsRegArray& operator=(const TStringListVsRegArray&) = delete;

  // Whether each key's values are saved when its array is freed.
  bool SaveItemsOnFree = true;

  const std::string& Path() const { return FParent.Path(); }
  int Count() const { return static_cast<int>(FNames.size()); }
  const std::string& Name(int index) const { return FNames[index]; }
  void SetName(int index, const std::string& name);
  // The first key of that name, compared as AnsiSameText does, or -1.
  int IndexOf(const std::string& name) const { return FIndex.First(name, FNames); }
  TRegArray& Values(int index) { return *FArrays[index]; }
  const TRegArray& Values(int index) const { return *FArrays[index]; }

  int AddKey(const std::string& name, bool load);
  // Moves the final key into the place of the deleted one, so the subkeys stay dense.
  virtual void Delete(int index);
  virtual void Clear();

 private:
  const TRegKey& FParent;
  std::vector<std::string> FNames;
  std::vector<std::unique_ptr<TRegArray>> FArrays;
  TCaseBlindIndex FIndex;  // of FNames: a mapping may have thousands of source files
};

class TRegArray2D {
 public:
  // With create false a missing key is not created, and only the key names are read, not their values.
  TRegArray2D(const std::string& path, bool create);
  virtual ~TRegArray2D();
  TRegArray2D(const TRegArray2D&) = delete;
  TRegArray2D& operator=(const TRegArray2D&) = delete;

  bool SaveOnDestroy = true;
  bool Modified() const { return FModified; }
  const std::string& Path() const { return FPath; }
  // The key open on Path for the object's life.
  TRegKey& Key() { return *FKey; }
  TStringListVsRegArray& Keys() { return FKeys; }
  const TStringListVsRegArray& Keys() const { return FKeys; }

  int KeyCount() const { return FKeys.Count(); }
  std::string GetKeyName(int index) const;
  void SetKey(int index, const std::string& name);
  int IndexOfKey(const std::string& name, bool localeAware) const;
  int FindOrAddKey(const std::string& name);

  int AddValue(int keyIndex, const std::string& value);
  void AddKeyValue(const std::string& keyName, const std::string& value, int& keyIndex, int& valueIndex);
  std::string GetValue(int keyIndex, int valueIndex) const;
  int ValueCount(int keyIndex) const;
  int ValueCountByName(const std::string& name) const;
  void Find(const std::string& keyName, const std::string& value, bool localeAware, int& keyIndex,
            int& valueIndex) const;
  int FindValue(const std::string& keyName, const std::string& value, bool localeAware) const;

  bool DeleteKeyAt(int index);
  bool DeleteKeyByName(const std::string& name, bool localeAware);
  bool DeleteValueAt(int keyIndex, int valueIndex);
  bool DeleteValueByName(const std::string& keyName, const std::string& value, bool localeAware);

  void Clear();
  void ExportSections(std::vector<std::string>& dest) const;

  // Rewrites the whole tree: names and values in place, then "Count", then the surplus removed. Only into
  // the key opened with the object: one that was not there then, or was deleted since, is not made here.
  // The first failed write ends it.
  void Save();
  void Load();
  void MergeDuplicateKeys();

 private:
  bool ValidKey(int index) const { return index >= 0 && index < KeyCount(); }

  std::string FPath;
  bool FCreateKey;
  bool FModified = false;
  std::unique_ptr<TRegKey> FKey;
  TStringListVsRegArray FKeys;
};
