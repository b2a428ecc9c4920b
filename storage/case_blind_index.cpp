#include "case_blind_index.h"

#include "text_compare.h"

void TCaseBlindIndex::Add(const std::string& name, int position) { FGroups[AnsiSortKey(name)].insert(position); }

void TCaseBlindIndex::Remove(const std::string& name, int position) {
  auto group = FGroups.find(AnsiSortKey(name));
  if (group == FGroups.end()) return;
  group->second.erase(position);
  if (group->second.empty()) FGroups.erase(group);
}

int TCaseBlindIndex::First(const std::string& name, const std::vector<std::string>& names) const {
  const std::string key = AnsiSortKey(name);
  if (key.empty()) {
    for (size_t i = 0; i < names.size(); ++i)
      if (AnsiSameText(names[i], name)) return static_cast<int>(i);
    return -1;
  }
  int first = -1;
  for (const std::string& groupKey : {key, std::string()}) {
    auto group = FGroups.find(groupKey);
    if (group == FGroups.end()) continue;
    // The comparison itself decides; the key only narrows the search.
    for (int position : group->second) {
      if (first >= 0 && position >= first) break;
      if (AnsiSameText(names[static_cast<size_t>(position)], name)) {
        first = position;
        break;
      }
    }
  }
  return first;
}
