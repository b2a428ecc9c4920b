#pragma once
// Programs outside the system that tests ask as independent oracles: Unix commands (fluidsynth reads the
// SoundFonts) and Wine's own reg.exe (reads what was stored).
#include <windows.h>

#include <string>

namespace testsupport {

// Runs a command line of /bin/sh; false when it did not end within the time or failed to start.
bool RunShell(const std::string& command, DWORD timeoutMs, DWORD* exitCode = nullptr);

// The output of "reg query HKCU\<path> /s": every key below with its values, as Wine's reg.exe prints
// them; empty when reg.exe did not run or did not end within the time.
std::string RegQueryTree(const std::string& path, DWORD timeoutMs = 20000);

}  // namespace testsupport
