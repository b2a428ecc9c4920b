#pragma once
// Points one import slot of this program at a stand-in while the object lives: the tests count calls a
// library makes to the system (file opens, comparisons) through it.
#include <windows.h>

#include <cstring>

class TImportPatch {
 public:
  TImportPatch(const char* name, void* replacement, void** original) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); dll->Name && !FSlot; ++dll) {
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
      for (; names->u1.AddressOfData && !FSlot; ++names, ++slots)
        if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
            strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, name) == 0)
          FSlot = reinterpret_cast<void**>(&slots->u1.Function);
    }
    if (FSlot) *original = Exchange(replacement);
  }
  ~TImportPatch() {
    if (FSlot) Exchange(FOld);
  }
  TImportPatch(const TImportPatch&) = delete;
  TImportPatch& operator=(const TImportPatch&) = delete;

 private:
  void* Exchange(void* value) {
    DWORD protection = 0;
    VirtualProtect(FSlot, sizeof(void*), PAGE_READWRITE, &protection);
    void* old = *FSlot;
    *FSlot = value;
    VirtualProtect(FSlot, sizeof(void*), protection, &protection);
    return FOld = old;
  }
  void** FSlot = nullptr;
  void* FOld = nullptr;
};
