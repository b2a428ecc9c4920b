// A form's client size and minimum size, before and after its window exists.
#include <gtest/gtest.h>

#include "form.h"

using namespace ui;

namespace {
using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;
}  // namespace

TEST(FormSize, ClientSizeHoldsForEachBorderWithAndWithoutAWindow) {
  for (TFormBorderStyle border : {bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow}) {
    FormPtr form(new TForm(nullptr));
    form->SetBorderStyle(border);
    form->SetClientSize(248, 21);
    EXPECT_EQ(form->ClientWidth(), 248) << border;
    form->Show();
    RECT client{};
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 248) << border;
    EXPECT_EQ(client.bottom, 21) << border;
    // Set again on the window: the frame is measured, not computed.
    form->SetClientHeight(380);
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.bottom, 380) << border;
    EXPECT_EQ(form->ClientHeight(), 380) << border;
    if (border == bsNone) {
      EXPECT_EQ(form->Width(), 248);
    }
  }
}

TEST(FormSize, TheMinimumSizeHoldsForCodeAndForTheUsersDragging) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(10, 10, 200, 150);
  form->SetMinSize(300, 200);
  EXPECT_EQ(form->Width(), 300) << "a smaller form grows";
  EXPECT_EQ(form->Height(), 200);
  form->Show();
  form->SetBounds(10, 10, 120, 400);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->Height(), 400);
  RECT window{};
  GetWindowRect(form->Handle(), &window);
  EXPECT_EQ(window.right - window.left, 300);
  MINMAXINFO info{};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMinTrackSize.y, 200);
  // No limit again: the system's own minimum.
  form->SetMinSize(0, 0);
  form->SetBounds(10, 10, 150, 120);
  EXPECT_EQ(form->Width(), 150);
}
