#pragma once
// Small text and path helpers the class library and the kit share.
#include <string>

namespace ui {

std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
std::string Trim(const std::string& s);
// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Folder of the running program, with a trailing backslash.
std::string ProgramFolder();
std::string ExtractFilePath(const std::string& fileName);
// The part after the folder, and of that the extension from its last dot ("" when none).
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);
std::string ExcludeTrailingBackslash(const std::string& s);
std::string IncludeTrailingBackslash(const std::string& s);
// The text of a system error code.
std::string SysErrorMessage(unsigned long code);

}  // namespace ui
