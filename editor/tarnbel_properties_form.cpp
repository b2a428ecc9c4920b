#include "tarnbel_properties_form.h"

#include "spin_in_range.h"

using namespace ui;

UI_CLASSINFO(TPropertiesForm)

namespace {

TLabel* AddLabel(TForm* form, const char* name, const char* caption, int left, int top) {
  auto* label = new TLabel(form);
  label->SetName(name);
  label->SetParent(form);
  label->SetBounds(left, top, 90, 13);
  label->SetCaption(caption);
  return label;
}

TButton* AddButton(TForm* form, const char* name, const char* caption, int left, TModalResult result) {
  auto* button = new TButton(form);
  button->SetName(name);
  button->SetParent(form);
  button->SetBounds(left, 104, 72, 25);
  button->SetCaption(caption);
  button->SetModalResult(result);
  button->SetTabStop(true);
  return button;
}

}  // namespace

TPropertiesForm::TPropertiesForm(TComponent* owner) : TForm(owner) {
  SetName("PropertiesForm");
  SetBorderStyle(bsDialog);
  SetCaption("preset properties");
  SetClientSize(272, 137);
  SetPosition(poScreenCenter);

  BankKitSpinEdit = AddSpin("BankKitSpinEdit", "Bank number", 8, 128, BankLabel);
  ProgramKitSpinEdit = AddSpin("ProgramKitSpinEdit", "Program number", 104, 127, ProgramLabel);
  NameLabel = AddLabel(this, "NameLabel", "Name", 8, 54);
  NameEdit = new TEdit(this);
  NameEdit->SetName("NameEdit");
  NameEdit->SetParent(this);
  NameEdit->SetBounds(8, 70, 256, 21);
  NameEdit->SetTabStop(true);
  NameEdit->OnChange = [this](TObject*) { FieldChanged(nullptr); };
  NameLabel->SetFocusControl(NameEdit);

  OkButton = AddButton(this, "OkButton", "Ok", 112, mrOk);
  OkButton->SetDefault(true);
  CancelButton = AddButton(this, "CancelButton", "Cancel", 192, mrCancel);
  CancelButton->SetCancel(true);
  SetActiveControl(BankKitSpinEdit);
}

TKitSpinEdit* TPropertiesForm::AddSpin(const char* name, const char* caption, int left, double maxValue,
                                       TLabel*& label) {
  label = AddLabel(this, (std::string(name) + "Label").c_str(), caption, left, 8);
  auto* spin = new TKitSpinEdit(this);
  spin->SetName(name);
  spin->SetParent(this);
  spin->SetBounds(left, 24, 80, 21);
  spin->SetMaxValue(maxValue);
  spin->SetTabStop(true);
  spin->OnChange = [this, spin](TObject*) { FieldChanged(spin); };
  label->SetFocusControl(spin);
  return spin;
}

void TPropertiesForm::FieldChanged(TKitSpinEdit* spin) {
  if (FFilling) return;
  Changed = true;
  if (spin) SpinValueInRange(*spin);
}

void TPropertiesForm::SetValues(int bank, int program, const std::string& name) {
  FFilling = true;
  BankKitSpinEdit->SetValue(bank);
  ProgramKitSpinEdit->SetValue(program);
  NameEdit->SetText(name);
  FFilling = false;
  Changed = false;
}

int TPropertiesForm::Bank() { return SpinValueInRange(*BankKitSpinEdit); }

int TPropertiesForm::Program() { return SpinValueInRange(*ProgramKitSpinEdit); }
