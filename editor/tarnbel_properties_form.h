#pragma once
// TPropertiesForm: "preset properties", the bank, program and name of one attached entry. The caller sets
// the three values, shows the dialog and uses them when it ends with OK and Changed is set.
#include <string>

#include "KitSpin.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

class TPropertiesForm : public ui::TForm {
  UI_CLASS(TPropertiesForm, ui::TForm)
 public:
  explicit TPropertiesForm(ui::TComponent* owner);

  ui::TLabel* BankLabel;
  TKitSpinEdit* BankKitSpinEdit;
  ui::TLabel* ProgramLabel;
  TKitSpinEdit* ProgramKitSpinEdit;
  ui::TLabel* NameLabel;
  ui::TEdit* NameEdit;
  ui::TButton* OkButton;
  ui::TButton* CancelButton;

  // Set by any change of the three fields.
  bool Changed = false;

  // Shows the entry's values; Changed is cleared.
  void SetValues(int bank, int program, const std::string& name);
  // 0-128.
  int Bank();
  // 0-127.
  int Program();
  std::string PresetName() const { return NameEdit->Text(); }

 private:
  TKitSpinEdit* AddSpin(const char* name, const char* caption, int left, double maxValue, ui::TLabel*& label);
  void FieldChanged(TKitSpinEdit* spin);
  bool FFilling = false;
};
