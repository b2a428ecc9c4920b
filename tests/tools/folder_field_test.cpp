// The folder fields as their windows use them: combo edits with an ellipsis button whose click opens the real
// modal folder picker on the field's text. Seven fields sharing one handler on a key-preview form that closes
// on Escape, and one field on a modal form closed by its default "Close" button.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "KitToolEdit.h"
#include "choose_directory.h"
#include "control_mouse.h"
#include "form.h"
#include "modal_driver.h"
#include "screen.h"
#include "standin_support.h"
#include "std_controls.h"

using namespace ui;
using toolstest::TModalDriver;

namespace {

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

TOKRightDlg* Picker() {
  for (int i = 0; i < Screen().FormCount(); ++i)
    if (auto* dialog = dynamic_cast<TOKRightDlg*>(Screen().Forms(i)))
      if (dialog->Visible()) return dialog;
  return nullptr;
}

// The fields' shared handler: the picker starts at the field's text; OK writes the folder into that field.
void PickFolderFor(TObject* sender) {
  auto* field = dynamic_cast<TComboEdit*>(sender);
  std::string folder = field->Text();
  if (ChooseDirectory(field->ParentForm(), folder, "") == mrOk) field->SetText(folder);
}

TComboEdit* AddFolderField(TForm* form, int top) {
  auto* field = new TComboEdit(form);
  field->SetParent(form);
  field->SetBounds(10, top, 300, 21);
  field->SetGlyphKind(gkEllipsis);
  field->SetButtonWidth(16);
  field->OnButtonClick = PickFolderFor;
  return field;
}

class FolderFields : public ::testing::Test {
 protected:
  void SetUp() override {
    Alpha = Temp.File("alpha");
    Gamma = Temp.File("gamma");
    for (const std::string& folder : {Alpha, Gamma}) CreateDirectoryA(folder.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& folder : {Alpha, Gamma}) RemoveDirectoryA(folder.c_str());
  }
  // Steps that press the field's button once its form shows, then answer the picker.
  static TModalDriver::TStep PressButtonOf(TComboEdit* field) {
    return [field] {
      if (!field->HandleAllocated() || !IsWindowVisible(field->Handle())) return false;
      testsupport::PostClick(field->Button(), 5, 5);
      return true;
    };
  }
  static TModalDriver::TStep KeyWhenLabelIs(const std::string& path, WORD key) {
    return [path, key] {
      if (!Picker() || !SamePath(Picker()->Label1->Caption(), path)) return false;
      toolstest::PostKey(Picker()->KitSystemTreeView1->Handle(), key);
      return true;
    };
  }
  static TModalDriver::TStep CancelWhenOpen(bool& opened) {
    return [&opened] {
      if (!Picker()) return false;
      opened = true;
      toolstest::PostKey(Picker()->KitSystemTreeView1->Handle(), VK_ESCAPE);
      return true;
    };
  }
  static TModalDriver::TStep WhenPickerGone() {
    return [] { return Picker() == nullptr; };
  }

  testsupport::TempFolder Temp;
  std::string Alpha, Gamma;
};

}  // namespace

TEST_F(FolderFields, SevenFieldsOneHandlerOkWritesThatFieldOnlyCancelKeepsIt) {
  auto* form = new TForm(nullptr);
  form->SetBounds(50, 50, 360, 260);
  form->SetKeyPreview(true);
  form->OnKeyDown = [form](TObject*, WORD& key, TSet32) {
    if (key == VK_ESCAPE) form->Close();
  };
  std::vector<TComboEdit*> fields;
  for (int i = 0; i < 7; ++i) {
    fields.push_back(AddFolderField(form, 8 + i * 30));
    fields.back()->SetText(Alpha);
  }
  form->Show();
  {
    TModalDriver driver(nullptr, {PressButtonOf(fields[2]), KeyWhenLabelIs(Alpha, VK_DOWN),
                                  KeyWhenLabelIs(Gamma, VK_RETURN), WhenPickerGone()});
    ASSERT_TRUE(testsupport::PumpAppUntil([&] { return driver.AllDone() || driver.TimedOut(); }, 10000));
    EXPECT_FALSE(driver.TimedOut());
  }
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(SamePath(fields[size_t(i)]->Text(), i == 2 ? Gamma : Alpha)) << i;

  bool opened = false;
  {
    TModalDriver driver(nullptr, {PressButtonOf(fields[6]), CancelWhenOpen(opened), WhenPickerGone()});
    ASSERT_TRUE(testsupport::PumpAppUntil([&] { return driver.AllDone() || driver.TimedOut(); }, 10000));
  }
  EXPECT_TRUE(opened);
  EXPECT_TRUE(SamePath(fields[6]->Text(), Alpha));
  // Escape in a field closes the form (its key preview), once the picker is gone.
  fields[0]->SetFocus();
  toolstest::PostKey(fields[0]->Handle(), VK_ESCAPE);
  EXPECT_TRUE(testsupport::PumpAppUntil([&] { return !form->Visible(); }));
  form->Free();
}

TEST_F(FolderFields, AnyTextOpensThePickerAndCancelKeepsIt) {
  auto* form = new TForm(nullptr);
  form->SetBounds(50, 50, 360, 120);
  TComboEdit* field = AddFolderField(form, 10);
  form->Show();
  for (const std::string& text : {Temp.File("missing\\deeper"), std::string("C:\\<>|*?\"bad"),
                                  "C:\\" + std::string(297, 'x')}) {
    field->SetText(text);
    bool opened = false;
    TModalDriver driver(nullptr, {PressButtonOf(field), CancelWhenOpen(opened), WhenPickerGone()});
    ASSERT_TRUE(testsupport::PumpAppUntil([&] { return driver.AllDone() || driver.TimedOut(); }, 10000));
    EXPECT_TRUE(opened) << text.substr(0, 40);
    EXPECT_EQ(text, field->Text());
  }
  form->Free();
}

TEST_F(FolderFields, OneFieldOnAModalFormWithItsDefaultClose) {
  auto* form = new TForm(nullptr);
  form->SetBounds(50, 50, 360, 120);
  TComboEdit* field = AddFolderField(form, 10);
  field->SetText(Alpha);
  auto* close = new TButton(form);
  close->SetParent(form);
  close->SetCaption("Close");
  close->SetBounds(10, 50, 75, 25);
  close->SetDefault(true);
  close->SetModalResult(mrCancel);
  TModalDriver driver(form, {PressButtonOf(field), KeyWhenLabelIs(Alpha, VK_DOWN), KeyWhenLabelIs(Gamma, VK_RETURN),
                             WhenPickerGone(),
                             [field] {
                               // Enter in the field presses the default button.
                               toolstest::PostKey(field->Handle(), VK_RETURN);
                               return true;
                             }},
                      10000);
  int result = form->ShowModal();
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(mrCancel, result);
  EXPECT_TRUE(SamePath(field->Text(), Gamma)) << field->Text();
  form->Free();
}
