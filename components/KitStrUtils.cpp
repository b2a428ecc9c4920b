#include "KitStrUtils.h"

std::string ReplaceStr(const std::string& s, const std::string& search, const std::string& replacement) {
  // An empty search matches nowhere (it would otherwise never end).
  if (search.empty()) return s;
  std::string result;
  size_t from = 0;
  for (;;) {
    size_t at = s.find(search, from);
    if (at == std::string::npos) break;
    result.append(s, from, at - from);
    result += replacement;
    from = at + search.size();
  }
  result.append(s, from, std::string::npos);
  return result;
}

std::string DelBSpace(const std::string& s) {
  size_t i = s.find_first_not_of(' ');
  return i == std::string::npos ? std::string() : s.substr(i);
}

static bool IsDelimiter(char c, const std::string& delimiters) { return delimiters.find(c) != std::string::npos; }

int WordCount(const std::string& s, const std::string& delimiters) {
  int count = 0;
  bool inWord = false;
  for (char c : s) {
    bool d = IsDelimiter(c, delimiters);
    if (!d && !inWord) ++count;
    inWord = !d;
  }
  return count;
}

int WordPosition(int n, const std::string& s, const std::string& delimiters) {
  int count = 0;
  bool inWord = false;
  for (size_t i = 0; i < s.size(); ++i) {
    bool d = IsDelimiter(s[i], delimiters);
    if (!d && !inWord && ++count == n) return int(i) + 1;
    inWord = !d;
  }
  return 0;
}

std::string ExtractWord(int n, const std::string& s, const std::string& delimiters) {
  int pos = WordPosition(n, s, delimiters);
  if (pos == 0) return std::string();
  size_t start = size_t(pos - 1), end = start;
  while (end < s.size() && !IsDelimiter(s[end], delimiters)) ++end;
  return s.substr(start, end - start);
}

std::string XorEncode(const std::string& key, const std::string& s) {
  static const char digits[] = "0123456789abcdef";
  std::string result;
  result.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (!key.empty()) b ^= static_cast<unsigned char>(key[i % key.size()]);
    result += digits[b >> 4];
    result += digits[b & 15];
  }
  return result;
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string XorDecode(const std::string& key, const std::string& s) {
  std::string result;
  for (size_t k = 0; k < s.size() / 2; ++k) {
    int hi = HexDigit(s[2 * k]), lo = HexDigit(s[2 * k + 1]);
    unsigned char b = hi < 0 || lo < 0 ? 32 : static_cast<unsigned char>(hi * 16 + lo);
    if (!key.empty()) b ^= static_cast<unsigned char>(key[k % key.size()]);
    result += static_cast<char>(b);
  }
  return result;
}
