// The automatic export set-up window driven by keyboard, what it stores when it closes, and what a
// restart shows.
#include <gtest/gtest.h>

#include "choose_directory.h"
#include "export_settings.h"
#include "modal_driver.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "screen.h"
#include "tarnbel_autocreate.h"
#include "tarnbel_func.h"

using testsupport::PostKey;
using testsupport::TModalDriver;

namespace {

template <class T>
T* Shown() {
  for (int i = 0; i < ui::Screen().FormCount(); ++i)
    if (auto* form = dynamic_cast<T*>(ui::Screen().Forms(i)))
      if (form->Visible()) return form;
  return nullptr;
}

void SetAlt(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

std::string Text(HWND window) {
  char text[MAX_PATH] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The seventeen values as stored, in one line each.
std::vector<std::string> Stored() {
  std::vector<std::string> values;
  TRegKey key(TarnbelKeyPath, false);
  for (const char* flag : {"AutocreateMapping", "AutocreateCubase12", "AutocreateCubase1", "AutocreateCakewalk",
                           "AutocreateMassiva", "AutocreateEvolution", "AutocreateEncore", "AutocreateQuartz",
                           "UseLogicFixedBank", "LogicFixedBank"})
    values.push_back(std::string(flag) + "=" + std::to_string(key.ReadInteger(flag, -1)));
  for (const char* folder : {"MappingPath", "CubasePath", "CakewalkPath", "MassivaPath", "EvolutionPath",
                             "EncorePath", "QuartzPath"})
    values.push_back(std::string(folder) + "=" + key.ReadString(folder, "?"));
  return values;
}

void ResetSettings() {
  testsupport::ResetTarnbelKey();
  TRegKey settings(TarnbelKeyPath, true);
  ReadExportSettings(settings);
}

}  // namespace

// Tab to the next control, Space toggles a box, Alt+Down opens the picker for a field, "200" in the bank
// field gives 128; Escape and "Close" both store what the window shows.
TEST(AutocreateForm, ByKeyboardAndStoredOnClose) {
  testsupport::TScratchFolder folder("autocreate");
  std::vector<std::vector<std::string>> storedBy;
  for (bool escape : {true, false}) {
    ResetSettings();
    QuartzPath = folder["quartz"];
    AutocreateCubase1 = true;
    std::string caption, shownQuartz;
    HWND focusAfterTab = nullptr;
    TModalDriver driver(nullptr,
                        {[&] {
                           auto* form = Shown<TAutocreateForm>();
                           if (!form) return false;
                           caption = form->Caption();
                           shownQuartz = Text(form->QuartzComboEdit->Handle());
                           form->MappingCheckBox->SetFocus();
                           PostKey(form->MappingCheckBox->Handle(), VK_SPACE);
                           PostKey(form->MappingCheckBox->Handle(), VK_TAB);
                           return true;
                         },
                         [&] {
                           auto* form = Shown<TAutocreateForm>();
                           if (GetFocus() != form->MappingComboEdit->Handle()) return false;
                           focusAfterTab = GetFocus();
                           SetAlt(true);
                           PostMessageA(GetFocus(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
                           return true;
                         },
                         [&] {
                           if (!Shown<TOKRightDlg>()) return false;
                           SetAlt(false);
                           Shown<TOKRightDlg>()->KitSystemTreeView1->SetSelection(folder.Path());
                           PostKey(Shown<TOKRightDlg>()->KitSystemTreeView1->Handle(), VK_RETURN);
                           return true;
                         },
                         [&] {
                           auto* form = Shown<TAutocreateForm>();
                           if (Shown<TOKRightDlg>() || !form) return false;
                           form->LogicFixedBankKitSpinEdit->SetFocus();
                           testsupport::PostText(form->LogicFixedBankKitSpinEdit->Handle(), "200");
                           return true;
                         },
                         [&] {
                           auto* form = Shown<TAutocreateForm>();
                           if (Text(form->LogicFixedBankKitSpinEdit->Handle()) != "128") return false;
                           if (escape)
                             PostKey(form->LogicFixedBankKitSpinEdit->Handle(), VK_ESCAPE);
                           else
                             PostMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
                           return true;
                         }},
                        15000);
    ShowAutocreateForm(nullptr);
    ASSERT_TRUE(driver.AllDone()) << (escape ? "Escape" : "Close");
    EXPECT_EQ(caption, "automatically create:");
    EXPECT_EQ(shownQuartz, folder["quartz"]);
    EXPECT_NE(focusAfterTab, nullptr);
    storedBy.push_back(Stored());
  }
  const std::vector<std::string> expected = {
      "AutocreateMapping=1", "AutocreateCubase12=0", "AutocreateCubase1=1", "AutocreateCakewalk=0", "AutocreateMassiva=0",
      "AutocreateEvolution=0", "AutocreateEncore=0", "AutocreateQuartz=0", "UseLogicFixedBank=0", "LogicFixedBank=128",
      "MappingPath=" + folder.Path(), "CubasePath=", "CakewalkPath=", "MassivaPath=", "EvolutionPath=", "EncorePath=",
      "QuartzPath=" + folder["quartz"]};
  EXPECT_EQ(storedBy[0], expected);
  EXPECT_EQ(storedBy[1], expected);
}

// After a restart (the program's values back to nothing, start-up reading the profile again) the window
// shows every folder stored when it last closed.
TEST(AutocreateForm, ARestartShowsTheStoredFolders) {
  ResetSettings();
  std::vector<std::string*> folders = {&MappingPath, &CubasePath, &CakewalkPath, &MassivaPath, &EvolutionPath,
                                       &EncorePath, &QuartzPath};
  for (size_t i = 0; i < folders.size(); ++i) *folders[i] = "C:\\exports\\" + std::to_string(i);
  LogicFixedBank = 77;
  TModalDriver close(nullptr, {[] { return Shown<TAutocreateForm>() && (Shown<TAutocreateForm>()->Close(), true); }});
  ShowAutocreateForm(nullptr);
  for (std::string* f : folders) f->clear();
  LogicFixedBank = 0;
  TRegKey settings(TarnbelKeyPath, true);
  ReadExportSettings(settings);

  std::vector<std::string> shown;
  TModalDriver read(nullptr, {[&] {
                      auto* form = Shown<TAutocreateForm>();
                      if (!form) return false;
                      for (TComboEdit* field : {form->MappingComboEdit, form->CubaseComboEdit, form->CakewalkComboEdit,
                                                form->MassivaComboEdit, form->EvolutionComboEdit, form->EncoreComboEdit,
                                                form->QuartzComboEdit})
                        shown.push_back(Text(field->Handle()));
                      shown.push_back(Text(form->LogicFixedBankKitSpinEdit->Handle()));
                      form->Close();
                      return true;
                    }});
  ShowAutocreateForm(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>({"C:\\exports\\0", "C:\\exports\\1", "C:\\exports\\2", "C:\\exports\\3",
                                             "C:\\exports\\4", "C:\\exports\\5", "C:\\exports\\6", "77"}));
  testsupport::ResetTarnbelKey();
}
