#include "registry_test_support.h"

namespace testsupport {

void ResetTarnbelKey() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\tarnbel"); RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\tarnbel"); }

bool KeyExists(const std::string& path, HKEY root) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

RawValue ReadRaw(const std::string& path, const std::string& name, HKEY root) {
  RawValue result;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &result.type, nullptr, &size) == ERROR_SUCCESS) {
    result.data.resize(size);
    result.found = RegQueryValueExA(key, name.c_str(), nullptr, &result.type, result.data.data(), &size) ==
                   ERROR_SUCCESS;
    result.data.resize(size);
  }
  RegCloseKey(key);
  return result;
}

bool ValueExists(const std::string& path, const std::string& name, HKEY root) {
  return ReadRaw(path, name, root).found;
}

void WriteRaw(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size,
              HKEY root) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void WriteRawString(const std::string& path, const std::string& name, const std::string& value) {
  WriteRaw(path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void WriteRawDword(const std::string& path, const std::string& name, uint32_t value) {
  WriteRaw(path, name, REG_DWORD, &value, sizeof value);
}

std::vector<std::string> SubkeyNames(const std::string& path, HKEY root) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char buffer[512];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof buffer;
    if (RegEnumKeyExA(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(buffer, length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::string> ValueNames(const std::string& path, HKEY root) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char buffer[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof buffer;
    if (RegEnumValueA(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(buffer, length);
  }
  RegCloseKey(key);
  return names;
}

}  // namespace testsupport
