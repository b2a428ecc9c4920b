// The about box as the launcher opens it and the monitor frees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "KitGIF.h"
#include "bitmap.h"
#include "about_form.h"
#include "modal_driver.h"
#include "presets_in_cache_form.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using namespace ui;

namespace {

class AboutBox : public toolstest::ToolsFixture {
 protected:
  void SetUp() override {
    ToolsFixture::SetUp();
    RegisterGIFImage();
    RegisterAboutWindow();
  }
  void TearDown() override {
    SetKeys({});
    ToolsFixture::TearDown();
  }

  TAboutForm* Open() {
    PostToTools(WM_TB_SHOW_ABOUT);
    RunUntil([] { return AboutForm && AboutForm->Visible(); });
    return dynamic_cast<TAboutForm*>(AboutForm);
  }
  // The thread's key state as the key messages that follow are read with.
  static void SetKeys(std::initializer_list<int> down) {
    BYTE state[256] = {0};
    for (int key : down) state[key] = 0x80;
    SetKeyboardState(state);
  }
  // The closed messages queued for the monitor, taken from the queue.
  int TakeClosedMessages() {
    int count = 0;
    MSG msg;
    HWND monitor = PresetsInCacheForm->Handle();
    while (PeekMessageA(&msg, monitor, WM_TB_ABOUT_CLOSED, WM_TB_ABOUT_CLOSED, PM_REMOVE)) ++count;
    return count;
  }
};

}  // namespace

TEST_F(AboutBox, OpensAsDesignedAndEscapeLetsTheMonitorFreeItAndEndAHiddenProgram) {
  StartTools({"-"});
  TAboutForm* about = Open();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->Caption(), "about tarnbel");
  EXPECT_EQ(about->ClientWidth(), 384);
  EXPECT_EQ(about->ClientHeight(), 380);
  EXPECT_EQ(about->Owner(), static_cast<TComponent*>(FakeForm));
  EXPECT_EQ(about->Label1->Caption().rfind("tarnbel v1.24.2", 0), 0u) << about->Label1->Caption();
  auto* logo = dynamic_cast<TGIFImage*>(about->Image1->Picture()->Graphic());
  ASSERT_NE(logo, nullptr) << "the logo comes from the program's resources";
  EXPECT_EQ(logo->Width(), 160);
  EXPECT_TRUE(logo->IsTransparent());
  EXPECT_FALSE(about->Panel1->Visible());
  for (TShellLink* link : {about->ShellLink1, about->ShellLink2}) EXPECT_FALSE(link->Link().empty());

  testsupport::PostKey(about->CloseButton->Handle(), VK_ESCAPE);
  EXPECT_TRUE(RunUntil([&] { return Quit; })) << "nothing is open and the monitor is hidden";
  EXPECT_EQ(AboutForm, nullptr);
}

TEST_F(AboutBox, TheMonitorHearsOfTheCloseOncePerBox) {
  StartTools({});
  TAboutForm* about = Open();
  ASSERT_NE(about, nullptr);
  // The button and the close query each would say it.
  about->CloseButton->Click();
  about->Close();
  about->Close();
  EXPECT_EQ(TakeClosedMessages(), 1);
  EXPECT_TRUE(about->ClosedPosted());
  // Handed back, the message frees the box; a second box says it again.
  PostMessageA(PresetsInCacheForm->Handle(), WM_TB_ABOUT_CLOSED, 0, 0);
  ASSERT_TRUE(RunUntil([] { return AboutForm == nullptr; }));
  about = Open();
  ASSERT_NE(about, nullptr);
  about->Close();
  EXPECT_EQ(TakeClosedMessages(), 1);
  about->Free();
  EXPECT_EQ(AboutForm, nullptr);

  // Without a monitor window the close does not wait for one.
  auto* orphan = new TAboutForm(nullptr);
  orphan->Show();
  PresetsInCacheForm->Free();
  DWORD start = GetTickCount();
  orphan->Close();
  EXPECT_LT(GetTickCount() - start, 1000u);
  orphan->Free();
}

TEST_F(AboutBox, ModalOverAStayOnTopMonitorItsButtonEndsItAndTheMonitorFreesIt) {
  StartTools({});
  PresetsInCacheForm->Show();
  PresetsInCacheForm->SetStayOnTop(true);
  testsupport::TModalDriver driver(nullptr, {[&] { return AboutForm && AboutForm->Visible(); },
                                           [&] {
                                             auto* about = dynamic_cast<TAboutForm*>(AboutForm);
                                             testsupport::PostKey(about->CloseButton->Handle(), VK_RETURN);
                                             return true;
                                           },
                                           [&] { return AboutForm == nullptr; }});
  PostToTools(WM_TB_SHOW_ABOUT);
  EXPECT_TRUE(RunUntil([&] { return driver.AllDone() && AboutForm == nullptr; }));
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_FALSE(Quit) << "the monitor is visible";
}

TEST_F(AboutBox, CtrlAltShiftITogglesThePanelAndTheBoxPaintsBlackLogoAndShape) {
  StartTools({"-"});
  TAboutForm* about = Open();
  ASSERT_NE(about, nullptr);
  HWND button = about->CloseButton->Handle();
  SetKeys({VK_CONTROL, VK_MENU});
  testsupport::PostKey(button, 'I');
  RunFor(100);
  EXPECT_FALSE(about->Panel1->Visible()) << "Shift is part of the shortcut";
  SetKeys({VK_CONTROL, VK_MENU, VK_SHIFT});
  testsupport::PostKey(button, 'I');
  ASSERT_TRUE(RunUntil([&] { return about->Panel1->Visible(); }));
  EXPECT_EQ(about->Label3->Caption(), "Venus power make up!");
  EXPECT_EQ(about->Label3->Parent(), about->Panel1);

  // Read back from the screen: black left half, the shape on the right, the logo drawn with its
  // see-through corners showing the black behind it.
  HWND window = about->Handle();
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RunFor(50);
  HDC dc = GetDC(window);
  COLORREF leftEdge = GetPixel(dc, 4, 200), rightEdge = GetPixel(dc, 380, 4), corner = GetPixel(dc, 18, 18);
  int logoPixels = 0;
  for (int y = 16; y < 136; y += 4)
    for (int x = 16; x < 176; x += 4)
      if (GetPixel(dc, x, y) != RGB(0, 0, 0)) ++logoPixels;
  COLORREF panel = GetPixel(dc, about->Panel1->Left() + 4, about->Panel1->Top());
  // For a look by eye: TARNBEL_ABOUT_SHOT names a .bmp file to keep the picture in.
  if (const char* shot = std::getenv("TARNBEL_ABOUT_SHOT")) {
    TBitmap picture;
    picture.SetSize(384, 380);
    BitBlt(picture.Canvas().Handle(), 0, 0, 384, 380, dc, 0, 0, SRCCOPY);
    picture.SaveToFile(shot);
  }
  ReleaseDC(window, dc);
  EXPECT_EQ(leftEdge, RGB(0, 0, 0));
  EXPECT_EQ(rightEdge, ColorToRGB(about->Shape1->BrushColor()));
  EXPECT_EQ(corner, RGB(0, 0, 0));
  EXPECT_GT(logoPixels, 300) << "the rings and letters of the logo";
  EXPECT_NE(panel, RGB(0, 0, 0)) << "the panel's bevel";

  testsupport::PostKey(button, 'I');
  EXPECT_TRUE(RunUntil([&] { return !about->Panel1->Visible(); }));
}
