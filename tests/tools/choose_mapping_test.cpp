// The choose-mapping dialog as a real modal window: typed names, the backslash box, Cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "choose_mapping_form.h"
#include "modal_driver.h"
#include "registry_test_support.h"
#include "tarnbel_func.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using namespace ui;
using testsupport::TModalDriver;

namespace {

class ChooseMapping : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetTarnbelKey();
    for (const char* name : {"Strings", "Pads"}) {
      HKEY key = nullptr;
      std::string path = std::string(TarnbelKeyPath) + "\\mappings\\" + name;
      ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    Form = new TChooseMappingForm(nullptr);
  }
  void TearDown() override {
    Form->Free();
    MappingsForm = nullptr;
    testsupport::ResetTarnbelKey();
  }

  HWND Edit() { return testsupport::ComboEdit(Form->ComboBox1->Handle()); }
  TModalDriver::TStep Shown() {
    return [this] { return Form->Visible() && IsWindowVisible(Form->Handle()); };
  }
  // Replaces the combo's text by typing, then presses the key.
  std::vector<TModalDriver::TStep> TypeAndPress(const std::string& text, WORD key) {
    return {Shown(),
            [this, text] {
              SetWindowTextA(Edit(), "");
              testsupport::PostText(Edit(), text);
              return true;
            },
            [this, text, key] {
              if (Form->ComboBox1->Text() != text) return false;
              testsupport::PostKey(Edit(), key);
              return true;
            }};
  }
  // Shows the dialog modally while the steps run; the result, or -1 when the steps did not finish in time.
  int Run(std::vector<TModalDriver::TStep> steps) {
    TModalDriver driver(Form, std::move(steps));
    int result = Form->ShowModal();
    return driver.TimedOut() || !driver.AllDone() ? -1 : result;
  }

  TChooseMappingForm* Form = nullptr;
};

}  // namespace

TEST_F(ChooseMapping, ListsTheStoredMappingsAndReturnsAChosenOrTypedName) {
  std::vector<std::string> stored;
  GetMappingNames(stored);
  std::vector<std::string> listed;
  for (int i = 0; i < Form->ComboBox1->Items()->Count(); ++i) listed.push_back(Form->ComboBox1->Items()->Strings(i));
  EXPECT_EQ(listed, stored);
  EXPECT_EQ(listed.size(), 2u);
  EXPECT_EQ(Form->Caption(), "choose mapping to edit:");

  EXPECT_EQ(Run(TypeAndPress("Pads", VK_RETURN)), mrOk);
  EXPECT_EQ(Form->MappingName(), "Pads");
  // A new name is the editor's to create.
  EXPECT_EQ(Run(TypeAndPress("Brand new", VK_RETURN)), mrOk);
  EXPECT_EQ(Form->MappingName(), "Brand new");
  EXPECT_EQ(Run(TypeAndPress("Strings", VK_ESCAPE)), mrCancel);
}

TEST_F(ChooseMapping, ABackslashShowsTheBoxAndCancelsAnEmptyNameCancels) {
  std::string boxText;
  std::vector<TModalDriver::TStep> steps = TypeAndPress("new\\bank", VK_RETURN);
  steps.push_back([&] {
    HWND box = testsupport::FindThreadBox("tarnbel");
    if (!box) return false;
    boxText = testsupport::BoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  EXPECT_EQ(Run(steps), mrCancel);
  EXPECT_EQ(boxText, "Mapping name cannot contain a \"\\\" character.");
  EXPECT_EQ(Form->MappingName(), "new\\bank") << "the name is not corrected";

  // Nothing typed: no key below the mappings key is named, so the dialog cancels (a box would hold it
  // open until the driver gives up).
  EXPECT_EQ(Run(TypeAndPress("", VK_RETURN)), mrCancel);
}

TEST_F(ChooseMapping, StartsOnTheMappingOfAnOpenEditor) {
  Form->Free();
  auto* editor = new toolstest::TTestEditor(nullptr, nullptr, true);
  editor->Current = "Strings";
  MappingsForm = editor;
  Form = new TChooseMappingForm(nullptr);
  EXPECT_EQ(Form->ComboBox1->Text(), "Strings");
  MappingsForm = nullptr;
  editor->Free();
}
