#include "locale_format.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ui {

namespace {

char LocaleSeparator() {
  char buf[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) > 0 && buf[0]) return buf[0];
  return '.';
}

char& Separator() {
  static char separator = LocaleSeparator();
  return separator;
}

}  // namespace

char DecimalSeparator() { return Separator(); }
void SetDecimalSeparator(char separator) { Separator() = separator; }

std::string FloatToStrF(double value, int digits) {
  char buf[64];
  snprintf(buf, sizeof buf, "%.*G", digits, value);
  std::string s(buf);
  for (char& c : s)
    if (c == '.') c = DecimalSeparator();
  return s;
}

bool TryStrToFloat(const std::string& text, double& value) {
  if (text.empty()) return false;
  // The C runtime parses with ".", whatever the program's separator is.
  std::string s = text;
  for (char& c : s) {
    if (c == '.' && DecimalSeparator() != '.') return false;
    if (c == DecimalSeparator()) c = '.';
  }
  if (s[0] == ' ' || s[0] == '\t') return false;
  errno = 0;
  char* end = nullptr;
  double v = strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || errno == ERANGE) return false;
  value = v;
  return true;
}

std::string WideCharToString(wchar_t c) {
  if (c == 0) return std::string();
  char buf[8];
  int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, buf, sizeof buf, nullptr, nullptr);
  return std::string(buf, n > 0 ? size_t(n) : 0);
}

wchar_t StringToWideChar(const std::string& s) {
  if (s.empty()) return 0;
  wchar_t w[4] = {};
  // A lead byte and its trail make one character.
  int len = IsDBCSLeadByte(BYTE(s[0])) && s.size() > 1 ? 2 : 1;
  return MultiByteToWideChar(CP_ACP, 0, s.data(), len, w, 4) > 0 ? w[0] : 0;
}

}  // namespace ui
