#pragma once
// Case-blind comparisons of the system's byte strings.
#include <string>

// Order of two texts without regard to case, by the user's locale (<0, 0, >0).
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);
// Equality ignoring the case of the ASCII letters a-z only.
bool SameTextAscii(const std::string& a, const std::string& b);
// AnsiSameText when localeAware, else SameTextAscii.
bool SameTextAs(const std::string& a, const std::string& b, bool localeAware);
