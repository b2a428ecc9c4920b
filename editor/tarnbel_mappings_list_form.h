#pragma once
// TMappingsListForm: the dialog "Mappings" in which the user chooses which stored mappings the server's
// random mapping may pick. Each change is stored at once and sent to the server; "Close" only closes.
#include "form.h"
#include "graphic_controls.h"
#include "list_controls.h"
#include "std_controls.h"

class TMappingsListForm : public ui::TForm {
  UI_CLASS(TMappingsListForm, ui::TForm)
 public:
  explicit TMappingsListForm(ui::TComponent* owner);

  ui::TBevel* Bevel1;
  ui::TLabel* Label1;
  ui::TCheckListBox* CheckListBox1;
  ui::TButton* CloseButton;

 private:
  void CheckClicked(int row);
};
