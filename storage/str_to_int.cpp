#include "str_to_int.h"

bool TryStrToInt(const std::string& s, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t n = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    n = n * 10 + (s[i] - '0');
    if (n > 2147483648LL) return false;
  }
  if (negative) n = -n;
  if (n > INT32_MAX || n < INT32_MIN) return false;
  value = static_cast<int32_t>(n);
  return true;
}

int32_t StrToIntDef(const std::string& s, int32_t defaultValue) {
  int32_t value;
  return TryStrToInt(s, value) ? value : defaultValue;
}
