#pragma once
// Byte strings equal but for the case of the ASCII letters a-z; no other byte is passed over.
#include <string>

// The byte with A-Z made a-z; every other byte as it is.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(const std::string& a, const std::string& b);
