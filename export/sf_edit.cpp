#include "sf_edit.h"

TSFEdit::TSFEdit(const std::string& libraryName)
    : FLibraryName(libraryName.empty() ? std::string(sfedit::LibraryName) : libraryName) {
  Bind();
}

TSFEdit::~TSFEdit() { FreeLibraries(); }

void TSFEdit::FreeLibraries() {
  if (FLibrary2) FreeLibrary(FLibrary2);
  if (FLibrary1) FreeLibrary(FLibrary1);
  FLibrary1 = FLibrary2 = nullptr;
  FEntry1 = FEntry2 = nullptr;
  FTable1 = FTable2 = nullptr;
}

bool TSFEdit::Bind() {
  FreeLibraries();
  FLibrary1 = LoadLibraryA(FLibraryName.c_str());
  FLibrary2 = LoadLibraryA(FLibraryName.c_str());
  if (!FLibrary1 || !FLibrary2) return false;
  FEntry1 = reinterpret_cast<sfedit::EntryProc>(reinterpret_cast<void*>(GetProcAddress(FLibrary1, sfedit::EntryName)));
  FEntry2 = reinterpret_cast<sfedit::EntryProc>(reinterpret_cast<void*>(GetProcAddress(FLibrary2, sfedit::EntryName)));
  // Only an export that was found is called.
  if (!FEntry1 || !FEntry2) return false;
  // The first binding's answer does not matter; the writer works on the second table.
  FEntry1(sfedit::ApiVersion, &FTable1);
  void* table = nullptr;
  if (FEntry2(sfedit::ApiVersion, &table) != sfedit::ResultOk || !table) return false;
  FTable2 = table;
  return true;
}
