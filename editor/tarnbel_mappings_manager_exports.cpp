// The merged mapping "current" of the active stored mappings, the exports made of it and the Logic list.
#include <algorithm>

#include "export_dialogs.h"
#include "export_settings.h"
#include "logic_patch_list.h"
#include "str_to_int.h"
#include "sys_utils.h"
#include "tarnbel_mapping.h"
#include "tarnbel_mappings_array.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_tools_globals.h"
#include "tarnbel_autocreate.h"

using namespace ui;

namespace {

using TExportDialog = bool (*)(TComponent* owner, const TMapping& mapping);

bool SaveCurrentFileDialog(TComponent* owner, const TMapping& mapping) {
  return SaveMappingFileDialog(owner, mapping, false);
}

}  // namespace

std::unique_ptr<TMapping> TMappingsManagerForm::BuildCurrentMapping() {
  auto current = std::make_unique<TMapping>("current", true, nullptr, "");
  TMappingsArray active;
  for (int bank = 0; bank < MappingBanks; ++bank) {
    current->SetBankName(bank, active.GetBankName(bank));
    for (int program = 0; program < MappingPrograms; ++program) {
      TMapping* serving = active.FindMappingFor(bank, program);
      const TMappingInactiveItem* item = serving ? serving->Slot(bank, program) : nullptr;
      if (item)
        current->AddItem(item->SourceFileText(), bank, true, 0, item->Name, int(item->SourceProgram),
                         int(item->SourceBank), program);
    }
  }
  return current;
}

void TMappingsManagerForm::BindExportActions() {
  const std::pair<TAction*, TExportDialog> exports[] = {
      {CreateCubase12Action, &ExportCubaseDev12Dialog}, {CreateCubase1Action, &ExportCubaseDevSeparateDialog},
      {CreateCakewalkAction, &ExportCakewalkInsDialog}, {CreateMassivaAction, &ExportMassivaMxpDialog},
      {CreateEvolutionAction, &ExportEvolutionPlsDialog}, {CreateEncoreAction, &ExportEncoreIniDialog},
      {CreateQuartzAction, &ExportQuartzSetDialog},     {SaveMappingInFileAction, &SaveCurrentFileDialog}};
  for (const auto& e : exports) {
    TExportDialog dialog = e.second;
    e.first->OnExecute = [this, dialog](TObject*) {
      if (Busy()) return;
      TCommand command(this);
      ExportCurrent(dialog);
    };
  }
}

void TMappingsManagerForm::ExportCurrent(TExportDialog dialog) {
  std::unique_ptr<TMapping> current = BuildCurrentMapping();
  dialog(this, *current);
}

void TMappingsManagerForm::AutoExportActionExecute() {
  std::unique_ptr<TAutocreateForm, TFreeDeleter> form(new TAutocreateForm(this));
  form->ShowModal();
}

void TMappingsManagerForm::CreateLogicList() {
  const int32_t last = Settings ? Settings->ReadInteger("LastLogicBank", 0) : 0;
  int32_t proposal = std::min<int32_t>(std::max<int32_t>(last, 0), DrumKitBank);
  if (LogicStepUp && proposal < DrumKitBank) ++proposal;
  if (LogicStepDown && proposal >= 1) --proposal;
  int32_t bank;
  if (UseLogicFixedBank) {
    bank = LogicFixedBank;
  } else {
    std::string text = std::to_string(proposal);
    if (!InputQuery("Create Logic patch list", "Enter source bank number", text)) return;
    bank = StrToIntDef(Trim(text), DrumKitBank + 1);
    LogicStepUp = bank == last + 1;
    LogicStepDown = bank == last - 1;
  }
  // The fixed bank too: a stored value outside the banks lists nothing.
  if (bank < 0 || bank > DrumKitBank) return;
  TLogicTable table;
  table.Fill(*BuildCurrentMapping());
  // The bank is remembered only once its list is on the clipboard.
  if (PutLogicListOnClipboard(table.BankText(bank), Handle()) && Settings)
    Settings->WriteInteger("LastLogicBank", bank);
}
