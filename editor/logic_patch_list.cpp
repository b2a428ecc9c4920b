#include "logic_patch_list.h"

#include "export_output.h"

void TLogicTable::Fill(const std::vector<TAttachedRow>& rows) {
  for (std::string& name : FNames) name.clear();
  for (const TAttachedRow& row : rows) {
    if (!row.Entry || row.Inactive) continue;
    const int bank = int(row.Entry->TargetBank), program = int(row.Entry->TargetProgram);
    if (ValidSlot(bank, program)) FNames[Index(bank, program)] = ShownName(row.Caption, bank, 255);
  }
}

std::string TLogicTable::BankText(int bank) const {
  std::string text;
  if (bank < 0 || bank >= MappingBanks) return text;
  for (int program = 0; program < MappingPrograms; ++program) {
    const std::string& name = Name(bank, program);
    // A line break inside a name would add a line: the list keeps one line per program.
    text += (name.empty() ? std::string("-") : LineText(name)) + "\r\n";
  }
  return text;
}
