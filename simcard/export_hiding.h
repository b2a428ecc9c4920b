#pragma once
// Makes an export of a loaded library unfindable by name, so a test can meet a library that lacks
// an entry. The name in the module's export table is changed in its last character, which keeps
// the table's sort order for the loader's binary search.
#include <windows.h>

namespace simcard {

// true when the export was found and renamed.
bool HideExport(HMODULE module, const char* name);

}  // namespace simcard
