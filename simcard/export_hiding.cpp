#include "export_hiding.h"

#include <cstring>

namespace simcard {

bool HideExport(HMODULE module, const char* name) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return false;
  auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    char* entry = reinterpret_cast<char*>(base + names[i]);
    if (strcmp(entry, name) != 0) continue;
    const size_t length = strlen(entry);
    DWORD old = 0;
    if (length == 0 || !VirtualProtect(entry, length, PAGE_READWRITE, &old)) return false;
    entry[length - 1] = '~';
    VirtualProtect(entry, length, old, &old);
    return true;
  }
  return false;
}

}  // namespace simcard
