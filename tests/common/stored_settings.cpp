#include "stored_settings.h"

#include <algorithm>
#include <cstring>

#include "registry_test_support.h"
#include "server_setting_defs.h"
#include "tarnbel_func.h"

namespace testsupport {

namespace {

bool Named(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Difference(const TServerSettingDef& setting, int32_t expected, bool wantAbsent) {
  RawValue value = ReadRaw(TarnbelKeyPath, setting.Name);
  std::string name = setting.Name;
  if (wantAbsent) return value.found ? name + ": stored, should be missing" : "";
  if (!value.found) return name + ": missing";
  if (value.type != REG_DWORD || value.data.size() != 4) return name + ": not a DWORD";
  int32_t stored = 0;
  std::memcpy(&stored, value.data.data(), 4);
  if (stored != expected) return name + ": " + std::to_string(stored) + " instead of " + std::to_string(expected);
  return "";
}

}  // namespace

std::vector<std::string> StoredSettingsDifferences(const std::map<std::string, int32_t>& instead,
                                                   const std::vector<std::string>& absent) {
  std::vector<std::string> differences;
  std::vector<std::string> tableNames;
  for (const TServerSettingDef* setting : server_setting::All) {
    tableNames.push_back(setting->Name);
    auto other = instead.find(setting->Name);
    std::string line =
        Difference(*setting, other == instead.end() ? setting->Default : other->second, Named(absent, setting->Name));
    if (!line.empty()) differences.push_back(line);
  }
  for (const std::string& name : ValueNames(TarnbelKeyPath))
    if (!Named(tableNames, name)) differences.push_back(name + ": not in the table");
  return differences;
}

}  // namespace testsupport
