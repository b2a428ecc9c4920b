#pragma once
// Direct registry access for tests: they check what the classes left behind through the API itself.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Deletes HKCU\Software\tarnbel with everything below it, so each test starts from a fresh profile.
void ResetTarnbelKey();

bool KeyExists(const std::string& path, HKEY root = HKEY_CURRENT_USER);
bool ValueExists(const std::string& path, const std::string& name, HKEY root = HKEY_CURRENT_USER);

struct RawValue {
  bool found = false;
  DWORD type = 0;
  std::vector<uint8_t> data;
};
RawValue ReadRaw(const std::string& path, const std::string& name, HKEY root = HKEY_CURRENT_USER);
void WriteRaw(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size,
              HKEY root = HKEY_CURRENT_USER);
void WriteRawString(const std::string& path, const std::string& name, const std::string& value);
void WriteRawDword(const std::string& path, const std::string& name, uint32_t value);

// Subkey names and value names as stored, in enumeration order.
std::vector<std::string> SubkeyNames(const std::string& path, HKEY root = HKEY_CURRENT_USER);
std::vector<std::string> ValueNames(const std::string& path, HKEY root = HKEY_CURRENT_USER);

}  // namespace testsupport
