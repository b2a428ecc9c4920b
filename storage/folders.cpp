#include "folders.h"

#include <windows.h>

bool DirExists(const std::string& name) {
  DWORD attr = GetFileAttributesA(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

void ForceDirectories(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty() || path.back() == ':' || DirExists(path)) return;
  size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos && cut > 0) ForceDirectories(path.substr(0, cut));
  CreateDirectoryA(path.c_str(), nullptr);
}
