#pragma once
// The Logic patch list: the names of one bank's 128 programs, one line each, as the editor's attached list
// shows them or as the manager's merged mapping names them, put on the clipboard.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "attached_row.h"
#include "tarnbel_mapping.h"

// The shown name of every slot's entry; empty where no entry is in force.
class TLogicTable {
 public:
  TLogicTable() : FNames(size_t(MappingBanks) * MappingPrograms) {}
  // Every slot empty, then the names of the rows' entries that hold their slots.
  void Fill(const std::vector<TAttachedRow>& rows);
  // Every slot's name from the mapping's entries in force.
  void Fill(const TMapping& mapping);
  const std::string& Name(int bank, int program) const { return FNames[Index(bank, program)]; }
  // 128 lines (CR LF each): the slot's name, or "-" for an empty slot.
  std::string BankText(int bank) const;

 private:
  static size_t Index(int bank, int program) { return size_t(bank) * MappingPrograms + size_t(program); }
  std::vector<std::string> FNames;
};

// Puts the list on the clipboard; false after a warning box owned by the window when another program
// holds the clipboard.
bool PutLogicListOnClipboard(const std::string& text, HWND owner);
