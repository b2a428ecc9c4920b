#pragma once
// The Logic patch list: the names of one bank's 128 programs, one line each, as the attached list shows them.
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
  const std::string& Name(int bank, int program) const { return FNames[Index(bank, program)]; }
  // 128 lines (CR LF each): the slot's name, or "-" for an empty slot.
  std::string BankText(int bank) const;

 private:
  static size_t Index(int bank, int program) { return size_t(bank) * MappingPrograms + size_t(program); }
  std::vector<std::string> FNames;
};
