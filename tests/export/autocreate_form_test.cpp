// The automatic export set-up window driven by keyboard, what it stores when it closes, and what a
// restart shows.
#include <gtest/gtest.h>

#include "choose_directory.h"
#include "export_settings.h"
#include "export_test_support.h"
#include "modal_driver.h"
#include "peer_programs.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "tarnbel_autocreate.h"
#include "tarnbel_func.h"

using exporttest::Shown;
using testsupport::PostKey;
using testsupport::TModalDriver;
using testsupport::WindowTitle;

namespace {

void SetAlt(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// The seventeen values as stored.
std::string Stored() {
  TRegKey key(TarnbelKeyPath, false);
  std::string values;
  for (const char* flag :
       {"AutocreateMapping", "AutocreateCubase12", "AutocreateCubase1", "AutocreateCakewalk", "AutocreateMassiva",
        "AutocreateEvolution", "AutocreateEncore", "AutocreateQuartz", "UseLogicFixedBank", "LogicFixedBank"})
    values += std::to_string(key.ReadInteger(flag, -1)) + " ";
  for (const char* folder :
       {"MappingPath", "CubasePath", "CakewalkPath", "MassivaPath", "EvolutionPath", "EncorePath", "QuartzPath"})
    values += key.ReadString(folder, "?") + "|";
  return values;
}

void StartUp() {
  TRegKey settings(TarnbelKeyPath, true);
  ReadExportSettings(settings);
}

}  // namespace

// Tab to the next control, Space toggles a box, Alt+Down opens the picker for a field, "200" in the bank
// field gives 128; Escape and "Close" both store what the window shows.
TEST(AutocreateForm, ByKeyboardAndStoredOnClose) {
  testsupport::TScratchFolder folder("autocreate");
  for (bool escape : {true, false}) {
    testsupport::ResetTarnbelKey();
    StartUp();
    QuartzPath = folder["quartz"];
    AutocreateCubase1 = true;
    TAutocreateForm* form = nullptr;
    std::string shownQuartz;
    TModalDriver driver(nullptr,
                        {[&] {
                           if (!(form = Shown<TAutocreateForm>())) return false;
                           shownQuartz = WindowTitle(form->QuartzComboEdit->Handle());
                           form->MappingCheckBox->SetFocus();
                           PostKey(form->MappingCheckBox->Handle(), VK_SPACE);
                           PostKey(form->MappingCheckBox->Handle(), VK_TAB);
                           return true;
                         },
                         [&] {
                           if (GetFocus() != form->MappingComboEdit->Handle()) return false;
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
                           if (Shown<TOKRightDlg>()) return false;
                           form->LogicFixedBankKitSpinEdit->SetFocus();
                           testsupport::PostText(form->LogicFixedBankKitSpinEdit->Handle(), "200");
                           return true;
                         },
                         [&] {
                           if (WindowTitle(form->LogicFixedBankKitSpinEdit->Handle()) != "128") return false;
                           if (escape) PostKey(form->LogicFixedBankKitSpinEdit->Handle(), VK_ESCAPE);
                           if (!escape) PostMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
                           return true;
                         }},
                        15000);
    ShowAutocreateForm(nullptr);
    ASSERT_TRUE(driver.AllDone()) << (escape ? "Escape" : "Close");
    EXPECT_EQ(shownQuartz, folder["quartz"]);
    EXPECT_EQ(Stored(), "1 0 1 0 0 0 0 0 0 128 " + folder.Path() + "||||||" + folder["quartz"] + "|");
  }
}

// After a restart (the program's values back to nothing, start-up reading the profile again) the window
// shows every folder stored when it last closed.
TEST(AutocreateForm, ARestartShowsTheStoredFolders) {
  testsupport::ResetTarnbelKey();
  StartUp();
  std::vector<std::string*> folders = {&MappingPath,   &CubasePath, &CakewalkPath, &MassivaPath,
                                       &EvolutionPath, &EncorePath, &QuartzPath};
  for (size_t i = 0; i < folders.size(); ++i) *folders[i] = "C:\\exports\\" + std::to_string(i);
  LogicFixedBank = 77;
  std::string caption, shown;
  auto readAndClose = [&] {
    auto* form = Shown<TAutocreateForm>();
    if (!form) return false;
    caption = form->Caption();
    for (TComboEdit* field :
         {form->MappingComboEdit, form->CubaseComboEdit, form->CakewalkComboEdit, form->MassivaComboEdit,
          form->EvolutionComboEdit, form->EncoreComboEdit, form->QuartzComboEdit})
      shown += WindowTitle(field->Handle()) + "|";
    shown += WindowTitle(form->LogicFixedBankKitSpinEdit->Handle());
    form->Close();
    return true;
  };
  {
    TModalDriver close(nullptr, {readAndClose});
    ShowAutocreateForm(nullptr);
  }
  for (std::string* f : folders) f->clear();
  LogicFixedBank = 0;
  StartUp();
  shown.clear();
  TModalDriver read(nullptr, {readAndClose});
  ShowAutocreateForm(nullptr);
  EXPECT_EQ(caption, "automatically create:");
  EXPECT_EQ(
      shown,
      "C:\\exports\\0|C:\\exports\\1|C:\\exports\\2|C:\\exports\\3|C:\\exports\\4|C:\\exports\\5|C:\\exports\\6|77");
  testsupport::ResetTarnbelKey();
}
