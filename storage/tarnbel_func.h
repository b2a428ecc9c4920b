#pragma once
// Free routines both programs share: file tests, padding, bank labels, file-name cleaning,
// escaping, and the lists of stored mappings and combos.
#include <string>
#include <vector>

// The registry key under the current user's hive that holds all settings of both programs.
extern const char* const TarnbelKeyPath;  // "Software\tarnbel"

bool FileExistsNotDir(const std::string& path);
bool DirectoryOrDriveExists(const std::string& path);

std::string PadLeftZeros(const std::string& s, size_t width);
std::string PadRight(const std::string& s, size_t width);
std::string IntToStrZero(long long n, size_t width);

std::string BankDisplayName(int bank);
std::string FormatBankProgram(int bank, int program);

std::string SanitizeFileName(const std::string& s);
std::string XmlEscape(const std::string& s);

void GetSubkeyNames(const std::string& suffix, std::vector<std::string>& names);
void GetMappingNames(std::vector<std::string>& names);
void GetComboNames(std::vector<std::string>& names);
