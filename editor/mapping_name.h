#pragma once
// Names of stored mappings are registry key names under Software\tarnbel\mappings: not empty, no
// backslash (it would address another key's subkey or the mappings key itself), and short enough for the
// deepest key a mapping needs.
#include <windows.h>

#include <string>

// The registry's calls take key paths of at most MAX_PATH characters; the deepest key of a mapping is
// Software\tarnbel\mappings\<name>\BankBackgrounds.
constexpr size_t MaxMappingNameLength =
    MAX_PATH - (sizeof("Software\\tarnbel\\mappings\\") - 1) - (sizeof("\\BankBackgrounds") - 1);
static_assert(MaxMappingNameLength == 218, "the name's room in the deepest key path");

// The box text that says why the name cannot be used; empty when it can.
std::string MappingNameProblem(const std::string& name);
// Shows the problem in an information box owned by the window; true when the name can be used.
bool AcceptMappingName(const std::string& name, HWND owner);
