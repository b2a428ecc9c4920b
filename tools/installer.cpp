#include "installer.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "choose_directory.h"
#include "sys_utils.h"

const char* const ProductTitle = "tarnbel v1.24.2";
const char* const WinampPluginFile = "in_tbvox.dll";
const char* const DriverFile = "wendrel.dll";
const char* const InstallListFile = "instlist.txt";
const char* const UninstallEntryName = "tarnbel";
const char* const UninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const WinampUninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";

namespace {

const char* const WinampFolderCaption = "Select Winamp folder:";

// A registry key opened for the object's life.
class TKeyHandle {
 public:
  ~TKeyHandle() {
    if (FKey) RegCloseKey(FKey);
  }
  HKEY* Out() { return &FKey; }
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

bool IsFullPath(const std::string& path) {
  bool drive = path.size() >= 3 && IsCharAlphaA(path[0]) && path[1] == ':' && path[2] == '\\';
  bool share = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
  return drive || share;
}

// The text of a string value; false for a missing value or one of another type.
bool ReadStringValue(HKEY key, const char* name, std::string& text) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::string data(size, '\0');
  if (size && RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
    return false;
  data.resize(std::min<size_t>(size, data.size()));
  text = data.substr(0, data.find('\0'));
  if (type == REG_EXPAND_SZ) {
    char expanded[MAX_PATH * 4];
    DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof(expanded));
    if (length == 0 || length > sizeof(expanded)) return false;
    text = expanded;
  }
  return true;
}

bool SetStringValue(HKEY key, const char* name, const std::string& text) {
  LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               DWORD(text.size() + 1));
  if (result != ERROR_SUCCESS) SetLastError(DWORD(result));
  return result == ERROR_SUCCESS;
}

// The folder the plug-in goes to: Winamp's, else the one the user picks; false when cancelled.
bool WinampFolderForInstall(std::string& folder) {
  if (FindWinampFolder(folder)) return true;
  std::string chosen;
  if (ChooseDirectory(nullptr, chosen, WinampFolderCaption) != 1 || chosen.empty()) {
    SetLastError(ERROR_CANCELLED);
    return false;
  }
  folder = ui::IncludeTrailingBackslash(chosen);
  return true;
}

}  // namespace

std::string GetSpecialFolderPath(int folderId) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
  return ui::ExcludeTrailingBackslash(path);
}

std::string WinampFolderFromUninstallString(const std::string& value) {
  std::string program = value;
  if (!program.empty() && program[0] == '"') {
    program.erase(0, 1);
    program = program.substr(0, program.find('"'));
  } else {
    // Unquoted, the program ends with its ".exe" where arguments follow.
    std::string upper = ui::UpperCase(program);
    for (size_t at = upper.find(".EXE"); at != std::string::npos; at = upper.find(".EXE", at + 1)) {
      size_t end = at + 4;
      if (end == upper.size() || upper[end] == ' ' || upper[end] == '\t') {
        program.resize(end);
        break;
      }
    }
  }
  std::string folder = ui::ExtractFilePath(ui::Trim(program));
  return IsFullPath(folder) ? ui::IncludeTrailingBackslash(folder) : std::string();
}

bool FindWinampFolder(std::string& folder) {
  TKeyHandle key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WinampUninstallKeyPath, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return false;
  std::string value;
  if (!ReadStringValue(key.Get(), "UninstallString", value)) return false;
  std::string found = WinampFolderFromUninstallString(value);
  if (found.empty()) return false;
  folder = found;
  return true;
}

bool InstallWinampPlugin(const std::string& pluginName) {
  std::string folder;
  if (!WinampFolderForInstall(folder)) return false;
  std::string plugins = folder + "plugins";
  if (GetFileAttributesA(plugins.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryA(plugins.c_str(), nullptr))
    return false;
  return CopyWritable(ui::ProgramFolder() + pluginName, plugins + "\\" + pluginName);
}

std::string InstalledWinampPluginPath(const std::string& pluginName) {
  std::string folder;
  return FindWinampFolder(folder) ? folder + "plugins\\" + pluginName : std::string();
}

bool UninstallWinampPlugin(const std::string& pluginName) {
  std::string path = InstalledWinampPluginPath(pluginName);
  return path.empty() || DeleteInstalledCopy(path);
}

std::string SystemFolderPath(const std::string& name) {
  char folder[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(folder, sizeof(folder));
  if (length == 0 || length >= sizeof(folder)) return std::string();
  return ui::IncludeTrailingBackslash(folder) + name;
}

bool DeleteFromSystemFolder(const std::string& name) {
  std::string path = SystemFolderPath(name);
  return !path.empty() && DeleteInstalledCopy(path);
}

bool CopyToSystemFolder(const std::string& name) {
  std::string path = SystemFolderPath(name);
  return !path.empty() && CopyWritable(ui::ProgramFolder() + name, path);
}

bool WriteUninstallEntry(const std::string& keyName, const std::string& command, const std::string& displayName) {
  TKeyHandle key;
  LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (UninstallKeyPath + keyName).c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE, nullptr, key.Out(), nullptr);
  if (created != ERROR_SUCCESS) {
    SetLastError(DWORD(created));
    return false;
  }
  // Quoted, a folder with blanks cannot be read as a shorter program's path.
  size_t blank = command.find(' ');
  std::string program = command.substr(0, blank);
  std::string arguments = blank == std::string::npos ? std::string() : command.substr(blank);
  std::string uninstall = "\"" + ui::ProgramFolder() + program + "\"" + arguments;
  return SetStringValue(key.Get(), "DisplayName", displayName) && SetStringValue(key.Get(), "UninstallString", uninstall);
}

bool RemoveUninstallEntry(const std::string& keyName) {
  LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, (UninstallKeyPath + keyName).c_str());
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return true;
  SetLastError(DWORD(result));
  return false;
}
