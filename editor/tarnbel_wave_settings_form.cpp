#include "tarnbel_wave_settings_form.h"

#include <memory>

#include "choose_directory.h"
#include "registry_internal.h"
#include "spin_in_range.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

UI_CLASSINFO(TWaveSettingsForm)

namespace {

const std::string BoxSuffix = "CheckBox";

// The tools program's settings key, or one of its own while the program has none (a window made alone).
template <class TWrite>
void WriteSetting(TWrite write) {
  if (Settings) {
    write(*Settings);
    return;
  }
  TRegKey key(TarnbelKeyPath, true);
  write(key);
}

}  // namespace

TWaveSettingsForm::TWaveSettingsForm(TComponent* owner) : TForm(owner) {
  SetName("WaveSettingsForm");
  SetBorderStyle(bsDialog);
  SetCaption("Mappings editor preferences");
  SetClientSize(340, 344);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  CreateControls();
  FillControls();
  OnKeyDown = [this](TObject*, WORD& key, TSet32) {
    if (key == VK_ESCAPE || key == VK_RETURN) {
      key = 0;
      SetModalResult(mrCancel);
    }
  };
  OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
  SetActiveControl(KitSpinEdit1);
}

TCheckBox* TWaveSettingsForm::AddCheckBox(const char* name, const char* caption, int left, int top, int width) {
  auto* box = new TCheckBox(this);
  box->SetName(name);
  box->SetParent(this);
  box->SetBounds(left, top, width, 17);
  box->SetCaption(caption);
  box->SetTabStop(true);
  if (ActionOfBox(box)) {
    FActionBoxes.push_back(box);
    box->OnClick = [this, box](TObject*) { ActionBoxClicked(box); };
  }
  return box;
}

TLabel* TWaveSettingsForm::AddLabel(const char* name, const char* caption, int top) {
  auto* label = new TLabel(this);
  label->SetName(name);
  label->SetParent(this);
  label->SetBounds(8, top, 140, 13);
  label->SetCaption(caption);
  return label;
}

void TWaveSettingsForm::CreateControls() {
  Label1 = AddLabel("Label1", "Attach waveforms to bank", 12);
  KitSpinEdit1 = new TKitSpinEdit(this);
  KitSpinEdit1->SetName("KitSpinEdit1");
  KitSpinEdit1->SetParent(this);
  KitSpinEdit1->SetBounds(152, 8, 56, 21);
  KitSpinEdit1->SetMaxValue(127);
  KitSpinEdit1->SetTabStop(true);
  KitSpinEdit1->OnChange = [this](TObject*) { WaveBankChanged(); };
  Label1->SetFocusControl(KitSpinEdit1);
  CheckBox1 = AddCheckBox("CheckBox1", "and higher", 220, 10, 112);
  CheckBox1->OnClick = [this](TObject*) { SwitchClicked(CheckBox1, EditorSettings.SwitchToNextWave, "SwitchToNextWave"); };

  StartInPreviewModeCheckBox = AddCheckBox("StartInPreviewModeCheckBox", "Always start in preview mode", 8, 42, 200);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetBounds(216, 38, 116, 25);
  Button1->SetTabStop(true);
  if (auto* route = dynamic_cast<TAction*>(Owner() ? Owner()->FindComponent("PreviewRouteAction") : nullptr))
    Button1->SetAction(route);
  else Button1->SetCaption("Preview route...");

  Label2 = AddLabel("Label2", "Tree view filter", 76);
  FilterEdit = new TEdit(this);
  FilterEdit->SetName("FilterEdit");
  FilterEdit->SetParent(this);
  FilterEdit->SetBounds(112, 72, 220, 21);
  FilterEdit->SetTabStop(true);
  Label2->SetFocusControl(FilterEdit);

  ColoredBankHeadersCheckBox = AddCheckBox("ColoredBankHeadersCheckBox", "Colored bank headers", 8, 104, 200);
  ColoredBackgroundCheckBox = AddCheckBox("ColoredBackgroundCheckBox", "Show background color", 8, 124, 200);
  ColoredBankItemsCheckBox = AddCheckBox("ColoredBankItemsCheckBox", "Colored preset names", 8, 144, 200);
  ShowListDividersCheckBox = AddCheckBox("ShowListDividersCheckBox", "List dividers", 8, 164, 200);
  DetachConfirmationCheckBox = AddCheckBox("DetachConfirmationCheckBox", "Confirmation on detach", 8, 192, 320);
  DetachConfirmationCheckBox->OnClick = [this](TObject*) {
    SwitchClicked(DetachConfirmationCheckBox, EditorSettings.DetachConfirmation, "DetachConfirmation");
  };
  ConflictsConfirmationCheckBox =
      AddCheckBox("ConflictsConfirmationCheckBox", "Confirmation on saving mapping with conflicts", 8, 212, 320);
  ConflictsConfirmationCheckBox->OnClick = [this](TObject*) {
    SwitchClicked(ConflictsConfirmationCheckBox, EditorSettings.ConflictsConfirmation, "ConflictsConfirmation");
  };
  MappingCheckBox = AddCheckBox("MappingCheckBox", "Backup edited mappings as files in folder:", 8, 240, 320);
  MappingCheckBox->OnClick = [this](TObject*) {
    SwitchClicked(MappingCheckBox, EditorSettings.EditorAutosaveMapping, "EditorAutosaveMapping");
  };
  MappingComboEdit = new TComboEdit(this);
  MappingComboEdit->SetName("MappingComboEdit");
  MappingComboEdit->SetParent(this);
  MappingComboEdit->SetBounds(24, 260, 308, 21);
  MappingComboEdit->SetGlyphKind(gkEllipsis);
  MappingComboEdit->SetButtonWidth(16);
  MappingComboEdit->SetNumGlyphs(1);
  MappingComboEdit->SetTabStop(true);
  MappingComboEdit->OnButtonClick = [this](TObject*) { ChooseBackupFolder(); };
  AutoRefreshCheckBox = AddCheckBox("AutoRefreshCheckBox", "Auto refresh tree view", 8, 290, 200);
  AutoRefreshCheckBox->OnClick = [this](TObject*) { AutoRefreshClicked(); };

  Button2 = new TButton(this);
  Button2->SetName("Button2");
  Button2->SetParent(this);
  Button2->SetBounds(257, 312, 75, 25);
  Button2->SetCaption("Close");
  Button2->SetDefault(true);
  Button2->SetCancel(true);
  Button2->SetModalResult(mrCancel);
  Button2->SetTabStop(true);
}

TAction* TWaveSettingsForm::ActionOfBox(TCheckBox* box) const {
  const std::string& name = box->Name();
  if (!Owner() || name.size() <= BoxSuffix.size() || name.compare(name.size() - BoxSuffix.size(), BoxSuffix.size(), BoxSuffix) != 0)
    return nullptr;
  return dynamic_cast<TAction*>(Owner()->FindComponent(name.substr(0, name.size() - BoxSuffix.size()) + "Action"));
}

TKitSystemTreeView* TWaveSettingsForm::Tree() const {
  return dynamic_cast<TKitSystemTreeView*>(Owner() ? Owner()->FindComponent("SystemTreeView") : nullptr);
}

// The controls show the settings; their handlers store nothing meanwhile (a box set from code clicks).
void TWaveSettingsForm::FillControls() {
  const TEditorSettings& s = EditorSettings;
  FFilling = true;
  KitSpinEdit1->SetValue(s.DefaultWaveBank);
  CheckBox1->SetChecked(s.SwitchToNextWave);
  DetachConfirmationCheckBox->SetChecked(s.DetachConfirmation);
  ConflictsConfirmationCheckBox->SetChecked(s.ConflictsConfirmation);
  MappingCheckBox->SetChecked(s.EditorAutosaveMapping);
  AutoRefreshCheckBox->SetChecked(s.EditorAutoRefreshTreeView);
  FilterEdit->SetText(Tree() ? Tree()->FileMask() : s.FileMask);
  MappingComboEdit->SetText(s.EditorAutosaveMappingPath);
  for (TCheckBox* box : FActionBoxes) box->SetChecked(ActionOfBox(box)->Checked());
  FFilling = false;
}

void TWaveSettingsForm::WaveBankChanged() {
  if (FFilling) return;
  const int bank = SpinValueInRange(*KitSpinEdit1);
  EditorSettings.DefaultWaveBank = bank;
  WriteSetting([bank](TRegKey& key) { key.WriteInteger("DefaultWaveBank", bank); });
}

void TWaveSettingsForm::SwitchClicked(TCheckBox* box, bool& setting, const char* valueName) {
  if (FFilling) return;
  const bool on = box->Checked();
  setting = on;
  WriteSetting([on, valueName](TRegKey& key) { key.WriteBool(valueName, on); });
}

void TWaveSettingsForm::AutoRefreshClicked() {
  if (FFilling) return;
  SwitchClicked(AutoRefreshCheckBox, EditorSettings.EditorAutoRefreshTreeView, "EditorAutoRefreshTreeView");
  if (TKitSystemTreeView* tree = Tree()) tree->RebuildTree();
}

// The action flips its own state back to the box's when it runs, and stores it.
void TWaveSettingsForm::ActionBoxClicked(TCheckBox* box) {
  if (FFilling) return;
  TAction* action = ActionOfBox(box);
  action->SetChecked(!box->Checked());
  action->Execute();
}

void TWaveSettingsForm::ChooseBackupFolder() {
  std::string folder = MappingComboEdit->Text();
  if (ChooseDirectory(this, folder, std::string()) == mrOk) MappingComboEdit->SetText(folder);
}

void TWaveSettingsForm::FormClose() {
  const std::string path = MappingComboEdit->Text(), mask = FilterEdit->Text();
  EditorSettings.EditorAutosaveMappingPath = path;
  EditorSettings.FileMask = mask;
  if (TKitSystemTreeView* tree = Tree()) tree->SetFileMask(mask);
  WriteSetting([&](TRegKey& key) {
    key.WriteString("EditorAutosaveMappingPath", path);
    key.WriteString("FileMask", mask);
  });
}
