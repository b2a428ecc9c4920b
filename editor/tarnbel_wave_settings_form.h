#pragma once
// TWaveSettingsForm: "Mappings editor preferences". Every change is applied and stored at once; there is no
// OK or Cancel. Its owner is the editor window: the boxes named like an action of the editor
// ("ShowListDividersCheckBox" -> "ShowListDividersAction") follow that action, Button1 is the editor's
// "PreviewRouteAction", and the filter and the auto refresh act on the editor's "SystemTreeView".
#include <string>
#include <vector>

#include "KitSpin.h"
#include "KitToolEdit.h"
#include "SystemTreeView.h"
#include "action.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

class TWaveSettingsForm : public ui::TForm {
  UI_CLASS(TWaveSettingsForm, ui::TForm)
 public:
  explicit TWaveSettingsForm(ui::TComponent* owner);

  ui::TLabel* Label1;
  TKitSpinEdit* KitSpinEdit1;
  ui::TCheckBox* CheckBox1;
  ui::TCheckBox* StartInPreviewModeCheckBox;
  ui::TButton* Button1;
  ui::TLabel* Label2;
  ui::TEdit* FilterEdit;
  ui::TCheckBox* ColoredBankHeadersCheckBox;
  ui::TCheckBox* ColoredBackgroundCheckBox;
  ui::TCheckBox* ColoredBankItemsCheckBox;
  ui::TCheckBox* ShowListDividersCheckBox;
  ui::TCheckBox* DetachConfirmationCheckBox;
  ui::TCheckBox* ConflictsConfirmationCheckBox;
  ui::TCheckBox* MappingCheckBox;
  TComboEdit* MappingComboEdit;
  ui::TCheckBox* AutoRefreshCheckBox;
  ui::TButton* Button2;

  // The editor's action a check box stands for by its name, or null.
  ui::TAction* ActionOfBox(ui::TCheckBox* box) const;

 private:
  ui::TCheckBox* AddCheckBox(const char* name, const char* caption, int left, int top, int width);
  ui::TLabel* AddLabel(const char* name, const char* caption, int top);
  void CreateControls();
  void FillControls();
  void WaveBankChanged();
  void SwitchClicked(ui::TCheckBox* box, bool& setting, const char* valueName);
  void AutoRefreshClicked();
  void ActionBoxClicked(ui::TCheckBox* box);
  void ChooseBackupFolder();
  void FormClose();
  TKitSystemTreeView* Tree() const;

  bool FFilling = false;
  std::vector<ui::TCheckBox*> FActionBoxes;
};
