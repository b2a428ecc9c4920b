#include "reg_tree.h"

#include <algorithm>
#include <unordered_map>

#include "read_jobs.h"
#include "registry_internal.h"
#include "same_text_ascii.h"
#include "text_compare.h"

namespace {

// The value of that index; ERROR_NO_MORE_ITEMS past the last. The buffers grow when a value has grown.
LONG ReadValueAt(HKEY key, DWORD index, std::vector<char>& name, std::vector<BYTE>& data, TRegTreeValue& value) {
  for (;;) {
    DWORD nameLength = DWORD(name.size()), dataLength = DWORD(data.size()), type = REG_NONE;
    LONG status = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
    if (status == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<size_t>(data.size() * 2, dataLength + 1));
      continue;
    }
    if (status == ERROR_SUCCESS)
      value = {std::string(name.data(), nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + dataLength)};
    return status;
  }
}

// The values from index first to the last, one by one.
LONG ReadValuesFrom(HKEY key, DWORD first, const TRegKeyInfo& info, std::vector<TRegTreeValue>& values) {
  std::vector<char> name(info.MaxValueNameLen + 2);
  std::vector<BYTE> data(info.MaxValueDataLen + 1);
  for (DWORD index = first;; ++index) {
    TRegTreeValue value;
    LONG status = ReadValueAt(key, index, name, data, value);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    values.push_back(std::move(value));
  }
}

// Names and data. A mapping's key holds thousands of values: those counted are read in ranges by a few threads,
// then those added meanwhile; when some went meanwhile, all are read again one by one.
LONG ReadValues(TRegKey& key, std::vector<TRegTreeValue>& values) {
  TRegKeyInfo info;
  if (!key.GetKeyInfo(info)) return ERROR_CANTREAD;
  const DWORD count = info.NumValues, rangeSize = ReadJobValues;
  std::vector<TRegTreeValue> read(count);
  std::vector<LONG> results((count + rangeSize - 1) / rangeSize, ERROR_SUCCESS);
  std::vector<std::function<void()>> jobs;
  for (DWORD first = 0; first < count; first += rangeSize)
    jobs.push_back([&, first] {
      std::vector<char> name(info.MaxValueNameLen + 2);
      std::vector<BYTE> data(info.MaxValueDataLen + 1);
      LONG& result = results[first / rangeSize];
      for (DWORD index = first; index < std::min(count, first + rangeSize) && result == ERROR_SUCCESS; ++index)
        result = ReadValueAt(key.Handle(), index, name, data, read[index]);
    });
  RunReadJobs(jobs, int(count));
  for (LONG result : results) {
    if (result == ERROR_NO_MORE_ITEMS) return ReadValuesFrom(key.Handle(), 0, info, values);
    if (result != ERROR_SUCCESS) return result;
  }
  values = std::move(read);
  return ReadValuesFrom(key.Handle(), count, info, values);
}

LONG ReadOpenKey(TRegKey& key, TRegTree& tree) {
  LONG status = ReadValues(key, tree.Values);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::string> names;
  key.GetKeyNames(names);
  for (const std::string& name : names) {
    tree.Subkeys.emplace_back(name, TRegTree());
    TRegKey child(key, name, false);
    child.FlushOnDestroy = false;
    status = ReadRegTree(child, tree.Subkeys.back().second);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

LONG WriteOpenKey(TRegKey& key, const TRegTree& tree, const std::function<void()>& step) {
  for (const TRegTreeValue& value : tree.Values) {
    LONG status = key.WriteValue(value.Name, value.Type, value.Data);
    if (status != ERROR_SUCCESS) return status;
  }
  if (step) step();
  for (const auto& subkey : tree.Subkeys) {
    TRegKey child(key, subkey.first, true);
    if (!child.Opened()) return child.Status();
    LONG status = WriteOpenKey(child, subkey.second, step);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

// A value's or subkey's name as the registry matches it, for the names of the system, which are ASCII.
std::string NameKey(std::string name) {
  for (char& c : name) c = AsciiLower(c);
  return name;
}

const std::string& ValueName(const TRegTreeValue& value) { return value.Name; }
const std::string& SubkeyName(const std::pair<std::string, TRegTree>& subkey) { return subkey.first; }

// Position of each item by its name's key: a mapping's key holds thousands of values.
template <class T, class Name>
std::unordered_map<std::string, size_t> ByName(const std::vector<T>& items, Name name) {
  std::unordered_map<std::string, size_t> positions;
  for (size_t i = 0; i < items.size(); ++i) positions.emplace(NameKey(name(items[i])), i);
  return positions;
}

bool NameBefore(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; }

template <class T, class Name>
std::vector<const T*> SortedByName(const std::vector<T>& items, Name name) {
  std::vector<const T*> sorted;
  for (const T& item : items) sorted.push_back(&item);
  std::sort(sorted.begin(), sorted.end(), [&](const T* a, const T* b) { return NameBefore(name(*a), name(*b)); });
  return sorted;
}

}  // namespace

LONG ReadRegTree(const std::string& path, TRegTree& tree) {
  TRegKey key(path, false, HKEY_CURRENT_USER);
  key.FlushOnDestroy = false;
  return ReadRegTree(key, tree);
}

LONG ReadRegTree(TRegKey& key, TRegTree& tree) {
  tree = TRegTree();
  if (!key.Opened()) return key.Status();
  return ReadOpenKey(key, tree);
}

LONG WriteRegTree(const std::string& path, const TRegTree& tree, const std::function<void()>& step) {
  TRegKey key(path, true, HKEY_CURRENT_USER);
  if (!key.Opened()) return key.Status();
  return WriteOpenKey(key, tree, step);
}

LONG RestoreRegTree(TRegKey& key, const TRegTree& tree) {
  TRegTree now;
  LONG first = ReadRegTree(key, now);
  if (first != ERROR_SUCCESS) return first;
  auto note = [&first](LONG status) {
    if (first == ERROR_SUCCESS && status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) first = status;
  };
  const auto nowValues = ByName(now.Values, ValueName), nowKeys = ByName(now.Subkeys, SubkeyName);
  const auto values = ByName(tree.Values, ValueName), keys = ByName(tree.Subkeys, SubkeyName);
  // What the tree lacks goes first, so a name in another case is written again after it.
  for (const TRegTreeValue& value : now.Values)
    if (!values.count(NameKey(value.Name))) note(key.DeleteValue(value.Name));
  for (const auto& subkey : now.Subkeys)
    if (!keys.count(NameKey(subkey.first))) note(key.DeleteKey(subkey.first));
  for (const TRegTreeValue& value : tree.Values) {
    auto found = nowValues.find(NameKey(value.Name));
    const TRegTreeValue* was = found == nowValues.end() ? nullptr : &now.Values[found->second];
    if (!was || was->Name != value.Name || was->Type != value.Type || was->Data != value.Data)
      note(key.WriteValue(value.Name, value.Type, value.Data));
  }
  for (const auto& subkey : tree.Subkeys) {
    TRegKey child(key, subkey.first, true);
    note(child.Opened() ? RestoreRegTree(child, subkey.second) : child.Status());
  }
  return first;
}

LONG DeleteRegTree(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return ERROR_INVALID_PARAMETER;
  TRegKey parent(path.substr(0, slash), false, HKEY_CURRENT_USER);
  if (!parent.Opened()) return parent.Status() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : parent.Status();
  LONG status = parent.DeleteKey(path.substr(slash + 1));
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

bool SameRegTree(const TRegTree& a, const TRegTree& b) {
  if (a.Values.size() != b.Values.size() || a.Subkeys.size() != b.Subkeys.size()) return false;
  auto valueName = [](const TRegTreeValue& v) -> const std::string& { return v.Name; };
  std::vector<const TRegTreeValue*> va = SortedByName(a.Values, valueName), vb = SortedByName(b.Values, valueName);
  for (size_t i = 0; i < va.size(); ++i)
    if (!AnsiSameText(va[i]->Name, vb[i]->Name) || va[i]->Type != vb[i]->Type || va[i]->Data != vb[i]->Data)
      return false;
  using TSubkey = std::pair<std::string, TRegTree>;
  auto subkeyName = [](const TSubkey& s) -> const std::string& { return s.first; };
  std::vector<const TSubkey*> sa = SortedByName(a.Subkeys, subkeyName), sb = SortedByName(b.Subkeys, subkeyName);
  for (size_t i = 0; i < sa.size(); ++i)
    if (!AnsiSameText(sa[i]->first, sb[i]->first) || !SameRegTree(sa[i]->second, sb[i]->second)) return false;
  return true;
}
