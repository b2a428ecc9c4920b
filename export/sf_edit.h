#pragma once
// TSFEdit: the SoundFont Edit Engine library loaded at run time, bound twice; the writer calls the
// second binding's table.
#include <windows.h>

#include <string>

#include "sf_edit_engine_api.h"

class TSFEdit {
 public:
  // An empty name binds "sfedt32.dll". The outcome is not returned: test Table() before use.
  explicit TSFEdit(const std::string& libraryName = std::string());
  ~TSFEdit();
  TSFEdit(const TSFEdit&) = delete;
  TSFEdit& operator=(const TSFEdit&) = delete;

  const std::string& LibraryName() const { return FLibraryName; }
  // The second binding's table, or null when the binding failed.
  void* Table() const { return FTable2; }
  bool Bound() const { return FTable2 != nullptr; }

  // The entry point at a byte offset of the bound table.
  template <typename Proc>
  Proc Entry(size_t byteOffset) const {
    return sfedit::Slot<Proc>(FTable2, byteOffset);
  }

 private:
  bool Bind();
  void FreeLibraries();

  std::string FLibraryName;
  HMODULE FLibrary1 = nullptr, FLibrary2 = nullptr;
  sfedit::EntryProc FEntry1 = nullptr, FEntry2 = nullptr;
  void* FTable1 = nullptr;
  void* FTable2 = nullptr;
};
