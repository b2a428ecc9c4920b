// The folder picker as a real modal window: the label follows the tree; OK, Cancel, a selection that is no folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "choose_directory.h"
#include "modal_driver.h"
#include "screen.h"
#include "standin_support.h"

using namespace ui;
using testsupport::TModalDriver;

namespace {

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

class FolderPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    Alpha = Temp.File("alpha");
    Gamma = Temp.File("gamma");
    for (const std::string& folder : {Alpha, Alpha + "\\beta", Gamma}) CreateDirectoryA(folder.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& folder : {Alpha + "\\beta", Alpha, Gamma}) RemoveDirectoryA(folder.c_str());
  }

  static TOKRightDlg* Dialog() {
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (auto* dialog = dynamic_cast<TOKRightDlg*>(Screen().Forms(i)))
        if (dialog->Visible()) return dialog;
    return nullptr;
  }
  static HWND Tree() { return Dialog()->KitSystemTreeView1->Handle(); }
  // The shown dialog's label once it reads path; then the key goes to the tree.
  static TModalDriver::TStep PressWhenLabelIs(const std::string& path, WORD key) {
    return [path, key] {
      if (!Dialog() || !SamePath(Dialog()->Label1->Caption(), path)) return false;
      testsupport::PostKey(Tree(), key);
      return true;
    };
  }
  int Pick(std::string& folder, const std::string& caption, std::vector<TModalDriver::TStep> steps) {
    TModalDriver driver(nullptr, std::move(steps));
    int result = ChooseDirectory(nullptr, folder, caption);
    return driver.TimedOut() || !driver.AllDone() ? -1 : result;
  }

  testsupport::TempFolder Temp;
  std::string Alpha, Gamma;
};

}  // namespace

TEST_F(FolderPicker, StartsOnTheFolderTheLabelFollowsTheSelectionAndOkTakesIt) {
  std::string folder = Alpha, caption;
  RECT shrunk{};
  int result = Pick(folder, "", {[&] {
                                   if (!Dialog()) return false;
                                   caption = Dialog()->Caption();
                                   // The user cannot make it smaller than 300 by 200.
                                   SetWindowPos(Dialog()->Handle(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
                                   GetWindowRect(Dialog()->Handle(), &shrunk);
                                   return true;
                                 },
                                 PressWhenLabelIs(Alpha, VK_DOWN),  // alpha's next sibling: gamma
                                 PressWhenLabelIs(Gamma, VK_RETURN)});
  EXPECT_EQ(caption, "Choose directory:");
  EXPECT_GE(shrunk.right - shrunk.left, 300);
  EXPECT_GE(shrunk.bottom - shrunk.top, 200);
  EXPECT_EQ(result, mrOk);
  EXPECT_TRUE(SamePath(folder, Gamma)) << folder;
}

TEST_F(FolderPicker, CancelOrAChoiceWithoutAPathLeavesTheFolder) {
  std::string folder = Alpha, caption;
  EXPECT_EQ(Pick(folder, "Where are the banks?",
                 {[&] {
                    if (Dialog()) caption = Dialog()->Caption();
                    return Dialog() != nullptr;
                  },
                  PressWhenLabelIs(Alpha, VK_DOWN), PressWhenLabelIs(Gamma, VK_ESCAPE)}),
            mrCancel);
  EXPECT_EQ(caption, "Where are the banks?");
  EXPECT_EQ(folder, Alpha);
  // The root ("My Computer") has no file-system path: OK cannot take it, Enter leaves the picker open, and
  // the folder stays.
  bool okEnabled = true;
  EXPECT_EQ(Pick(folder, "",
                 {PressWhenLabelIs(Alpha, VK_HOME),
                  [&] {
                    if (!Dialog() || !Dialog()->Label1->Caption().empty()) return false;
                    okEnabled = IsWindowEnabled(Dialog()->OKBtn->Handle()) != FALSE;
                    testsupport::PostKey(Tree(), VK_RETURN);
                    testsupport::PostKey(Tree(), VK_ESCAPE);
                    return true;
                  }}),
            mrCancel);
  EXPECT_FALSE(okEnabled);
  EXPECT_EQ(folder, Alpha);
}
