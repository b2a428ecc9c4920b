#include "choose_mapping_form.h"

#include <string>
#include <vector>

#include "message_box.h"
#include "tarnbel_func.h"
#include "tarnbel_tools_globals.h"
#include "tool_windows.h"

using namespace ui;

UI_CLASSINFO(TChooseMappingForm)

TChooseMappingForm::TChooseMappingForm(TComponent* owner) : TForm(owner) {
  SetName("ChooseMappingForm");
  SetBorderStyle(bsDialog);
  SetCaption("choose mapping to edit:");
  SetClientSize(272, 72);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);

  ComboBox1 = new TComboBox(this);
  ComboBox1->SetName("ComboBox1");
  ComboBox1->SetParent(this);
  ComboBox1->SetBounds(8, 8, 256, 21);
  ComboBox1->SetStyle(csDropDown);
  ComboBox1->SetTabStop(true);

  OkButton = new TButton(this);
  OkButton->SetName("OkButton");
  OkButton->SetParent(this);
  OkButton->SetBounds(112, 40, 72, 25);
  OkButton->SetCaption("Ok");
  OkButton->SetDefault(true);
  OkButton->SetTabStop(true);
  OkButton->OnClick = [this](TObject*) { OkButtonClick(); };

  CancelButton = new TButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetBounds(192, 40, 72, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  CancelButton->SetTabStop(true);

  std::vector<std::string> names;
  GetMappingNames(names);
  for (const std::string& name : names) ComboBox1->Items()->Add(name);
  if (auto* editor = dynamic_cast<TEditorWindowOps*>(MappingsForm)) ComboBox1->SetText(editor->CurrentMapping());
  SetActiveControl(ComboBox1);
}

void TChooseMappingForm::OkButtonClick() {
  const std::string name = ComboBox1->Text();
  if (name.find('\\') != std::string::npos) {
    ShowMessageBox("Mapping name cannot contain a \"\\\" character.", "tarnbel", MB_OK | MB_ICONINFORMATION,
                   Handle());
    SetModalResult(mrCancel);
  } else {
    // An empty name would address the mappings key itself.
    SetModalResult(name.empty() ? mrCancel : mrOk);
  }
}
