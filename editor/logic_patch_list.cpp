#include "logic_patch_list.h"

#include "clipboard.h"
#include "export_output.h"
#include "message_box.h"
#include "ui_exceptions.h"

namespace {
// The longest name a line takes.
constexpr size_t LogicNameLength = 255;
}  // namespace

void TLogicTable::Fill(const std::vector<TAttachedRow>& rows) {
  for (std::string& name : FNames) name.clear();
  for (const TAttachedRow& row : rows) {
    if (!row.Entry || row.Inactive) continue;
    const int bank = int(row.Entry->TargetBank), program = int(row.Entry->TargetProgram);
    if (ValidSlot(bank, program)) FNames[Index(bank, program)] = ShownName(row.Caption, bank, LogicNameLength);
  }
}

void TLogicTable::Fill(const TMapping& mapping) {
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program) {
      const TMappingInactiveItem* item = mapping.Slot(bank, program);
      FNames[Index(bank, program)] = item ? item->GetPresetName().substr(0, LogicNameLength) : std::string();
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

bool PutLogicListOnClipboard(const std::string& text, HWND owner) {
  try {
    ui::Clipboard().SetAsText(text);
    return true;
  } catch (const ui::EWin32Error& error) {
    ui::ShowMessageBox("The list was not created: " + std::string(error.what()) +
                           " (another program may be using it). Please try again.",
                       "tarnbel", MB_OK | MB_ICONWARNING, owner);
    return false;
  }
}
