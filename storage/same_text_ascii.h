#pragma once
// Byte strings equal but for the case of the ASCII letters a-z; no other byte is passed over.
#include <string>

bool SameTextAscii(const std::string& a, const std::string& b);
