#pragma once
// TAutocreateForm: "automatically create:", the modal window in which the user chooses which exports the
// mappings manager makes again after every applied change, and into which folders. There is no cancel:
// whatever the window shows when it closes is taken and stored.
#include <string>

#include "KitSpin.h"
#include "KitToolEdit.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

class TAutocreateForm : public ui::TForm {
  UI_CLASS(TAutocreateForm, ui::TForm)
 public:
  explicit TAutocreateForm(ui::TComponent* owner);

  ui::TCheckBox* MappingCheckBox;
  TComboEdit* MappingComboEdit;
  ui::TLabel* Label1;
  ui::TCheckBox* CubaseCheckBox;
  ui::TCheckBox* CubaseSepCheckBox;
  TComboEdit* CubaseComboEdit;
  ui::TCheckBox* CakewalkCheckBox;
  TComboEdit* CakewalkComboEdit;
  ui::TCheckBox* MassivaCheckBox;
  TComboEdit* MassivaComboEdit;
  ui::TCheckBox* EvolutionCheckBox;
  TComboEdit* EvolutionComboEdit;
  ui::TCheckBox* EncoreCheckBox;
  TComboEdit* EncoreComboEdit;
  ui::TCheckBox* QuartzCheckBox;
  TComboEdit* QuartzComboEdit;
  ui::TCheckBox* LogicFixedBankCheckBox;
  TKitSpinEdit* LogicFixedBankKitSpinEdit;
  ui::TButton* Button1;

 private:
  ui::TCheckBox* AddCheckBox(const char* name, const std::string& caption, int left, int top, int width);
  TComboEdit* AddFolderField(const char* name, int top);
  void FormCreate();
  void FormDestroy();
  void FormKeyPress(WORD& key);
  void MappingComboEditButtonClick(ui::TObject* sender);
  void LogicFixedBankKitSpinEditChange();
};

// Opens the window modally; the export settings are taken and stored when it closes.
void ShowAutocreateForm(ui::TComponent* owner);
