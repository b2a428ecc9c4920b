#pragma once
// The server's settings table checked against what a first start leaves under Software\tarnbel.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// Where the stored values differ from the table: every value of the table stored as a DWORD holding its
// default (or the value that `instead` gives for its name, or missing where `absent` names it), and no
// value under a name the table does not have. Each difference is one line naming the value.
std::vector<std::string> StoredSettingsDifferences(const std::map<std::string, int32_t>& instead,
                                                   const std::vector<std::string>& absent);

}  // namespace testsupport
