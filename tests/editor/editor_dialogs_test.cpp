// The editor's two small dialogs on real windows: the preferences store each change at once and close on
// Escape or Enter from any control; the preset properties hand out only slots and say whether anything
// changed.
#include <set>

#include "KitToolEdit.h"
#include "choose_directory.h"
#include "control_mouse.h"
#include "editor_fixture.h"
#include "modal_driver.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "screen.h"
#include "send_input.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_properties_form.h"
#include "tarnbel_tools_globals.h"
#include "tarnbel_wave_settings_form.h"

using namespace ui;
using testsupport::TModalDriver;

namespace {

class EditorDialogs : public editortest::EditorFixture {
 protected:
  static int32_t StoredNumber(const char* name) { return TRegKey(TarnbelKeyPath, false).ReadInteger(name, -12345); }
  static std::string StoredText(const char* name) { return TRegKey(TarnbelKeyPath, false).ReadString(name, "?"); }
  void Type(TWinControl* control, const std::string& text) {
    SetWindowTextA(control->Handle(), text.c_str());
    RunFor(30);
  }
  void Click(TCheckBox* box) {
    const bool was = box->Checked();
    PostMessageA(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(RunUntil([&] { return box->Checked() != was; }, 2000)) << box->Name();
  }
  // Runs the dialog modally; each step waits for what the one before it did.
  TModalResult RunModal(TForm* dialog, std::vector<TModalDriver::TStep> steps) {
    TModalDriver driver(dialog, std::move(steps), 8000);
    TModalResult result = dialog->ShowModal();
    EXPECT_FALSE(driver.TimedOut());
    return result;
  }
  static TModalDriver::TStep KeyTo(TWinControl* control, WORD key, bool alt = false) {
    return [control, key, alt] {
      if (!control->HandleAllocated() || !IsWindowVisible(control->Handle())) return false;
      SetFocus(control->Handle());
      BYTE keys[256];
      GetKeyboardState(keys);
      keys[VK_MENU] = alt ? 0x80 : 0;
      SetKeyboardState(keys);
      PostMessageA(control->Handle(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? (1 << 29) | 1 : 1);
      return true;
    };
  }
  static void ReleaseAlt() {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
  }
  static TOKRightDlg* Picker() {
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (auto* picker = dynamic_cast<TOKRightDlg*>(Screen().Forms(i)))
        if (picker->Visible()) return picker;
    return nullptr;
  }
};

// Which values the dialog writes, from the registry's own write path.
std::vector<std::string> Written;
LONG RecordWrite(TRegOperation operation, const std::string&, const std::string& name) {
  if (operation == TRegOperation::Write) Written.push_back(name);
  return ERROR_SUCCESS;
}

}  // namespace

TEST_F(EditorDialogs, PreferencesStoreEachChangeAtOnce) {
  ASSERT_TRUE(OpenEditor("prefs"));
  auto* dialog = new TWaveSettingsForm(Editor);
  dialog->Show();
  EXPECT_EQ(dialog->Caption(), "Mappings editor preferences");
  EXPECT_EQ(dialog->KitSpinEdit1->Text(), "100");
  EXPECT_EQ(dialog->FilterEdit->Text(), "*.sf2;*.wav");
  EXPECT_EQ(dialog->Button1->Caption(), "Preview route...");
  EXPECT_EQ(dialog->MappingComboEdit->GlyphKind(), gkEllipsis);

  struct Box {
    TCheckBox* Control;
    const char* Value;
    bool* Setting;
  } boxes[] = {
      {dialog->CheckBox1, "SwitchToNextWave", &EditorSettings.SwitchToNextWave},
      {dialog->DetachConfirmationCheckBox, "DetachConfirmation", &EditorSettings.DetachConfirmation},
      {dialog->ConflictsConfirmationCheckBox, "ConflictsConfirmation", &EditorSettings.ConflictsConfirmation},
      {dialog->MappingCheckBox, "EditorAutosaveMapping", &EditorSettings.EditorAutosaveMapping},
      {dialog->AutoRefreshCheckBox, "EditorAutoRefreshTreeView", &EditorSettings.EditorAutoRefreshTreeView},
  };
  for (const Box& box : boxes) {
    const bool before = *box.Setting;
    EXPECT_EQ(box.Control->Checked(), before) << box.Value;
    Click(box.Control);
    EXPECT_EQ(*box.Setting, !before) << box.Value;
    EXPECT_EQ(StoredNumber(box.Value), before ? 0 : 1) << box.Value;
  }

  struct Typed {
    const char* Text;
    const char* Shown;
    int Stored;
  } typed[] = {{"42", "42", 42}, {"200", "127", 127}, {"-5", "0", 0}, {"127", "127", 127}, {"", "", 0}};
  for (const Typed& t : typed) {
    Type(dialog->KitSpinEdit1, t.Text);
    EXPECT_EQ(dialog->KitSpinEdit1->Text(), t.Shown) << t.Text;
    EXPECT_EQ(EditorSettings.DefaultWaveBank, t.Stored) << t.Text;
    EXPECT_EQ(StoredNumber("DefaultWaveBank"), t.Stored) << t.Text;
  }

  // The path and the filter go when the dialog closes; the tree takes the filter.
  dialog->MappingComboEdit->SetText(Folder.Path());
  dialog->FilterEdit->SetText("*.sf2");
  EXPECT_EQ(StoredText("FileMask"), "*.sf2;*.wav");
  dialog->Close();
  EXPECT_EQ(StoredText("FileMask"), "*.sf2");
  EXPECT_EQ(StoredText("EditorAutosaveMappingPath"), Folder.Path());
  EXPECT_EQ(Editor->SystemTreeView->FileMask(), "*.sf2");
  EXPECT_EQ(EditorSettings.EditorAutosaveMappingPath, Folder.Path());
  dialog->Free();
}

// Keys as the keyboard gives them: once the field is set back into its range, typing goes on where it was.
TEST_F(EditorDialogs, TheWaveBankFieldKeepsTheCaretWhenItIsSetBackIntoItsRange) {
  ASSERT_TRUE(OpenEditor("prefs"));
  auto* dialog = new TWaveSettingsForm(Editor);
  dialog->Show();
  TKitSpinEdit* spin = dialog->KitSpinEdit1;
  struct TCase {
    std::vector<WORD> Keys;
    const char* Shown;
    DWORD Caret;
  };
  const TCase cases[] = {
      {{'1', '5', '0'}, "127", 3},
      {{'1', '5', '0', '0'}, "127", 3},
      {{'1', '2', VK_HOME, '9'}, "127", 1},        // inside the text the caret stays where the typing left it
      {{'1', '2', VK_UP, '0'}, "127", 3},          // a step keeps the caret at the end
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Shown + std::string(" after ") + std::to_string(c.Keys.size()) + " keys");
    Type(spin, "");
    SetForegroundWindow(dialog->Handle());
    spin->SetFocus();
    for (WORD key : c.Keys) ASSERT_TRUE(testsupport::KeyChord({}, key, [] { Application().ProcessMessages(); }));
    EXPECT_EQ(spin->Text(), c.Shown);
    DWORD start = 0, end = 0;
    SendMessageA(spin->Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start, c.Caret);
    EXPECT_EQ(end, c.Caret);
    EXPECT_EQ(StoredNumber("DefaultWaveBank"), 127);
  }
  dialog->Free();
}

TEST_F(EditorDialogs, PreferencesWithoutChangesWriteOnlyThePathAndTheMask) {
  ASSERT_TRUE(OpenEditor("prefs"));
  Written.clear();
  SetRegFaultHook(RecordWrite);
  auto* dialog = new TWaveSettingsForm(Editor);
  RunModal(dialog, {KeyTo(dialog->FilterEdit, VK_ESCAPE)});
  SetRegFaultHook(nullptr);
  dialog->Free();
  EXPECT_EQ(std::set<std::string>(Written.begin(), Written.end()),
            (std::set<std::string>{"EditorAutosaveMappingPath", "FileMask"}));
}

TEST_F(EditorDialogs, ActionBoxesShowAndRunTheEditorsActions) {
  ASSERT_TRUE(OpenEditor("prefs"));
  // The editor's toggles flip their own state when they run, as their handlers do.
  std::vector<std::string> ran;
  std::vector<TAction*> toggles = {Editor->StartInPreviewModeAction, Editor->ColoredBankHeadersAction,
                                   Editor->ColoredBackgroundAction, Editor->ColoredBankItemsAction,
                                   Editor->ShowListDividersAction};
  for (TAction* action : toggles) {
    action->SetEnabled(true);
    action->OnExecute = [action, &ran](TObject*) {
      ran.push_back(action->Name());
      action->SetChecked(!action->Checked());
    };
  }
  Editor->ColoredBackgroundAction->SetChecked(true);
  Editor->ShowListDividersAction->SetChecked(true);
  Editor->StartInPreviewModeAction->SetChecked(false);
  auto* dialog = new TWaveSettingsForm(Editor);
  dialog->Show();
  EXPECT_TRUE(ran.empty()) << "showing the states runs nothing";
  for (TCheckBox* box : {dialog->StartInPreviewModeCheckBox, dialog->ColoredBankHeadersCheckBox,
                         dialog->ColoredBackgroundCheckBox, dialog->ColoredBankItemsCheckBox,
                         dialog->ShowListDividersCheckBox}) {
    TAction* action = dialog->ActionOfBox(box);
    ASSERT_NE(action, nullptr) << box->Name();
    EXPECT_EQ(box->Checked(), action->Checked()) << box->Name();
    Click(box);
    EXPECT_EQ(action->Checked(), box->Checked()) << box->Name();
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), action->Name());
  }
  EXPECT_EQ(ran.size(), 5u);
  EXPECT_FALSE(Editor->ShowListDividersAction->Checked());
  for (TCheckBox* box : {dialog->CheckBox1, dialog->MappingCheckBox, dialog->AutoRefreshCheckBox})
    EXPECT_EQ(dialog->ActionOfBox(box), nullptr) << box->Name();
  dialog->Free();
}

TEST_F(EditorDialogs, PreferencesCloseOnEscapeAndEnterFromEveryControl) {
  ASSERT_TRUE(OpenEditor("prefs"));
  for (WORD key : {VK_ESCAPE, VK_RETURN}) {
    auto* probe = new TWaveSettingsForm(Editor);
    std::vector<std::string> names;
    for (int i = 0; i < probe->ComponentCount(); ++i)
      if (auto* control = dynamic_cast<TWinControl*>(probe->Components(i))) names.push_back(control->Name());
    probe->Free();
    for (const std::string& name : names) {
      auto* dialog = new TWaveSettingsForm(Editor);
      auto* control = static_cast<TWinControl*>(dialog->FindComponent(name));
      EXPECT_EQ(RunModal(dialog, {KeyTo(control, key)}), mrCancel) << name << " key " << key;
      dialog->Free();
    }
  }
}

TEST_F(EditorDialogs, SpinKeysStepTheBankAndAltDownPicksTheBackupFolder) {
  ASSERT_TRUE(OpenEditor("prefs"));
  CreateDirectoryA(Folder["backup"].c_str(), nullptr);
  auto* dialog = new TWaveSettingsForm(Editor);
  std::string pickedLabel;
  RunModal(dialog,
           {KeyTo(dialog->KitSpinEdit1, VK_UP), [&] { return dialog->KitSpinEdit1->Text() == "101"; },
            KeyTo(dialog->KitSpinEdit1, VK_DOWN), KeyTo(dialog->KitSpinEdit1, VK_DOWN),
            [&] { return dialog->KitSpinEdit1->Text() == "99"; },
            [&] {
              dialog->MappingComboEdit->SetText(Folder["backup"]);
              return true;
            },
            KeyTo(dialog->MappingComboEdit, VK_DOWN, true),
            [&] {
              if (!Picker()) return false;
              ReleaseAlt();
              pickedLabel = Picker()->Label1->Caption();
              // Cancel keeps the text; the next press takes OK.
              testsupport::PostKey(Picker()->KitSystemTreeView1->Handle(), VK_ESCAPE);
              return true;
            },
            [&] { return Picker() == nullptr; },
            [&] {
              dialog->MappingComboEdit->SetText(Folder.Path());
              testsupport::PostClick(dialog->MappingComboEdit->Button(), 4, 4);
              return true;
            },
            [&] {
              if (!Picker() || lstrcmpiA(Picker()->Label1->Caption().c_str(), Folder.Path().c_str()) != 0) return false;
              testsupport::PostKey(Picker()->KitSystemTreeView1->Handle(), VK_DOWN);
              return true;
            },
            [&] {
              if (!Picker() || lstrcmpiA(Picker()->Label1->Caption().c_str(), Folder.Path().c_str()) == 0) return false;
              pickedLabel = Picker()->Label1->Caption();
              testsupport::PostKey(Picker()->KitSystemTreeView1->Handle(), VK_RETURN);
              return true;
            },
            [&] { return Picker() == nullptr; }, KeyTo(dialog->Button2, VK_ESCAPE)});
  ReleaseAlt();
  EXPECT_EQ(StoredNumber("DefaultWaveBank"), 99);
  EXPECT_EQ(lstrcmpiA(dialog->MappingComboEdit->Text().c_str(), pickedLabel.c_str()), 0) << pickedLabel;
  EXPECT_EQ(StoredText("EditorAutosaveMappingPath"), dialog->MappingComboEdit->Text());
  dialog->Free();
}

TEST_F(EditorDialogs, DamagedStoredSettingsShowSaneValues) {
  struct Damage {
    const char* Name;
    DWORD Type;
    std::string Bytes;
    const char* Bank;
    const char* Mask;
  } damages[] = {
      {"DefaultWaveBank", REG_SZ, std::string("12\0", 3), "100", "*.sf2;*.wav"},
      {"DefaultWaveBank", REG_DWORD, std::string("\xF4\x01\0\0", 4), "127", "*.sf2;*.wav"},
      {"DefaultWaveBank", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4), "0", "*.sf2;*.wav"},
      {"FileMask", REG_DWORD, std::string("\x05\0\0\0", 4), "100", "*.sf2;*.wav"},
  };
  for (const Damage& d : damages) {
    testsupport::ResetTarnbelKey();
    {
      TRegKey key(TarnbelKeyPath, true);
      RegSetValueExA(key.Handle(), d.Name, 0, d.Type, reinterpret_cast<const BYTE*>(d.Bytes.data()), DWORD(d.Bytes.size()));
    }
    Settings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
    ASSERT_TRUE(OpenEditor("prefs", false)) << d.Name;
    auto* dialog = new TWaveSettingsForm(Editor);
    EXPECT_EQ(dialog->KitSpinEdit1->Text(), d.Bank) << d.Name;
    EXPECT_EQ(dialog->FilterEdit->Text(), d.Mask) << d.Name;
    EXPECT_EQ(Editor->SystemTreeView->FileMask(), d.Mask) << d.Name;
    dialog->Free();
    FreeEditor();
  }
}

TEST_F(EditorDialogs, PropertiesHandOutOnlySlotsAndSayWhetherAnythingChanged) {
  auto* dialog = new TPropertiesForm(nullptr);
  EXPECT_EQ(dialog->Caption(), "preset properties");
  dialog->SetValues(5, 3, "Piano");
  EXPECT_FALSE(dialog->Changed);
  EXPECT_EQ(RunModal(dialog, {KeyTo(dialog->OkButton, VK_RETURN)}), mrOk);
  EXPECT_FALSE(dialog->Changed) << "Ok without a change";
  EXPECT_EQ(dialog->Bank(), 5);
  EXPECT_EQ(dialog->Program(), 3);
  EXPECT_EQ(dialog->PresetName(), "Piano");

  struct Typed {
    TWinControl* Field;
    const char* Text;
    int Bank, Program;
  } typed[] = {{dialog->BankKitSpinEdit, "300", 128, 3},   {dialog->BankKitSpinEdit, "-3", 0, 3},
               {dialog->ProgramKitSpinEdit, "200", 5, 127}, {dialog->ProgramKitSpinEdit, "-1", 5, 0},
               {dialog->BankKitSpinEdit, "128", 128, 3},   {dialog->NameEdit, "Organ", 5, 3}};
  for (const Typed& t : typed) {
    dialog->SetValues(5, 3, "Piano");
    EXPECT_EQ(RunModal(dialog, {[&] {
                                  SetWindowTextA(t.Field->Handle(), t.Text);
                                  return true;
                                },
                                KeyTo(t.Field, VK_RETURN)}),
              mrOk)
        << t.Text;
    EXPECT_TRUE(dialog->Changed) << t.Text;
    EXPECT_EQ(dialog->Bank(), t.Bank) << t.Text;
    EXPECT_EQ(dialog->Program(), t.Program) << t.Text;
  }
  EXPECT_EQ(dialog->PresetName(), "Organ");

  // Escape cancels from every field; Up and Down step within the range.
  for (TWinControl* field : std::vector<TWinControl*>{dialog->BankKitSpinEdit, dialog->ProgramKitSpinEdit,
                                                      dialog->NameEdit, dialog->OkButton, dialog->CancelButton})
    EXPECT_EQ(RunModal(dialog, {KeyTo(field, VK_ESCAPE)}), mrCancel) << field->Name();
  dialog->SetValues(128, 0, "Kit");
  RunModal(dialog, {KeyTo(dialog->BankKitSpinEdit, VK_UP), KeyTo(dialog->ProgramKitSpinEdit, VK_DOWN),
                    KeyTo(dialog->ProgramKitSpinEdit, VK_UP), KeyTo(dialog->OkButton, VK_ESCAPE)});
  EXPECT_EQ(dialog->Bank(), 128);
  EXPECT_EQ(dialog->Program(), 1);
  EXPECT_TRUE(dialog->Changed);
  dialog->Free();
}
