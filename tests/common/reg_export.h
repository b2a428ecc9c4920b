#pragma once
// The registry as the system's own "reg export" writes it: an independent reader of what a test left
// behind, which shares no code with the program's registry classes.
#include <string>

namespace testsupport {

// The text of "reg.exe export <key>" (HKCU\... form), or empty when the key is missing or reg.exe fails.
std::string ExportRegistryKey(const std::string& key);

}  // namespace testsupport
