#include "reg_array.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "read_jobs.h"
#include "registry_internal.h"
#include "text_compare.h"

std::string NumberedName(const char* prefix, int index) { return prefix + std::to_string(index); }

namespace {
// Index N of a name prefix + N (decimal digits, no leading zeros), else -1.
long NumberOf(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || !SameTextAscii(name.substr(0, prefix.size()), prefix)) return -1;
  std::string digits = name.substr(prefix.size());
  if (digits.size() > 9 || (digits.size() > 1 && digits[0] == '0')) return -1;
  for (char c : digits)
    if (c < '0' || c > '9') return -1;
  return std::atol(digits.c_str());
}

std::vector<std::string> ValueNamesOf(TRegKey& key) {
  std::vector<std::string> names;
  key.GetValueNames(names);
  return names;
}
}  // namespace

void DeleteNumberedFrom(TRegKey& key, const char* prefix, int first, bool subkeys) {
  std::vector<std::string> names;
  if (subkeys)
    key.GetKeyNames(names);
  else
    names = ValueNamesOf(key);
  // Collected first: deleting while enumerating would skip entries.
  for (const std::string& name : names) {
    if (NumberOf(name, prefix) < first) continue;
    if (subkeys)
      key.DeleteKey(name);
    else
      key.DeleteValue(name);
  }
}

namespace {
// One past the highest "itemN" stored below the limit; gaps below it count.
int CountFromStoredItems(TRegKey& key, long limit) {
  long last = -1;
  for (const std::string& name : ValueNamesOf(key)) {
    long n = NumberOf(name, "item");
    if (n > last && n < limit) last = n;
  }
  return static_cast<int>(last + 1);
}

}  // namespace

int StoredItemCount(TRegKey& key) {
  // A "Count" that does not read (missing, too long, of another type) gets its default written back as
  // always, but the default is what the stored items say: a damaged count must not hide the list.
  int32_t stored = 0;
  int fromItems = key.QueryInteger("Count", stored) ? 0 : CountFromStoredItems(key, 0x7FFFFFFF);
  int count = key.ReadInteger("Count", fromItems);
  // No save writes a negative count: the items decide, as for a count too large. A count of 0 stays 0
  // (a save cut short may have left items behind it).
  if (count < 0) return CountFromStoredItems(key, 0x7FFFFFFF);
  if (count == 0) return 0;
  TRegKeyInfo info;
  if (!key.GetKeyInfo(info) || static_cast<uint32_t>(count) <= info.NumValues) return count;
  // More items counted than values stored: a damaged count must not make a load write millions of
  // empty items back. Gaps below the last stored item are kept.
  return CountFromStoredItems(key, count);
}

TRegArray::TRegArray(const std::string& path, bool load) : FPath(path) {
  if (load) Load();
}

TRegArray::TRegArray(const TRegKey& parent, const std::string& subPath, bool load)
    : FPath(parent.Path() + "\\" + subPath), FParent(&parent), FSubPath(subPath) {
  if (load) Load();
}

std::unique_ptr<TRegKey> TRegArray::OpenKey() const {
  if (FParent) return std::make_unique<TRegKey>(*FParent, FSubPath, true);
  return std::make_unique<TRegKey>(FPath, true, HKEY_CURRENT_USER);
}

TRegArray::~TRegArray() {
  if (SaveOnDestroy) Save();
}

void TRegArray::EnsureLoaded() {
  if (!FContentKnown) Load();
}

int TRegArray::Add(const std::string& s, bool allowDuplicates) {
  EnsureLoaded();
  if (!allowDuplicates) {
    int found = IndexOf(s, true);
    if (found >= 0) {
      if (found != Count() - 1) {
        FItems.erase(FItems.begin() + found);
        FItems.push_back(s);
        FChanged = true;
      }
      return -1;
    }
  }
  FItems.push_back(s);
  FChanged = true;
  return Count() - 1;
}

bool TRegArray::Delete(int index) {
  EnsureLoaded();
  if (index < 0 || index >= Count()) return false;
  FItems.erase(FItems.begin() + index);
  FChanged = true;
  return true;
}

std::string TRegArray::GetItem(int index) const {
  return index >= 0 && index < Count() ? FItems[index] : std::string();
}

void TRegArray::SetItem(int index, const std::string& s) {
  EnsureLoaded();
  if (index < 0 || index >= Count()) return;
  FItems[index] = s;
  FChanged = true;
}

void TRegArray::Clear() {
  FItems.clear();
  FContentKnown = true;
  FChanged = true;
}

int TRegArray::IndexOf(const std::string& s, bool localeAware) const {
  for (int i = 0; i < Count(); ++i)
    if (SameTextAs(FItems[i], s, localeAware)) return i;
  return -1;
}

void TRegArray::AssignTo(std::vector<std::string>& dest, bool reversed) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& item = FItems[reversed ? Count() - 1 - i : i];
    if (!item.empty()) dest.push_back(item);
  }
}

void TRegArray::AddStrings(const std::vector<std::string>& source) {
  EnsureLoaded();
  for (const std::string& line : source)
    if (!line.empty()) {
      FItems.push_back(line);
      FChanged = true;
    }
}

void TRegArray::Save() {
  if (!FContentKnown) return;
  TRegFailureWatch watch;
  std::unique_ptr<TRegKey> opened = OpenKey();
  TRegKey& key = *opened;
  if (!key.Opened()) return;
  // Overwrite in place, then drop the surplus: a save cut short leaves old and new items, never none.
  for (int i = 0; i < Count(); ++i) key.WriteString(NumberedName("item", i), FItems[i]);
  key.WriteInteger("Count", Count());
  DeleteNumberedFrom(key, "item", Count(), false);
  key.Flush();
  // A list not written whole is still to be saved.
  if (watch.FirstFailure() == ERROR_SUCCESS) FChanged = false;
}

namespace {
// What one list's load reads: its key, and its items as they read (or not) from there.
struct TListRead {
  std::unique_ptr<TRegKey> Key;
  std::vector<std::string> Values;
  std::vector<char> Read;
};

void ReadItemRange(TListRead& list, int first, int last) {
  for (int i = first; i < last; ++i)
    list.Read[size_t(i)] = list.Key->QueryString(NumberedName("item", i), list.Values[size_t(i)]) == ERROR_SUCCESS;
}

// The items of all lists, in ranges shared by a few threads.
void ReadItems(std::vector<TListRead>& lists) {
  const int rangeSize = ReadJobValues;
  std::vector<std::function<void()>> jobs;
  int total = 0;
  for (TListRead& list : lists) {
    const int count = int(list.Values.size());
    for (int first = 0; first < count; first += rangeSize)
      jobs.push_back([&list, first, last = std::min(count, first + rangeSize)] { ReadItemRange(list, first, last); });
    total += count;
  }
  RunReadJobs(jobs, total);
}
}  // namespace

void TRegArray::Load() { LoadRegArrays({this}); }

void LoadRegArrays(const std::vector<TRegArray*>& arrays) {
  std::vector<TListRead> lists(arrays.size());
  for (size_t a = 0; a < arrays.size(); ++a) {
    lists[a].Key = arrays[a]->OpenKey();
    lists[a].Values.resize(size_t(std::max(StoredItemCount(*lists[a].Key), 0)));
    lists[a].Read.resize(lists[a].Values.size());
  }
  ReadItems(lists);
  for (size_t a = 0; a < arrays.size(); ++a) {
    TRegArray& array = *arrays[a];
    TListRead& list = lists[a];
    array.FItems.clear();
    for (size_t i = 0; i < list.Values.size(); ++i) {
      // One that did not read is read again here, where a missing item gets its empty default written back.
      if (!list.Read[i]) list.Values[i] = list.Key->ReadString(NumberedName("item", int(i)), "");
      if (!list.Values[i].empty()) array.FItems.push_back(std::move(list.Values[i]));
    }
    array.FContentKnown = true;
    array.FChanged = false;
  }
}

void TRegArray::DeleteFromRegistry() {
  size_t slash = FPath.find_last_of('\\');
  std::string parent = slash == std::string::npos ? std::string() : FPath.substr(0, slash);
  std::string name = slash == std::string::npos ? FPath : FPath.substr(slash + 1);
  {
    TRegKey key(parent, true, HKEY_CURRENT_USER);
    key.DeleteKey(name);
  }
  SaveOnDestroy = false;
}
