#pragma once
// One row of the editor's attached list as the outputs read it: an entry row, a group header (its caption
// begins with a blank; a bank header carries its bank) or a divider (empty caption).
#include <string>

class TMappingInactiveItem;

struct TAttachedRow {
  const TMappingInactiveItem* Entry = nullptr;  // null for a header or divider row
  bool Inactive = false;                        // the entry is parked: another one holds its slot
  std::string Caption;
  int HeaderBank = -1;  // the bank of a bank header, else -1
};

// The name part of a row's caption, after "bbb: ppp: " (eleven characters with "drum" for bank 128), at
// most maxLength characters.
inline std::string ShownName(const std::string& caption, int bank, size_t maxLength) {
  const size_t start = bank == 128 ? 11 : 10;
  return start < caption.size() ? caption.substr(start, maxLength) : std::string();
}
