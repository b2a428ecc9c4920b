#pragma once
// Positions of the names of a list, found without regard to case exactly as AnsiSameText compares, in about
// constant time: the names are grouped by their sort key, and a look-up compares only within one group.
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class TCaseBlindIndex {
 public:
  void Add(const std::string& name, int position);
  void Remove(const std::string& name, int position);
  void Clear() { FGroups.clear(); }
  // The lowest position p whose names[p] is AnsiSameText with name, or -1; names is the indexed list.
  int First(const std::string& name, const std::vector<std::string>& names) const;

 private:
  // By sort key; the key "" holds the names the system made no key for, which every look-up tries.
  std::unordered_map<std::string, std::set<int>> FGroups;
};
