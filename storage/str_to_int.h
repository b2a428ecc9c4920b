#pragma once
// Strict decimal number parsing of stored texts.
#include <cstdint>
#include <string>

// An optional sign and decimal digits, nothing else, within 32 bits.
bool TryStrToInt(const std::string& s, int32_t& value);
int32_t StrToIntDef(const std::string& s, int32_t defaultValue);
