#include "ini_stores.h"

#include <cstdlib>
#include <vector>

#include "sys_utils.h"

namespace ui {

int TCustomIniStore::ReadInteger(const std::string& section, const std::string& ident, int def) {
  std::string s = Trim(ReadString(section, ident, std::string()));
  if (s.empty()) return def;
  char* end = nullptr;
  long long v = strtoll(s.c_str(), &end, 10);
  if (*end || v < INT32_MIN || v > INT32_MAX) return def;
  return int(v);
}

void TCustomIniStore::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, Format("%d", value));
}

// ---- TRegIniFile ----

namespace {

// Closes a key at scope end.
struct TKeyGuard {
  HKEY Key = nullptr;
  ~TKeyGuard() {
    if (Key) RegCloseKey(Key);
  }
};

}  // namespace

TRegIniFile::TRegIniFile(const std::string& fileName, HKEY root) : FFileName(fileName), FRoot(root) { Open(); }

TRegIniFile::~TRegIniFile() { Close(); }

void TRegIniFile::Open() {
  if (RegCreateKeyExA(FRoot, FFileName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey, nullptr) !=
      ERROR_SUCCESS) {
    // A hive we may only read still serves reads.
    if (RegOpenKeyExA(FRoot, FFileName.c_str(), 0, KEY_READ, &FKey) != ERROR_SUCCESS) FKey = nullptr;
  }
}

void TRegIniFile::Close() {
  if (FKey) RegCloseKey(FKey);
  FKey = nullptr;
}

void TRegIniFile::SetRootKey(HKEY root) {
  if (root == FRoot) return;
  Close();
  FRoot = root;
  Open();
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) {
  if (!FKey) return def;
  TKeyGuard sub;
  HKEY key = FKey;
  if (!section.empty()) {
    if (RegOpenKeyExA(FKey, section.c_str(), 0, KEY_READ, &sub.Key) != ERROR_SUCCESS) return def;
    key = sub.Key;
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, ident.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegIniError(Format("Invalid data type for '%s'", ident.c_str()));
  std::vector<char> buf(size + 1, '\0');
  if (RegQueryValueExA(key, ident.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return def;
  return std::string(buf.data());
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  TKeyGuard sub;
  HKEY key = FKey;
  if (FKey && !section.empty() &&
      RegCreateKeyExA(FKey, section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &sub.Key, nullptr) != ERROR_SUCCESS)
    key = nullptr;
  else if (!section.empty())
    key = sub.Key;
  if (!key) throw ERegIniError(Format("Failed to create key %s", section.c_str()));
  LONG rc = RegSetValueExA(key, ident.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD(value.size() + 1));
  if (rc != ERROR_SUCCESS) throw ERegIniError(Format("Failed to set data for '%s'", ident.c_str()));
}

void TRegIniFile::EraseSection(const std::string& section) {
  if (!FKey || section.empty()) return;
  RegDeleteTreeA(FKey, section.c_str());
  RegDeleteKeyA(FKey, section.c_str());
}

// ---- TIniFile ----

std::string TIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) {
  std::vector<char> buf(2048);
  for (;;) {
    DWORD n = GetPrivateProfileStringA(section.c_str(), ident.c_str(), def.c_str(), buf.data(), DWORD(buf.size()),
                                       FFileName.c_str());
    if (n + 1 < buf.size() || buf.size() >= (1u << 20)) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  // A null name would delete the whole section.
  if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), FFileName.c_str()))
    throw ERegIniError(Format("Unable to write to %s", FFileName.c_str()));
}

void TIniFile::EraseSection(const std::string& section) {
  if (section.empty()) return;
  WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FFileName.c_str());
}

}  // namespace ui
