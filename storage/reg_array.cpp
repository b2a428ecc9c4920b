#include "reg_array.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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

// "Count" as ReadInteger takes it: four bytes at most.
bool CountReadable(TRegKey& key) {
  BYTE data[4];
  DWORD size = sizeof data;
  return key.Opened() && RegQueryValueExA(key.Handle(), "Count", nullptr, nullptr, data, &size) == ERROR_SUCCESS;
}
}  // namespace

int StoredItemCount(TRegKey& key) {
  // A "Count" that does not read (too long, missing) gets its default written back as always, but
  // the default is what the stored items say: a damaged count must not hide the list.
  int fromItems = CountReadable(key) ? 0 : CountFromStoredItems(key, 0x7FFFFFFF);
  int count = key.ReadInteger("Count", fromItems);
  if (count <= 0) return 0;
  TRegKeyInfo info;
  if (!key.GetKeyInfo(info) || static_cast<uint32_t>(count) <= info.NumValues) return count;
  // More items counted than values stored: a damaged count must not make a load write millions of
  // empty items back. Gaps below the last stored item are kept.
  return CountFromStoredItems(key, count);
}

TRegArray::TRegArray(const std::string& path, bool load) : FPath(path) {
  if (load) Load();
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
      }
      return -1;
    }
  }
  FItems.push_back(s);
  return Count() - 1;
}

bool TRegArray::Delete(int index) {
  EnsureLoaded();
  if (index < 0 || index >= Count()) return false;
  FItems.erase(FItems.begin() + index);
  return true;
}

std::string TRegArray::GetItem(int index) const {
  return index >= 0 && index < Count() ? FItems[index] : std::string();
}

void TRegArray::SetItem(int index, const std::string& s) {
  EnsureLoaded();
  if (index >= 0 && index < Count()) FItems[index] = s;
}

void TRegArray::Clear() {
  FItems.clear();
  FContentKnown = true;
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
    if (!line.empty()) FItems.push_back(line);
}

void TRegArray::Save() {
  if (!FContentKnown) return;
  TRegKey key(FPath, true, HKEY_CURRENT_USER);
  // Overwrite in place, then drop the surplus: a save cut short leaves old and new items, never none.
  for (int i = 0; i < Count(); ++i) key.WriteString(NumberedName("item", i), FItems[i]);
  key.WriteInteger("Count", Count());
  DeleteNumberedFrom(key, "item", Count(), false);
  key.Flush();
}

namespace {
// Items first..last-1 of one key; what does not read is left to the caller.
struct TItemRange {
  const TRegKey* Key;
  int First, Last;
  std::vector<std::string>* Values;
  std::vector<char>* Read;
};

void ReadItemRange(const TItemRange& range) {
  for (int i = range.First; i < range.Last; ++i)
    (*range.Read)[size_t(i)] = range.Key->QueryString(NumberedName("item", i), (*range.Values)[size_t(i)]) == ERROR_SUCCESS;
}

DWORD WINAPI ReadItemRangeThread(void* range) {
  ReadItemRange(*static_cast<TItemRange*>(range));
  return 0;
}

// Each value costs a round trip to the registry's server, which mostly waits: a long list (a full mapping
// holds 16,512) is read in a few ranges at once.
void ReadItems(const TRegKey& key, std::vector<std::string>& values, std::vector<char>& read) {
  const int count = int(values.size()), perThread = 2048, most = 4;
  int threads = std::min(most, (count + perThread - 1) / perThread);
  std::vector<TItemRange> ranges;
  for (int t = 0; t < threads; ++t)
    ranges.push_back({&key, int(int64_t(count) * t / threads), int(int64_t(count) * (t + 1) / threads), &values, &read});
  if (ranges.size() < 2) {
    ReadItemRange({&key, 0, count, &values, &read});
    return;
  }
  std::vector<HANDLE> started;
  for (size_t t = 1; t < ranges.size(); ++t) {
    HANDLE h = CreateThread(nullptr, 0, ReadItemRangeThread, &ranges[t], 0, nullptr);
    if (h) started.push_back(h);
    else ReadItemRange(ranges[t]);  // no thread: this one reads it
  }
  ReadItemRange(ranges[0]);
  if (!started.empty()) WaitForMultipleObjects(DWORD(started.size()), started.data(), TRUE, INFINITE);
  for (HANDLE h : started) CloseHandle(h);
}
}  // namespace

void TRegArray::Load() {
  TRegKey key(FPath, true, HKEY_CURRENT_USER);
  FItems.clear();
  int count = StoredItemCount(key);
  std::vector<std::string> values(size_t(std::max(count, 0)));
  std::vector<char> read(values.size());
  ReadItems(key, values, read);
  for (int i = 0; i < count; ++i) {
    // One that did not read is read again here, where a missing item gets its empty default written back.
    if (!read[size_t(i)]) values[size_t(i)] = key.ReadString(NumberedName("item", i), "");
    if (!values[size_t(i)].empty()) FItems.push_back(std::move(values[size_t(i)]));
  }
  FContentKnown = true;
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
