#include "tarnbel_func.h"

#include <windows.h>

#include "registry_internal.h"

const char* const TarnbelKeyPath = "Software\\tarnbel";

bool FileExistsNotDir(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryOrDriveExists(const std::string& path) {
  std::string probe = path;
  if (!probe.empty() && probe.back() == ':') probe += '\\';
  bool driveRoot = probe.size() >= 2 && probe.compare(probe.size() - 2, 2, ":\\") == 0;
  if (driveRoot) return GetDriveTypeA(probe.c_str()) != DRIVE_NO_ROOT_DIR;
  if (probe.empty() || probe.back() == '\\') return false;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(probe.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string PadLeftZeros(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), '0') + s;
}

std::string PadRight(const std::string& s, size_t width) {
  return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string IntToStrZero(long long n, size_t width) { return PadLeftZeros(std::to_string(n), width); }

std::string BankDisplayName(int bank) {
  return bank == 128 ? std::string("drumsets") : "bank " + IntToStrZero(bank, 3);
}

std::string FormatBankProgram(int bank, int program) {
  return IntToStrZero(bank, 3) + ":" + IntToStrZero(program, 3);
}

std::string SanitizeFileName(const std::string& s) {
  static const std::string forbidden = "\"*/:<>?\\|";
  std::string result = s;
  for (char& c : result) {
    unsigned char code = static_cast<unsigned char>(c);
    if (code < 32 || forbidden.find(c) != std::string::npos) c = '_';
  }
  return result;
}

std::string XmlEscape(const std::string& s) {
  std::string result;
  result.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '"': result += "&quot;"; break;
      case '&': result += "&amp;"; break;
      case '<': result += "&lt;"; break;
      case '>': result += "&gt;"; break;
      default: result += c;
    }
  }
  return result;
}

void GetSubkeyNames(const std::string& suffix, std::vector<std::string>& names) {
  TRegKey key(std::string(TarnbelKeyPath) + suffix, true, HKEY_CURRENT_USER);
  names.clear();
  key.GetKeyNames(names);
}

void GetMappingNames(std::vector<std::string>& names) { GetSubkeyNames("\\mappings", names); }

void GetComboNames(std::vector<std::string>& names) { GetSubkeyNames("\\combos", names); }
