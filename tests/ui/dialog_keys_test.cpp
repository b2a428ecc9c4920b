#include <gtest/gtest.h>

#include <vector>

#include "comctrls.h"
#include "graphic_controls.h"
#include "list_controls.h"
#include "std_controls.h"
#include "ui_test_support.h"

using namespace ui;
using namespace uitest;

namespace {

// A dialog with one control of each focusable kind, a label for the edit, OK (default) and Cancel.
struct TDialogForm {
  FormPtr Form{new TForm(nullptr)};
  TLabel* Label;
  TEdit* Edit;
  TCheckBox* Check;
  TRadioButton* Radio;
  TComboBox* Combo;
  TListBox* List;
  TMemo* Memo;
  TButton* Ok;
  TButton* Cancel;
  int OkClicks = 0, CancelClicks = 0;

  TDialogForm() {
    TForm* f = Form.get();
    f->SetBounds(100, 100, 420, 320);
    Label = new TLabel(f);
    Label->SetParent(f);
    Label->SetBounds(8, 8, 60, 16);
    Label->SetCaption("&Name:");
    auto* panel = new TPanel(f);  // a container the keys walk into
    panel->SetParent(f);
    panel->SetBounds(0, 30, 400, 200);
    Edit = Place(new TEdit(f), panel, 8, 0);
    Check = Place(new TCheckBox(f), panel, 8, 30);
    Radio = Place(new TRadioButton(f), panel, 8, 50);
    Radio->SetChecked(true);
    Combo = Place(new TComboBox(f), panel, 8, 75);
    List = Place(new TListBox(f), panel, 160, 0);
    List->Items()->Add("one");
    Memo = Place(new TMemo(f), panel, 160, 100);
    Memo->SetBounds(160, 100, 150, 60);
    Ok = Place(new TButton(f), f, 200, 250);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->OnClick = [this](TObject*) { ++OkClicks; };
    Cancel = Place(new TButton(f), f, 290, 250);
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->OnClick = [this](TObject*) { ++CancelClicks; };
    Label->SetFocusControl(Memo);
  }

  template <class C>
  C* Place(C* c, TWinControl* parent, int x, int y) {
    c->SetParent(parent);
    c->SetLeft(x);
    c->SetTop(y);
    return c;
  }
};

// The control that has the focus: the combo box's edit speaks for the combo box.
TWinControl* FocusedControl() {
  HWND f = GetFocus();
  TWinControl* c = TWinControl::FindControl(f);
  if (!c && f) c = TWinControl::FindControl(GetParent(f));
  return c;
}

std::vector<TWinControl*> WalkWithTab(size_t steps, bool shift) {
  std::vector<TWinControl*> seen;
  for (size_t i = 0; i < steps; ++i) {
    TWinControl* before = FocusedControl();
    {
      std::unique_ptr<HeldKeys> held(shift ? new HeldKeys({VK_SHIFT}) : nullptr);
      PressKey(VK_TAB);
      RunUntil([&] { return FocusedControl() != before; }, 1000);
    }
    seen.push_back(FocusedControl());
  }
  return seen;
}

}  // namespace

TEST(DialogKeys, TabAndShiftTabVisitTheControlsInTabOrder) {
  TDialogForm d;
  // The tab order differs from the order of creation: the memo comes first on its panel.
  d.Memo->SetTabOrder(0);
  d.Form->Show();
  d.Edit->SetFocus();
  ASSERT_EQ(d.Edit, FocusedControl());
  std::vector<TWinControl*> forward = WalkWithTab(7, false);
  std::vector<TWinControl*> expected{d.Check, d.Radio, d.Combo, d.List, d.Ok, d.Cancel, d.Memo};
  EXPECT_EQ(expected, forward);
  std::vector<TWinControl*> backward = WalkWithTab(2, true);
  std::vector<TWinControl*> expectedBack{d.Cancel, d.Ok};
  EXPECT_EQ(expectedBack, backward);

  // A control without its tab stop is passed over.
  d.List->SetTabStop(false);
  d.Combo->SetFocus();
  EXPECT_EQ(std::vector<TWinControl*>{d.Ok}, WalkWithTab(1, false));
}

TEST(DialogKeys, EnterClicksTheDefaultButtonAndEscapeTheCancelOne) {
  TDialogForm d;
  d.Form->Show();
  d.Edit->SetFocus();
  PressKey(VK_RETURN);
  EXPECT_TRUE(RunUntil([&] { return d.OkClicks == 1; }));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(RunUntil([&] { return d.CancelClicks == 1; }));
  EXPECT_EQ(1, d.OkClicks);

  // Enter on another focused button clicks that one; a disabled default button is not clicked.
  d.Cancel->SetFocus();
  PressKey(VK_RETURN);
  EXPECT_TRUE(RunUntil([&] { return d.CancelClicks == 2; }));
  EXPECT_EQ(1, d.OkClicks);
  d.Ok->SetEnabled(false);
  d.Edit->SetFocus();
  PressKey(VK_RETURN);
  RunFor(100);
  EXPECT_EQ(1, d.OkClicks);

  // In a memo that wants returns, Enter is the memo's.
  d.Ok->SetEnabled(true);
  d.Memo->SetFocus();
  PressKey(VK_RETURN);
  RunFor(100);
  EXPECT_EQ(1, d.OkClicks);
  d.Memo->SetWantReturns(false);
  PressKey(VK_RETURN);
  EXPECT_TRUE(RunUntil([&] { return d.OkClicks == 2; }));
}

TEST(DialogKeys, AltAndTheLabelsLetterFocusesItsControl) {
  TDialogForm d;
  d.Form->Show();
  d.Edit->SetFocus();
  PostMessageA(GetFocus(), WM_SYSCHAR, 'n', LPARAM(1u << 29));
  EXPECT_TRUE(RunUntil([&] { return FocusedControl() == d.Memo; }));
  // Another letter does nothing to the focus; a label without ShowAccelChar neither.
  d.Edit->SetFocus();
  PostMessageA(GetFocus(), WM_SYSCHAR, 'q', LPARAM(1u << 29));
  RunFor(100);
  EXPECT_EQ(d.Edit, FocusedControl());
  d.Label->SetShowAccelChar(false);
  PostMessageA(GetFocus(), WM_SYSCHAR, 'n', LPARAM(1u << 29));
  RunFor(100);
  EXPECT_EQ(d.Edit, FocusedControl());
}

TEST(DialogKeys, ModalDialogIsOwnedByTheFormThatOpenedItAndComesBackToIt) {
  TDialogForm caller;
  caller.Form->Show();
  caller.Check->SetFocus();
  ASSERT_EQ(caller.Form->Handle(), GetActiveWindow());

  FormPtr dialog(new TForm(nullptr));
  dialog->SetBorderStyle(bsDialog);
  auto* ok = new TButton(dialog.get());
  ok->SetParent(dialog.get());
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  HWND ownerWhileOpen = nullptr;
  dialog->OnShow = [&](TObject*) {
    ownerWhileOpen = GetWindow(dialog->Handle(), GW_OWNER);
    // Enter in the dialog: its default button ends it.
    PostMessageA(dialog->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  };
  EXPECT_EQ(mrOk, dialog->ShowModal());
  EXPECT_EQ(caller.Form->Handle(), ownerWhileOpen);
  EXPECT_EQ(caller.Form->Handle(), GetActiveWindow());
  EXPECT_TRUE(RunUntil([&] { return FocusedControl() == caller.Check; }));
  // Outside a modal run the dialog is the application's again.
  EXPECT_EQ(Application().Handle(), GetWindow(dialog->Handle(), GW_OWNER));

  // A dialog opened from the dialog is owned by the dialog.
  FormPtr inner(new TForm(nullptr));
  HWND innerOwner = nullptr;
  inner->OnShow = [&](TObject*) {
    innerOwner = GetWindow(inner->Handle(), GW_OWNER);
    inner->SetModalResult(mrCancel);
  };
  dialog->OnShow = [&](TObject*) {
    PostMessageA(dialog->Handle(), WM_APP + 1, 0, 0);
  };
  ok->OnClick = nullptr;
  int opened = 0;
  Application().OnMessage = [&](MSG& msg, bool& handled) {
    if (msg.message != WM_APP + 1) return;
    handled = true;
    ++opened;
    inner->ShowModal();
    dialog->SetModalResult(mrOk);
  };
  dialog->ShowModal();
  Application().OnMessage = nullptr;
  EXPECT_EQ(1, opened);
  EXPECT_EQ(dialog->Handle(), innerOwner);
}
