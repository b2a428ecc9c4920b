#pragma once
// File masks such as "*.sf2;*.wav" with "*" and "?" wildcards, matched without regard to case.
#include <string>
#include <vector>

// Fills the list with the lower-cased masks of the text, sorted; an empty text gives the single mask "*".
// Empty pieces stay in the list and match nothing.
void ParseFileMasks(const std::string& text, std::vector<std::string>& masks);
// True when the name matches any mask; an empty list matches every name. A name without "." is tested
// with one appended.
bool MatchesMaskList(const std::string& name, const std::vector<std::string>& masks);
// name and mask already lower-cased. A literal after "*" binds to its first occurrence (no backing up).
bool MatchesMask(const std::string& name, const std::string& mask);
