#pragma once
// Words, replacement and a keyed text scramble. Word routines take the delimiter characters
// as a string; positions are 1-based.
#include <string>

std::string ReplaceStr(const std::string& s, const std::string& search, const std::string& replacement);
// s without its leading blanks (the blank character only).
std::string DelBSpace(const std::string& s);
int WordCount(const std::string& s, const std::string& delimiters);
// Position of the first character of word n; 0 when there are fewer words.
int WordPosition(int n, const std::string& s, const std::string& delimiters);
std::string ExtractWord(int n, const std::string& s, const std::string& delimiters);
// Each byte XOR the key (cycled), as two lower-case hex digits.
std::string XorEncode(const std::string& key, const std::string& s);
// The inverse; a pair that is not hex reads as a blank, an odd last character is ignored.
std::string XorDecode(const std::string& key, const std::string& s);
