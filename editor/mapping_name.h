#pragma once
// Names of stored mappings are registry key names under Software\tarnbel\mappings: not empty, no
// backslash (it would address another key's subkey or the mappings key itself), at most 255 characters.
#include <windows.h>

#include <string>

constexpr size_t MaxMappingNameLength = 255;

// The box text that says why the name cannot be used; empty when it can.
std::string MappingNameProblem(const std::string& name);
// Shows the problem in an information box owned by the window; true when the name can be used.
bool AcceptMappingName(const std::string& name, HWND owner);
