#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "../ui/input_support.h"
#include "DockManager.h"
#include "customize_toolbars_form.h"
#include "registry_test_support.h"

using namespace ui;
using namespace uitest;
using namespace testsupport;

namespace {

const char* const kRoot = "Software\\tarnbel\\placement";

// A window with three toolbars in one dock panel and its docking manager's dialog shown.
struct TDialogHost {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TPanel* Top;
  TToolBar* Bars[3];
  std::unique_ptr<TDockManager> Manager;
  TCustomizeToolbarsForm* Dialog = nullptr;

  TDialogHost() {
    Form->SetName("DialogProbe");
    Form->SetBounds(100, 100, 600, 400);
    Top = new TPanel(Form.get());
    Top->SetName("ControlBar1");
    Top->SetParent(Form.get());
    Top->SetAlign(alTop);
    Top->SetAutoSize(true);
    const char* captions[] = {"Zoom", "Main", "Edit"};
    for (int i = 0; i < 3; ++i) {
      auto* bar = new TToolBar(Form.get());
      bar->SetName("ToolBar" + std::to_string(i + 1));
      bar->SetCaption(captions[i]);
      bar->SetAutoSize(true);
      bar->SetParent(Top);
      bar->SetBounds(i * 150, 0, 100, 28);
      for (int b = 0; b < 2; ++b) (new TToolButton(Form.get()))->SetParent(bar);
      Bars[i] = bar;
    }
    Form->Show();
    Manager.reset(new TDockManager(Form.get(), "Tarnbel", nullptr, nullptr, nullptr, nullptr, kRoot));
    Manager->AddDockPanel(Top);
    Manager->ShowCustomizeForm();
    Dialog = Manager->CustomizeForm();
  }
  ~TDialogHost() { Manager.reset(); }
  int RowOf(const std::string& caption) {
    TStrings* rows = Dialog->CheckListBox1->Items();
    for (int i = 0; i < rows->Count(); ++i)
      if (rows->Strings(i) == caption) return i;
    return -1;
  }
};

class CustomizeToolbarsFormTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

}  // namespace

TEST_F(CustomizeToolbarsFormTest, RowsAreSortedCaptionsWhoseChecksFollowTheToolbars) {
  TDialogHost h;
  ASSERT_NE(nullptr, h.Dialog);
  EXPECT_EQ("Toolbars", h.Dialog->Caption());
  EXPECT_TRUE(IsWindowVisible(h.Dialog->Handle()));
  ASSERT_EQ(3, h.Dialog->CheckListBox1->Items()->Count());
  EXPECT_EQ("Edit", h.Dialog->CheckListBox1->Items()->Strings(0));
  EXPECT_EQ("Zoom", h.Dialog->CheckListBox1->Items()->Strings(2));
  EXPECT_EQ(2, h.Bars[0]->Tag());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(h.Dialog->CheckListBox1->Checked(i));
  EXPECT_TRUE(h.Dialog->FlatCheckBox->Checked());
  EXPECT_TRUE(h.Dialog->FrameCheckBox->Checked());
  EXPECT_TRUE(h.Dialog->DockableCheckBox->Checked());
  EXPECT_FALSE(h.Dialog->GrabbersCheckBox->Visible());

  // Hidden elsewhere (the popup menu), the row loses its check within the timer's period.
  h.Manager->PopupMenu()->OnPopup(h.Manager->PopupMenu());
  h.Manager->PopupMenu()->Items()->Items(1)->Click();  // "Main"
  ASSERT_FALSE(h.Bars[1]->Visible());
  DWORD start = GetTickCount();
  ASSERT_TRUE(RunUntil([&] { return !h.Dialog->CheckListBox1->Checked(h.RowOf("Main")); }, 1000));
  EXPECT_LE(GetTickCount() - start, 250u);

  // Unchecking a row hides its toolbar at once; the others close up.
  int zoomLeft = h.Bars[0]->Left();
  h.Dialog->CheckListBox1->SetChecked(h.RowOf("Edit"), false);
  h.Dialog->CheckListBox1->OnClickCheck(h.Dialog->CheckListBox1);
  EXPECT_FALSE(h.Bars[2]->Visible());
  EXPECT_TRUE(h.Bars[0]->Visible());
  EXPECT_LE(h.Bars[0]->Left(), zoomLeft);
}

TEST_F(CustomizeToolbarsFormTest, StyleBoxesStoreTheirValuesAndFindFloatsAToolbarNearTheCentre) {
  TDialogHost h;
  int width = h.Bars[0]->Width();
  // Without hot images the box starts unchecked: two clicks switch hot tracking off.
  EXPECT_FALSE(h.Dialog->HotTrackCheckBox->Checked());
  SendMessageA(h.Dialog->HotTrackCheckBox->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(h.Manager->HotTrack());
  for (auto* box : {h.Dialog->FrameCheckBox, h.Dialog->FlatCheckBox, h.Dialog->HotTrackCheckBox}) {
    SendMessageA(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box->Checked());
  }
  EXPECT_EQ("0", [] {
    RawValue v = ReadRaw(std::string(kRoot) + "\\DialogProbe", "Border");
    return v.type == REG_SZ ? std::string(reinterpret_cast<const char*>(v.data.data())) : std::string("?");
  }());
  EXPECT_FALSE(h.Manager->Border());
  EXPECT_FALSE(h.Manager->Flat());
  EXPECT_FALSE(h.Manager->HotTrack());
  EXPECT_EQ(0u, h.Bars[0]->EdgeBorders());
  EXPECT_FALSE(h.Bars[0]->Flat());
  // Ten toggles of the frames change no size.
  for (int i = 0; i < 10; ++i) SendMessageA(h.Dialog->FrameCheckBox->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(width, h.Bars[0]->Width());

  h.Dialog->CheckListBox1->SetItemIndex(h.RowOf("Main"));
  SendMessageA(h.Dialog->Button1->Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(h.Bars[1]->Floating());
  RECT r;
  GetWindowRect(h.Bars[1]->HostDockSite()->Handle(), &r);
  // Main is second from the end of the window's toolbars: one step of 20 pixels from the centre.
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 + 20, r.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 + 20, r.top);
}

TEST_F(CustomizeToolbarsFormTest, EscapeClosesTheDialogAndAWindowWithoutToolbarsKeepsTheDefaults) {
  TDialogHost h;
  SetForegroundWindow(h.Dialog->Handle());
  h.Dialog->CheckListBox1->SetFocus();
  ASSERT_TRUE(RunUntil([&] { return GetFocus() == h.Dialog->CheckListBox1->Handle(); }));
  ASSERT_TRUE(KeyTap(VK_ESCAPE));
  EXPECT_TRUE(RunUntil([&] { return !IsWindowVisible(h.Dialog->Handle()); }));
  // Shown again, the same dialog serves; the manager frees it once.
  h.Manager->ShowCustomizeForm();
  EXPECT_EQ(h.Dialog, h.Manager->CustomizeForm());

  FormPtr bare(new TForm(nullptr));
  auto* empty = new TCustomizeToolbarsForm(bare.get());
  EXPECT_EQ(0, empty->CheckListBox1->Items()->Count());
  EXPECT_FALSE(empty->FlatCheckBox->Checked());
}
