#include "reg_array_2d.h"

#include "mapping_text_form.h"
#include "text_compare.h"

TStringListVsRegArray::TStringListVsRegArray(const TRegKey& parent) : FParent(parent) {}

TStringListVsRegArray::~TStringListVsRegArray() { Clear(); }

int TStringListVsRegArray::AddKey(const std::string& name, bool load) {
  int index = Count();
  FNames.push_back(name);
  FIndex.Add(name, index);
  FArrays.push_back(std::make_unique<TRegArray>(FParent, NumberedName("key", index), load));
  return index;
}

void TStringListVsRegArray::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  int last = Count() - 1;
  if (index != last) {
    TRegArray& moved = *FArrays[last];
    moved.EnsureLoaded();  // values never read are still only in the registry
    std::vector<std::string> values;
    moved.AssignTo(values, false);
    FArrays[index]->Clear();
    FArrays[index]->AddStrings(values);
    SetName(index, FNames[last]);
  }
  FIndex.Remove(FNames[last], last);
  FArrays[last]->SaveOnDestroy = false;
  FArrays.pop_back();
  FNames.pop_back();
}

void TStringListVsRegArray::Clear() {
  while (!FArrays.empty()) {
    FArrays.back()->SaveOnDestroy = SaveItemsOnFree;
    FArrays.pop_back();
  }
  FNames.clear();
  FIndex.Clear();
}

void TStringListVsRegArray::SetName(int index, const std::string& name) {
  FIndex.Remove(FNames[index], index);
  FNames[index] = name;
  FIndex.Add(name, index);
}

TRegArray2D::TRegArray2D(const std::string& path, bool create)
    : FPath(path), FCreateKey(create), FKey(std::make_unique<TRegKey>(path, create, HKEY_CURRENT_USER)),
      FKeys(*FKey) {
  Load();
}

TRegArray2D::~TRegArray2D() {
  if (SaveOnDestroy) Save();
  // Save has just written every key; the arrays need not write themselves again.
  FKeys.SaveItemsOnFree = false;
  FKeys.Clear();
}

std::string TRegArray2D::GetKeyName(int index) const { return ValidKey(index) ? FKeys.Name(index) : std::string(); }

void TRegArray2D::SetKey(int index, const std::string& name) {
  if (!ValidKey(index)) return;
  FKeys.SetName(index, name);
  FModified = true;
}

int TRegArray2D::IndexOfKey(const std::string& name, bool localeAware) const {
  if (localeAware) return FKeys.IndexOf(name);
  for (int i = 0; i < KeyCount(); ++i)
    if (SameTextAscii(FKeys.Name(i), name)) return i;
  return -1;
}

int TRegArray2D::FindOrAddKey(const std::string& name) {
  int index = IndexOfKey(name, true);
  if (index >= 0) return index;
  index = FKeys.AddKey(name, false);
  // A new key starts empty, whatever a stale subkey of that number may still hold.
  FKeys.Values(index).Clear();
  return index;
}

int TRegArray2D::AddValue(int keyIndex, const std::string& value) {
  return ValidKey(keyIndex) ? FKeys.Values(keyIndex).Add(value, true) : -1;
}

void TRegArray2D::AddKeyValue(const std::string& keyName, const std::string& value, int& keyIndex,
                              int& valueIndex) {
  keyIndex = -1;
  valueIndex = -1;
  keyIndex = FindOrAddKey(keyName);
  valueIndex = AddValue(keyIndex, value);
}

std::string TRegArray2D::GetValue(int keyIndex, int valueIndex) const {
  return ValidKey(keyIndex) ? FKeys.Values(keyIndex).GetItem(valueIndex) : std::string();
}

int TRegArray2D::ValueCount(int keyIndex) const { return ValidKey(keyIndex) ? FKeys.Values(keyIndex).Count() : -1; }

int TRegArray2D::ValueCountByName(const std::string& name) const { return ValueCount(IndexOfKey(name, true)); }

void TRegArray2D::Find(const std::string& keyName, const std::string& value, bool localeAware, int& keyIndex,
                       int& valueIndex) const {
  keyIndex = IndexOfKey(keyName, localeAware);
  valueIndex = keyIndex >= 0 ? FKeys.Values(keyIndex).IndexOf(value, true) : -1;
}

int TRegArray2D::FindValue(const std::string& keyName, const std::string& value, bool localeAware) const {
  int keyIndex, valueIndex;
  Find(keyName, value, localeAware, keyIndex, valueIndex);
  return valueIndex;
}

bool TRegArray2D::DeleteKeyAt(int index) {
  if (!ValidKey(index)) return false;
  FKeys.Delete(index);
  return true;
}

bool TRegArray2D::DeleteKeyByName(const std::string& name, bool localeAware) {
  return DeleteKeyAt(IndexOfKey(name, localeAware));
}

bool TRegArray2D::DeleteValueAt(int keyIndex, int valueIndex) {
  if (!ValidKey(keyIndex) || valueIndex < 0 || valueIndex >= FKeys.Values(keyIndex).Count()) return false;
  return FKeys.Values(keyIndex).Delete(valueIndex);
}

bool TRegArray2D::DeleteValueByName(const std::string& keyName, const std::string& value, bool localeAware) {
  return DeleteValueAt(IndexOfKey(keyName, localeAware), FindValue(keyName, value, localeAware));
}

void TRegArray2D::Clear() { FKeys.Clear(); }

void TRegArray2D::ExportSections(std::vector<std::string>& dest) const {
  for (int i = 0; i < KeyCount(); ++i) AppendTextSection(FKeys.Name(i), FKeys.Values(i).Items(), dest);
}

void TRegArray2D::Save() {
  if (FModified) MergeDuplicateKeys();
  if (!FKey->Opened()) {
    TRegFailureWatch::Note(FKey->Status());
    return;
  }
  TRegFailureWatch watch;
  // Overwrite in place, then "Count", then drop the surplus: a save cut short never loses stored keys.
  for (int i = 0; i < KeyCount(); ++i) {
    FKey->WriteString(NumberedName("item", i), FKeys.Name(i));
    FKeys.Values(i).Save();  // values never read are still in their own subkey and stay there
    if (watch.FirstFailure() != ERROR_SUCCESS) return;
  }
  if (FKey->WriteInteger("Count", KeyCount()) != ERROR_SUCCESS) return;
  DeleteNumberedFrom(*FKey, "item", KeyCount(), false);
  DeleteNumberedFrom(*FKey, "key", KeyCount(), true);
  FKey->Flush();
}

void TRegArray2D::Load() {
  FKeys.Clear();
  int count = StoredItemCount(*FKey);
  std::vector<TRegArray*> toLoad;
  for (int stored = 0; stored < count; ++stored) {
    std::string name = FKey->ReadString(NumberedName("item", stored), "");
    if (name.empty()) continue;
    int index = FKeys.Count();
    if (index == stored) {
      FKeys.AddKey(name, false);
      if (FCreateKey) toLoad.push_back(&FKeys.Values(index));
      continue;
    }
    // A missing name before this one: the values still lie in the subkey of the stored number, not in
    // the one of the list position.
    FKeys.AddKey(name, false);
    TRegArray source(*FKey, NumberedName("key", stored), true);
    source.SaveOnDestroy = false;
    FKeys.Values(index).Clear();
    FKeys.Values(index).AddStrings(source.Items());
  }
  LoadRegArrays(toLoad);
}

void TRegArray2D::MergeDuplicateKeys() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int i = KeyCount() - 1; i >= 0 && !merged; --i) {
      for (int j = KeyCount() - 1; j >= 0 && !merged; --j) {
        if (j == i || FKeys.Name(i) != FKeys.Name(j)) continue;
        TRegArray& from = FKeys.Values(i);
        from.EnsureLoaded();
        for (int v = from.Count() - 1; v >= 0; --v) FKeys.Values(j).Add(from.GetItem(v), true);
        DeleteKeyAt(i);
        merged = true;
      }
    }
  }
}
