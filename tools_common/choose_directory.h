#pragma once
// The modal folder picker: a folder tree, the chosen path under it, OK and Cancel.
#include <string>

#include "SystemTreeView.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

// Shows the picker with folder selected; on OK, folder takes the chosen folder's path. A selection that is
// no folder cannot be confirmed. An empty caption becomes "Choose directory:". Returns the modal result
// (1 for OK).
int ChooseDirectory(ui::TComponent* owner, std::string& folder, const std::string& caption);

// The picker's window: the tree of the file system's folders above, the selected path and the buttons below.
class TOKRightDlg : public ui::TForm {
  UI_CLASS(TOKRightDlg, ui::TForm)
 public:
  explicit TOKRightDlg(ui::TComponent* owner);

  TKitSystemTreeView* KitSystemTreeView1;
  ui::TPanel* Panel1;
  ui::TLabel* Label1;  // the selected folder's path
  ui::TPanel* Panel2;
  ui::TButton* OKBtn;
  ui::TButton* CancelBtn;

 private:
  void ShowPath();
};
