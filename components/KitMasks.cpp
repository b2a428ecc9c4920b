#include "KitMasks.h"

#include <algorithm>

#include "sys_utils.h"  // LowerCase: the system's ANSI lower-casing

void ParseFileMasks(const std::string& text, std::vector<std::string>& masks) {
  masks.clear();
  if (text.empty()) {
    masks.push_back("*");
    return;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    masks.push_back(ui::LowerCase(text.substr(start, end - start)));
    start = end + 1;
  }
  std::sort(masks.begin(), masks.end());
}

bool MatchesMaskList(const std::string& name, const std::vector<std::string>& masks) {
  if (masks.empty()) return true;
  std::string lower = ui::LowerCase(name);
  if (lower.find('.') == std::string::npos) lower += '.';
  for (const std::string& mask : masks)
    if (MatchesMask(lower, mask)) return true;
  return false;
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*" || (mask == "*.*" && name.find('.') != std::string::npos)) return true;
  if (mask.find_first_of("*?") == std::string::npos && mask == name) return true;
  if (mask.empty()) return false;

  std::vector<std::string> tokens;
  for (size_t i = 0; i < mask.size();) {
    if (mask[i] == '*' || mask[i] == '?') {
      tokens.push_back(mask.substr(i, 1));
      ++i;
    } else {
      size_t end = mask.find_first_of("*?", i);
      if (end == std::string::npos) end = mask.size();
      tokens.push_back(mask.substr(i, end - i));
      i = end;
    }
  }

  // p is a 0-based position in the name; name.size() means every character was used.
  size_t p = 0;
  bool star = false;
  for (size_t t = 0; t < tokens.size(); ++t) {
    const std::string& token = tokens[t];
    if (token == "?") {
      ++p;
      if (p > name.size()) return false;
    } else if (token == "*") {
      star = true;
    } else if (star) {
      star = false;
      if (t + 1 == tokens.size()) {
        // The rest of the name must end with the literal; else p stays short of the end.
        bool ends = name.size() - p >= token.size() &&
                    name.compare(name.size() - token.size(), token.size(), token) == 0;
        if (!ends) return false;
        p = name.size();
      } else {
        size_t at = name.find(token, p);
        if (at == std::string::npos) return false;
        p = at + token.size();
      }
    } else {
      if (name.compare(p, token.size(), token) != 0 || name.size() - p < token.size()) return false;
      p += token.size();
    }
  }
  return p == name.size() || tokens.back() == "*";
}
