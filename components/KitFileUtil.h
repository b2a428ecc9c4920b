#pragma once
// Folder names and the system's folders.
#include <string>

#include "folders.h"  // DirExists

std::string NormalDir(const std::string& name);
// The temporary folder ends in a backslash; the Windows and system folders do not.
std::string GetTempDir();
std::string GetWindowsDir();
std::string GetSystemDir();
