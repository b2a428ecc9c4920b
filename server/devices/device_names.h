#pragma once
// Names of a back end's devices in index order, asked one index at a time; stops at the first
// index whose query fails. With numbered set each name is the decimal index + " " + name.
#include <cstdint>
#include <string>
#include <vector>

template <typename GetName>
void CollectDeviceNames(int32_t count, bool numbered, std::vector<std::string>& names, GetName getName) {
  for (int32_t i = 0; i < count; ++i) {
    std::string name;
    if (getName(i, name) != 0) break;
    names.push_back(numbered ? std::to_string(i) + " " + name : name);
  }
}
