#pragma once
// TChooseMappingForm: the modal dialog in which the editor chooses the mapping to edit, from the stored
// ones or by typing a new name. A name that cannot be a registry key name ends it with Cancel.
#include "form.h"
#include "list_controls.h"
#include "std_controls.h"

class TChooseMappingForm : public ui::TForm {
  UI_CLASS(TChooseMappingForm, ui::TForm)
 public:
  explicit TChooseMappingForm(ui::TComponent* owner);

  ui::TComboBox* ComboBox1;
  ui::TButton* OkButton;
  ui::TButton* CancelButton;

  // The chosen name; the caller reads it after OK.
  std::string MappingName() const { return ComboBox1->Text(); }

 private:
  void OkButtonClick();
};
