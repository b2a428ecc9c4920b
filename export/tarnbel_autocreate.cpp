#include "tarnbel_autocreate.h"

#include <cmath>
#include <memory>

#include "choose_directory.h"
#include "export_output.h"
#include "export_settings.h"
#include "registry_internal.h"

using namespace ui;

UI_CLASSINFO(TAutocreateForm)

namespace {

constexpr int FieldLeft = 24, FieldWidth = 376, Gap = 50;

}  // namespace

TAutocreateForm::TAutocreateForm(TComponent* owner) : TForm(owner) {
  SetName("AutocreateForm");
  SetBorderStyle(bsDialog);
  SetCaption("automatically create:");
  SetClientSize(408, 448);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);

  MappingCheckBox = AddCheckBox("MappingCheckBox", "Mapping files (.txt)", 8, 8, 300);
  MappingComboEdit = AddFolderField("MappingComboEdit", 28);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetBounds(8, 8 + Gap, 300, 16);
  Label1->SetCaption("Cubase Studio module drivers (.dev)");
  CubaseCheckBox = AddCheckBox("CubaseCheckBox", "12 banks per file", FieldLeft, 26 + Gap, 150);
  CubaseSepCheckBox = AddCheckBox("CubaseSepCheckBox", "One bank per file", 180, 26 + Gap, 150);
  CubaseComboEdit = AddFolderField("CubaseComboEdit", 46 + Gap);
  int top = 8 + 2 * Gap + 18;
  CakewalkCheckBox = AddCheckBox("CakewalkCheckBox", "Cakewalk instrument definitions (.ins)", 8, top, 300);
  CakewalkComboEdit = AddFolderField("CakewalkComboEdit", top + 20);
  MassivaCheckBox = AddCheckBox("MassivaCheckBox", "Massiva patch maps (.mxp)", 8, top += Gap, 300);
  MassivaComboEdit = AddFolderField("MassivaComboEdit", top + 20);
  EvolutionCheckBox = AddCheckBox("EvolutionCheckBox", "Evolution patch maps (.pls)", 8, top += Gap, 300);
  EvolutionComboEdit = AddFolderField("EvolutionComboEdit", top + 20);
  EncoreCheckBox = AddCheckBox("EncoreCheckBox", "Encore device files (.dev)", 8, top += Gap, 300);
  EncoreComboEdit = AddFolderField("EncoreComboEdit", top + 20);
  QuartzCheckBox = AddCheckBox("QuartzCheckBox", "Quartz sound name sets (.set)...", 8, top += Gap, 300);
  QuartzComboEdit = AddFolderField("QuartzComboEdit", top + 20);

  LogicFixedBankCheckBox =
      AddCheckBox("LogicFixedBankCheckBox", "When export to Logic always create bank #", 8, top += Gap + 2, 256);
  LogicFixedBankKitSpinEdit = new TKitSpinEdit(this);
  LogicFixedBankKitSpinEdit->SetName("LogicFixedBankKitSpinEdit");
  LogicFixedBankKitSpinEdit->SetParent(this);
  LogicFixedBankKitSpinEdit->SetBounds(268, top - 2, 56, 21);
  LogicFixedBankKitSpinEdit->SetMaxValue(128);
  LogicFixedBankKitSpinEdit->SetTabStop(true);

  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetBounds(166, top + 34, 75, 25);
  Button1->SetCaption("Close");
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
  Button1->SetTabStop(true);

  FormCreate();
  LogicFixedBankKitSpinEdit->OnChange = [this](TObject*) { LogicFixedBankKitSpinEditChange(); };
  OnKeyDown = [this](TObject*, WORD& key, TSet32) { FormKeyPress(key); };
  OnDestroy = [this](TObject*) { FormDestroy(); };
  SetActiveControl(MappingCheckBox);
}

TCheckBox* TAutocreateForm::AddCheckBox(const char* name, const std::string& caption, int left, int top, int width) {
  auto* box = new TCheckBox(this);
  box->SetName(name);
  box->SetParent(this);
  box->SetBounds(left, top, width, 17);
  box->SetCaption(caption);
  box->SetTabStop(true);
  return box;
}

TComboEdit* TAutocreateForm::AddFolderField(const char* name, int top) {
  auto* field = new TComboEdit(this);
  field->SetName(name);
  field->SetParent(this);
  field->SetBounds(FieldLeft, top, FieldWidth, 21);
  field->SetGlyphKind(gkEllipsis);
  field->SetButtonWidth(16);
  field->SetNumGlyphs(1);
  field->SetTabStop(true);
  field->OnButtonClick = [this](TObject* sender) { MappingComboEditButtonClick(sender); };
  return field;
}

void TAutocreateForm::FormCreate() {
  const std::pair<TCheckBox*, bool> flags[] = {
      {MappingCheckBox, AutocreateMapping},       {CubaseCheckBox, AutocreateCubase12},
      {CubaseSepCheckBox, AutocreateCubase1},     {CakewalkCheckBox, AutocreateCakewalk},
      {MassivaCheckBox, AutocreateMassiva},       {EvolutionCheckBox, AutocreateEvolution},
      {EncoreCheckBox, AutocreateEncore},         {QuartzCheckBox, AutocreateQuartz},
      {LogicFixedBankCheckBox, UseLogicFixedBank}};
  for (const auto& [box, on] : flags) box->SetChecked(on);
  const std::pair<TComboEdit*, std::string> folders[] = {
      {MappingComboEdit, MappingPath}, {CubaseComboEdit, CubasePath},       {CakewalkComboEdit, CakewalkPath},
      {MassivaComboEdit, MassivaPath}, {EvolutionComboEdit, EvolutionPath}, {EncoreComboEdit, EncorePath},
      {QuartzComboEdit, QuartzPath}};
  for (const auto& [field, folder] : folders) field->SetText(folder);
  LogicFixedBankKitSpinEdit->SetValue(LogicFixedBank);
}

void TAutocreateForm::FormDestroy() {
  const std::pair<bool&, TCheckBox*> flags[] = {
      {AutocreateMapping, MappingCheckBox},       {AutocreateCubase12, CubaseCheckBox},
      {AutocreateCubase1, CubaseSepCheckBox},     {AutocreateCakewalk, CakewalkCheckBox},
      {AutocreateMassiva, MassivaCheckBox},       {AutocreateEvolution, EvolutionCheckBox},
      {AutocreateEncore, EncoreCheckBox},         {AutocreateQuartz, QuartzCheckBox},
      {UseLogicFixedBank, LogicFixedBankCheckBox}};
  for (const auto& [on, box] : flags) on = box->Checked();
  const std::pair<std::string&, TComboEdit*> folders[] = {
      {MappingPath, MappingComboEdit}, {CubasePath, CubaseComboEdit},       {CakewalkPath, CakewalkComboEdit},
      {MassivaPath, MassivaComboEdit}, {EvolutionPath, EvolutionComboEdit}, {EncorePath, EncoreComboEdit},
      {QuartzPath, QuartzComboEdit}};
  for (const auto& [folder, field] : folders) folder = field->Text();
  const long bank = std::lround(LogicFixedBankKitSpinEdit->Value());
  LogicFixedBank = bank < 0 || bank > 128 ? 0 : int32_t(bank);
  std::unique_ptr<TRegKey> own;
  WriteExportSettings(ToolsSettingsKey(own));
}

// Escape closes, and so stores, from any control: the form hears the keys first (key preview).
void TAutocreateForm::FormKeyPress(WORD& key) {
  if (key != VK_ESCAPE) return;
  key = 0;
  Close();
}

// Shared by the seven folder fields: the picker starts at the field's folder and, on OK, fills it.
void TAutocreateForm::MappingComboEditButtonClick(TObject* sender) {
  auto* field = dynamic_cast<TComboEdit*>(sender);
  if (!field) return;
  std::string folder = field->Text();
  if (ChooseDirectory(this, folder, "") == mrOk) field->SetText(folder);
}

// The field keeps a bank number the Logic list has: 0-128.
void TAutocreateForm::LogicFixedBankKitSpinEditChange() {
  const double value = LogicFixedBankKitSpinEdit->Value();
  if (value > LogicFixedBankKitSpinEdit->MaxValue())
    LogicFixedBankKitSpinEdit->SetValue(LogicFixedBankKitSpinEdit->MaxValue());
  if (value < 0) LogicFixedBankKitSpinEdit->SetValue(0);
}

void ShowAutocreateForm(TComponent* owner) {
  std::unique_ptr<TAutocreateForm, TFreeDeleter> form(new TAutocreateForm(owner));
  form->ShowModal();
}
