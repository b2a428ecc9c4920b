#pragma once
// Case-blind comparisons of the system's byte strings.
#include <string>

#include "same_text_ascii.h"

// Order of two texts without regard to case, by the user's locale (<0, 0, >0).
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);
// The text's sort key for AnsiCompareText: two texts compare equal exactly when their keys are equal, so
// the key can stand for the text in a hashed look-up. Empty when the system cannot make one.
std::string AnsiSortKey(const std::string& s);
// AnsiSameText when localeAware, else SameTextAscii.
bool SameTextAs(const std::string& a, const std::string& b, bool localeAware);
