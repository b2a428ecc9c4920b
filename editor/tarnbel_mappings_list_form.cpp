#include "tarnbel_mappings_list_form.h"

#include <string>
#include <vector>

#include "registry_internal.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

UI_CLASSINFO(TMappingsListForm)

namespace {

std::string MappingKeyPath(const std::string& name) { return std::string(TarnbelKeyPath) + "\\mappings\\" + name; }

}  // namespace

TMappingsListForm::TMappingsListForm(TComponent* owner) : TForm(owner) {
  SetName("MappingsListForm");
  SetCaption("Mappings");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 300, 330);

  Bevel1 = new TBevel(this);
  Bevel1->SetParent(this);
  Bevel1->SetStyle(bsRaised);
  Bevel1->SetBounds(8, 8, 278, 250);
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetCaption("Checked mappings are used in randomizer");
  Label1->SetBounds(16, 14, 260, 16);
  CheckListBox1 = new TCheckListBox(this);
  CheckListBox1->SetName("CheckListBox1");
  CheckListBox1->SetParent(this);
  CheckListBox1->SetBounds(16, 34, 262, 216);
  CloseButton = new TButton(this);
  CloseButton->SetName("CloseButton");
  CloseButton->SetParent(this);
  CloseButton->SetCaption("Close");
  CloseButton->SetDefault(true);
  CloseButton->SetModalResult(mrCancel);
  CloseButton->SetBounds(110, 268, 75, 25);

  std::vector<std::string> names;
  GetMappingNames(names);
  for (const std::string& name : names) {
    TRegKey key(MappingKeyPath(name), true, HKEY_CURRENT_USER);
    int row = CheckListBox1->Items()->Add(name);
    CheckListBox1->SetChecked(row, key.ReadBool("Random", true));
  }
  CheckListBox1->OnClickCheck = [this](TObject*) { CheckClicked(CheckListBox1->ClickedIndex()); };
}

void TMappingsListForm::CheckClicked(int row) {
  // The row whose box changed, which a click on a box does not always make the selected one.
  if (row < 0 || row >= CheckListBox1->Items()->Count()) return;
  const std::string name = CheckListBox1->Items()->Strings(row);
  bool checked = CheckListBox1->Checked(row);
  {
    TRegKey key(MappingKeyPath(name), true, HKEY_CURRENT_USER);
    key.WriteBool("Random", checked);
  }
  if (ServerLink) ServerLink->SendString(name, checked ? WM_TB_RANDOM_INCLUDE : WM_TB_RANDOM_EXCLUDE);
}
