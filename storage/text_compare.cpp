#include "text_compare.h"

#include <windows.h>

int AnsiCompareText(const std::string& a, const std::string& b) {
  int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()));
  return result == 0 ? a.compare(b) : result - CSTR_EQUAL;
}

bool AnsiSameText(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }

std::string AnsiSortKey(const std::string& s) {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // An empty text given by its length is refused; as an empty C string it has the key of an empty text.
  const char* text = s.empty() ? "" : s.data();
  const int length = s.empty() ? -1 : static_cast<int>(s.size());
  const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text, length, nullptr, 0);
  if (size <= 0) return std::string();
  std::string key(static_cast<size_t>(size), '\0');
  if (LCMapStringA(LOCALE_USER_DEFAULT, flags, text, length, &key[0], size) != size) return std::string();
  return key;
}

bool SameTextAs(const std::string& a, const std::string& b, bool localeAware) {
  return localeAware ? AnsiSameText(a, b) : SameTextAscii(a, b);
}
