#include "KitFileUtil.h"

#include <windows.h>

#include <functional>
#include <vector>

std::string NormalDir(const std::string& name) {
  if (name.empty() || name.back() == ':' || name.back() == '\\') return name;
  char c = name[0];
  if (name.size() == 1 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return name + ":\\";
  return name + "\\";
}

// The platform returns 0 on failure and the needed size when the buffer is too small.
static std::string QueryFolder(const std::function<UINT(char*, UINT)>& query) {
  std::vector<char> buf(1024);
  UINT n = query(buf.data(), UINT(buf.size()));
  if (n >= buf.size()) {
    buf.resize(size_t(n) + 1);
    n = query(buf.data(), UINT(buf.size()));
    if (n >= buf.size()) n = 0;
  }
  return std::string(buf.data(), n);
}

std::string GetTempDir() {
  return QueryFolder([](char* b, UINT size) { return UINT(GetTempPathA(size, b)); });
}

std::string GetWindowsDir() {
  return QueryFolder([](char* b, UINT size) { return GetWindowsDirectoryA(b, size); });
}

std::string GetSystemDir() {
  return QueryFolder([](char* b, UINT size) { return GetSystemDirectoryA(b, size); });
}
