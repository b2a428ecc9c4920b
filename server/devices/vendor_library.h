#pragma once
// The vendor libraries are loaded once per process: a library's start-up runs at every load, and a
// library may take resources there (thread-local storage indexes of its runtime) that its unload
// never gives back, so a server turned on and off for days would run out of them. The back ends
// still load and free their own reference; the process keeps one more from the first load on.
#include <windows.h>

// LoadLibraryA; the first successful load of each library in the process is also kept.
HMODULE LoadVendorLibrary(const char* name);
// Gives up the references the process keeps: a library no back end holds is unloaded. For tests
// that change or take away a library between their cases.
void ReleaseVendorLibraries();
