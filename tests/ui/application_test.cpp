#include <gtest/gtest.h>

#include <windowsx.h>

#include "application.h"
#include "form.h"
#include "pump_until.h"
#include "std_controls.h"

using namespace ui;
using testsupport::PumpUntil;

namespace {
using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;
void LoopStep() { Application().HandleMessage(); }

class TClickSpot : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
};
}  // namespace

TEST(Application, WholeProgramMinimiseAndRestore) {
  FormPtr a(new TForm(nullptr)), b(new TForm(nullptr));
  a->Show();
  b->Show();
  int minimised = 0, restored = 0;
  Application().OnMinimize = [&](TObject*) { ++minimised; };
  Application().OnRestore = [&](TObject*) { ++restored; };
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Application().Handle()));
  EXPECT_FALSE(IsWindowVisible(a->Handle()));
  EXPECT_FALSE(IsWindowVisible(b->Handle()));
  EXPECT_TRUE(a->Visible());  // still shown as far as the program is concerned
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsWindowVisible(a->Handle()));
  EXPECT_TRUE(IsWindowVisible(b->Handle()));
  EXPECT_EQ(1, minimised);
  EXPECT_EQ(1, restored);
  Application().OnMinimize = nullptr;
  Application().OnRestore = nullptr;
}

TEST(Application, KeyPreviewSeesKeysBeforeTheFocusedControl) {
  FormPtr form(new TForm(nullptr));
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  form->SetActiveControl(edit);
  form->Show();
  std::vector<WORD> seen;
  form->OnKeyDown = [&](TObject*, WORD& key, TSet32) {
    seen.push_back(key);
    if (key == 'Q') key = 0;  // swallowed
  };
  PostMessageA(edit->Handle(), WM_KEYDOWN, 'Q', 0);
  testsupport::PumpFor(50, LoopStep);
  EXPECT_TRUE(seen.empty());  // KeyPreview is off
  form->SetKeyPreview(true);
  PostMessageA(edit->Handle(), WM_KEYDOWN, 'Q', 0);
  PostMessageA(edit->Handle(), WM_CHAR, 'Q', 0);
  EXPECT_TRUE(PumpUntil([&] { return !seen.empty(); }, 2000, LoopStep));
  EXPECT_EQ('Q', seen[0]);
  EXPECT_EQ(form.get(), Screen().ActiveForm());
}

TEST(Application, GraphicControlsAreClickedThroughTheirParent) {
  FormPtr form(new TForm(nullptr));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 200, 100);
  auto* spot = new TClickSpot(form.get());
  spot->SetParent(panel);
  spot->SetBounds(50, 20, 30, 30);
  int clicks = 0;
  spot->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  PostMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 30));
  PostMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(61, 31));
  // Pressed on the spot, released outside it: no click.
  PostMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 30));
  PostMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 90));
  testsupport::PumpFor(100, LoopStep);
  EXPECT_EQ(1, clicks);
  spot->SetEnabled(false);
  PostMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 30));
  PostMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(61, 31));
  testsupport::PumpFor(50, LoopStep);
  EXPECT_EQ(1, clicks);
}
