#pragma once
// Commands of the host's shell, run from inside Wine: the independent readers and players the tests compare
// with (Python, fluidsynth, a browser) are host programs.
#include <windows.h>

#include <string>

namespace testsupport {

// Runs a command line of /bin/sh; false when it did not end within the time or failed to start.
bool RunShell(const std::string& command, DWORD timeoutMs, DWORD* exitCode = nullptr);

}  // namespace testsupport
