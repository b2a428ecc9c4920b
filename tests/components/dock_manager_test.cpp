#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../ui/input_support.h"
#include "DockManager.h"
#include "customize_toolbars_form.h"
#include "dock.h"
#include "list_controls.h"
#include "registry_test_support.h"

using namespace ui;
using namespace uitest;
using namespace testsupport;

namespace {

const char* const kRoot = "Software\\tarnbel\\placement";
const std::string kKey = std::string(kRoot) + "\\DockProbe";

std::string Stored(const std::string& path, const std::string& name) {
  RawValue v = ReadRaw(path, name);
  if (!v.found) return "<none>";
  if (v.type != REG_SZ) return "<type " + std::to_string(v.type) + ">";
  return std::string(reinterpret_cast<const char*>(v.data.data()));
}

// A window with dock panels at the top and the left and two toolbars in the top panel, as the tools windows have.
struct TDockHost {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TPanel* Top;
  TPanel* Left;
  TListBox* List;
  TToolBar* Bar1;
  TToolBar* Bar2;
  std::unique_ptr<TDockManager> Manager;

  explicit TDockHost(bool withManager = true) {
    Form->SetName("DockProbe");
    Form->SetBounds(100, 100, 600, 400);
    Top = MakePanel(alTop, "ControlBar1");
    Left = MakePanel(alLeft, "LeftControlBar");
    List = new TListBox(Form.get());
    List->SetName("List1");
    List->SetParent(Form.get());
    List->SetAlign(alClient);
    Bar1 = MakeBar("ToolBar1", "Main", 0);
    Bar2 = MakeBar("ToolBar2", "Edit", 200);
    Form->Show();
    if (withManager) Start();
  }
  ~TDockHost() { Manager.reset(); }
  void Start() {
    Manager.reset(new TDockManager(Form.get(), "Tarnbel", nullptr, nullptr, nullptr, nullptr, kRoot));
    Manager->AddDockPanel(Top);
    Manager->AddDockPanel(Left);
  }
  TPanel* MakePanel(TAlign align, const std::string& name) {
    auto* p = new TPanel(Form.get());
    p->SetName(name);
    p->SetParent(Form.get());
    p->SetBounds(0, 0, 0, 0);
    p->SetAlign(align);
    p->SetAutoSize(true);
    return p;
  }
  TToolBar* MakeBar(const std::string& name, const std::string& caption, int left) {
    auto* bar = new TToolBar(Form.get());
    bar->SetName(name);
    bar->SetCaption(caption);
    bar->SetAutoSize(true);
    bar->SetDragKind(dkDock);
    bar->SetDragMode(dmAutomatic);
    bar->SetParent(Top);
    bar->SetBounds(left, 0, 100, 28);
    for (int i = 0; i < 3; ++i) (new TToolButton(Form.get()))->SetParent(bar);
    return bar;
  }
  POINT FormPoint(int x, int y) { return ScreenPoint(Form->Handle(), x, y); }
  bool Drag(TToolBar* bar, POINT to, bool glide = true, int pressX = 5) {
    POINT from = ScreenPoint(bar->Handle(), pressX, 5);
    return MouseTo(from) && LeftDown() && (glide ? MouseGlide(from, to) : MouseTo(to)) && LeftUp();
  }
  TPanelDockManager* ManagerOf(TPanel* p) { return Manager->PanelManagerOf(p); }
};

class DockManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

}  // namespace

TEST_F(DockManagerTest, FirstRunWritesTheStyleDefaultsAsStringsAndKeepsTheResourcePlaces) {
  TDockHost h;
  for (const char* name : {"Flat", "Border", "Dock", "HotTrack"}) EXPECT_EQ("1", Stored(kKey, name)) << name;
  EXPECT_TRUE(h.Bar1->Visible());
  EXPECT_EQ(h.Top, h.Bar1->HostDockSite());
  EXPECT_EQ(h.Top, h.Bar2->HostDockSite());
  EXPECT_TRUE(h.Bar1->Flat());
  EXPECT_NE(0u, h.Bar1->EdgeBorders());
  EXPECT_TRUE(h.Top->DockSite());
  EXPECT_EQ(2, h.ManagerOf(h.Top)->ToolbarCount());
  // One row; toolbars that do not overlap keep their places.
  EXPECT_EQ(0, h.Bar1->Top());
  EXPECT_EQ(0, h.Bar2->Top());
  EXPECT_EQ(200, h.Bar2->Left());
  // The popup menu: one item per toolbar, then a line and the dialog.
  TMenuItem* items = h.Manager->PopupMenu()->Items();
  ASSERT_EQ(4, items->Count());
  EXPECT_EQ("Edit", items->Items(0)->Caption());
  EXPECT_EQ("Main", items->Items(1)->Caption());
  EXPECT_EQ("-", items->Items(2)->Caption());
  EXPECT_EQ("&Toolbars...", items->Items(3)->Caption());
  EXPECT_EQ(h.Manager->PopupMenu(), h.Bar1->PopupMenu());
  EXPECT_EQ(h.Manager->PopupMenu(), h.Top->PopupMenu());
}

TEST_F(DockManagerTest, ALayoutIsStoredAndRestoredAtTheNextStart) {
  RECT floated;
  {
    TDockHost h;
    // Edit goes to the left panel, Main floats, and Edit is hidden from the popup menu.
    ASSERT_TRUE(h.Bar2->ManualDock(h.Left));
    EXPECT_EQ(1, h.ManagerOf(h.Left)->ToolbarCount());
    EXPECT_EQ(1, h.ManagerOf(h.Top)->ToolbarCount());
    EXPECT_EQ(nullptr, h.ManagerOf(h.Top)->Find(h.Bar2));
    ASSERT_TRUE(h.Bar1->ManualFloat(RECT{700, 500, 800, 530}));
    GetWindowRect(h.Bar1->HostDockSite()->Handle(), &floated);
    h.Manager->PopupMenu()->OnPopup(h.Manager->PopupMenu());
    TMenuItem* edit = h.Manager->PopupMenu()->Items()->Items(0);
    EXPECT_TRUE(edit->Checked());
    edit->Click();
    EXPECT_FALSE(h.Bar2->Visible());
    h.Manager->PopupMenu()->OnPopup(h.Manager->PopupMenu());
    EXPECT_FALSE(edit->Checked());
  }
  EXPECT_EQ("0", Stored(kKey + "\\ToolBar1", "Docked"));
  EXPECT_EQ("<none>", Stored(kKey + "\\ToolBar1", "Panel"));
  EXPECT_EQ(std::to_string(floated.left), Stored(kKey + "\\ToolBar1", "Left"));
  EXPECT_EQ(std::to_string(floated.top), Stored(kKey + "\\ToolBar1", "Top"));
  EXPECT_EQ("1", Stored(kKey + "\\ToolBar2", "Docked"));
  EXPECT_EQ("LeftControlBar", Stored(kKey + "\\ToolBar2", "Panel"));
  EXPECT_EQ("0", Stored(kKey + "\\ToolBar2", "Visible"));

  // Edit stays hidden (its places unread); Main floats where it was.
  TDockHost h;
  EXPECT_FALSE(h.Bar2->Visible());
  EXPECT_EQ(h.Top, h.Bar2->Parent());
  ASSERT_TRUE(h.Bar1->Floating());
  RECT now;
  GetWindowRect(h.Bar1->HostDockSite()->Handle(), &now);
  EXPECT_EQ(floated.left, now.left);
  EXPECT_EQ(floated.top, now.top);
  // Shown again and stored docked, it comes back into the left panel.
  h.Bar2->SetVisible(true);
  h.Bar2->ManualDock(h.Left);
  h.Manager.reset();
  h.Bar2->ManualDock(h.Top);
  h.Start();
  EXPECT_EQ(h.Left, h.Bar2->Parent());
  EXPECT_EQ(1, h.ManagerOf(h.Left)->ToolbarCount());
}

TEST_F(DockManagerTest, OverlappingToolbarsOfOneRowAreLaidSideBySideNearestFirst) {
  for (auto [bar, left] : {std::pair{"ToolBar1", "60"}, std::pair{"ToolBar2", "40"}}) {
    std::string path = kKey + "\\" + bar;
    WriteRawString(path, "Docked", "1");
    WriteRawString(path, "Panel", "ControlBar1");
    WriteRawString(path, "Left", left);
    WriteRawString(path, "Top", "3");
  }
  TDockHost h;
  EXPECT_EQ(40, h.Bar2->Left());
  EXPECT_EQ(0, h.Bar2->Top());
  EXPECT_EQ(0, h.Bar1->Top());
  EXPECT_EQ(h.Bar2->Left() + h.Bar2->Width() - 1, h.Bar1->Left());
}

TEST_F(DockManagerTest, DamagedValuesFallBackWithoutLosingTheOthers) {
  std::string one = kKey + "\\ToolBar1", two = kKey + "\\ToolBar2";
  // A "Panel" naming the toolbar itself, then a list: neither takes the toolbar.
  WriteRawString(one, "Docked", "1");
  WriteRawString(one, "Panel", "ToolBar1");
  WriteRawString(one, "Left", "abc");
  WriteRawString(one, "Width", "-5");
  WriteRawString(two, "Docked", "1");
  WriteRawString(two, "Panel", "List1");
  WriteRawString(two, "Visible", "yes");
  WriteRawString(two, "Height", "99999999999");
  WriteRawDword(kKey, "Flat", 0);
  WriteRawString(kKey, "Border", "0");
  TDockHost h;
  EXPECT_EQ(h.Top, h.Bar1->Parent());
  EXPECT_EQ(h.Top, h.Bar2->Parent());
  EXPECT_TRUE(h.Bar2->Visible());
  EXPECT_GT(h.Bar1->Width(), 0);
  EXPECT_LT(h.Bar2->Height(), 1000);
  EXPECT_TRUE(h.Manager->Flat());
  EXPECT_FALSE(h.Manager->Border());
  EXPECT_EQ(0u, h.Bar1->EdgeBorders());
}

TEST_F(DockManagerTest, AHiddenToolbarEndsTheLayoutAndFramesDoNotGrowToolbars) {
  TDockHost h;
  h.Bar1->SetVisible(false);
  h.Manager->ArrangeToolbars();
  EXPECT_TRUE(h.Bar2->Visible());
  int width = h.Bar2->Width(), height = h.Bar2->Height();
  for (int i = 0; i < 10; ++i) h.Manager->SetBorder(i % 2 == 0 ? false : true);
  EXPECT_EQ(width, h.Bar2->Width());
  EXPECT_EQ(height, h.Bar2->Height());
  EXPECT_EQ("1", Stored(kKey, "Border"));
  h.Manager->SetDockable(false);
  EXPECT_FALSE(h.Top->DockSite());
  EXPECT_EQ("0", Stored(kKey, "Dock"));
}

TEST_F(DockManagerTest, FreeingTheManagerLetsGoOfEverythingItHooked) {
  TDockHost h;
  h.Manager->ShowCustomizeForm();
  ASSERT_NE(nullptr, h.Manager->CustomizeForm());
  h.Manager.reset();
  EXPECT_FALSE(h.Bar1->OnMouseMove);
  EXPECT_FALSE(h.Top->OnDockDrop);
  EXPECT_FALSE(h.Top->OnUnDock);
  EXPECT_EQ(nullptr, h.Bar1->PopupMenu());
  EXPECT_EQ(nullptr, h.Top->PopupMenu());
  EXPECT_EQ(dmAutomatic, h.Bar1->DragMode());
  // The window's components no longer hold the dialog or the menu.
  for (int i = 0; i < h.Form->ComponentCount(); ++i) {
    EXPECT_EQ(nullptr, dynamic_cast<TCustomizeToolbarsForm*>(h.Form->Components(i)));
    EXPECT_EQ(nullptr, dynamic_cast<TPopupMenu*>(h.Form->Components(i)));
  }
  EXPECT_TRUE(h.Bar1->ManualDock(h.Left));
}

TEST_F(DockManagerTest, PanelsAndTheWindowMayGoBeforeTheManager) {
  TDockHost h;
  h.Bar2->ManualDock(h.Left);
  // The panel takes its toolbar along.
  h.Left->Free();
  EXPECT_EQ(1, h.Manager->PanelCount());
  EXPECT_EQ(nullptr, h.Form->FindComponent("ToolBar2"));
  EXPECT_EQ(1u, h.Manager->Toolbars().size());
  h.Form.reset();
  EXPECT_EQ(nullptr, h.Manager->Form());
  EXPECT_EQ(nullptr, h.Manager->PopupMenu());
  h.Manager.reset();
  EXPECT_EQ("1", Stored(kKey, "Flat"));
}

TEST_F(DockManagerTest, DragsFloatOutOfPanelsAndDockIntoOthersHorizontalAndVertical) {
  TDockHost h;
  // Past the panel's right end: a dock drag that floats the toolbar where it is let go.
  ASSERT_TRUE(h.Drag(h.Bar1, h.FormPoint(700, 200)));
  ASSERT_TRUE(h.Bar1->Floating());
  EXPECT_EQ(1, h.ManagerOf(h.Top)->ToolbarCount());
  EXPECT_EQ(dmAutomatic, h.Bar1->DragMode());
  // Its caption drags it onto the empty left panel: a column there.
  RECT frame;
  GetWindowRect(h.Bar1->HostDockSite()->Handle(), &frame);
  POINT caption{frame.left + 10, frame.top + GetSystemMetrics(SM_CYSMCAPTION) / 2 + 1};
  ASSERT_TRUE(MouseTo(caption) && LeftDown() && MouseGlide(caption, h.FormPoint(4, 200)) && LeftUp());
  ASSERT_EQ(h.Left, h.Bar1->HostDockSite());
  ASSERT_NE(nullptr, h.ManagerOf(h.Left)->Find(h.Bar1));
  EXPECT_GT(h.Bar1->Height(), h.Bar1->Width());
  EXPECT_EQ(0, h.Bar1->Left());
  // Below the vertical panel's end: floats again.
  ASSERT_TRUE(h.Drag(h.Bar1, h.FormPoint(40, 450)));
  ASSERT_TRUE(h.Bar1->Floating());
  EXPECT_EQ(0, h.ManagerOf(h.Left)->ToolbarCount());
  EXPECT_EQ(0, h.Left->Width());
  // Back into the top panel, beside Edit.
  GetWindowRect(h.Bar1->HostDockSite()->Handle(), &frame);
  caption = POINT{frame.left + 10, frame.top + GetSystemMetrics(SM_CYSMCAPTION) / 2 + 1};
  ASSERT_TRUE(MouseTo(caption) && LeftDown() && MouseGlide(caption, h.FormPoint(450, 1)) && LeftUp());
  EXPECT_EQ(h.Top, h.Bar1->HostDockSite());
  EXPECT_EQ(2, h.ManagerOf(h.Top)->ToolbarCount());
  EXPECT_EQ(h.Bar2->Top(), h.Bar1->Top());
  EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(DockManagerTest, FourteenPixelsKeepARowAndFifteenChangeIt) {
  TDockHost h;
  // Edit in a second row.
  h.Bar2->SetBounds(0, 28, h.Bar2->Width(), h.Bar2->Height());
  h.Manager->ArrangeToolbars();
  ASSERT_EQ(28, h.Bar2->Top());
  ASSERT_EQ(56, h.Top->Height());
  POINT from = ScreenPoint(h.Bar1->Handle(), 5, 5);
  ASSERT_TRUE(h.Drag(h.Bar1, POINT{from.x, from.y + 14}, false));
  EXPECT_EQ(0, h.Bar1->Top());
  EXPECT_EQ(h.Top, h.Bar1->Parent());
  // Pressed elsewhere: the same place again would be a double click.
  from = ScreenPoint(h.Bar1->Handle(), 30, 5);
  ASSERT_TRUE(h.Drag(h.Bar1, POINT{from.x, from.y + 15}, false, 30));
  EXPECT_EQ(28, h.Bar1->Top());
  EXPECT_EQ(h.Top, h.Bar1->Parent());
  // A double click floats it where it is.
  RECT before;
  GetWindowRect(h.Bar1->Handle(), &before);
  from = ScreenPoint(h.Bar1->Handle(), 5, 5);
  ASSERT_TRUE(MouseTo(from) && LeftDown() && LeftUp() && LeftDown() && LeftUp());
  ASSERT_TRUE(h.Bar1->Floating());
  RECT after;
  GetWindowRect(h.Bar1->HostDockSite()->Handle(), &after);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(nullptr, h.ManagerOf(h.Top)->Find(h.Bar1));
  EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(DockManagerTest, EightToolbarsInSixPanelsAreLaidOutQuickly) {
  CursorKeeper cursor;
  FormPtr form(new TForm(nullptr));
  form->SetName("DockProbe");
  form->SetBounds(50, 50, 800, 600);
  const TAlign aligns[6] = {alTop, alTop, alBottom, alLeft, alLeft, alRight};
  std::vector<TPanel*> panels;
  for (int i = 0; i < 6; ++i) {
    auto* p = new TPanel(form.get());
    p->SetName("Panel" + std::to_string(i));
    p->SetParent(form.get());
    p->SetAlign(aligns[i]);
    p->SetAutoSize(true);
    panels.push_back(p);
  }
  std::vector<TToolBar*> bars;
  for (int i = 0; i < 8; ++i) {
    auto* bar = new TToolBar(form.get());
    bar->SetName("ToolBar" + std::to_string(i));
    bar->SetCaption("Bar " + std::to_string(i));
    bar->SetAutoSize(true);
    bar->SetParent(panels[size_t(i % 6)]);
    bar->SetBounds(i / 6 * 10, 0, 100, 28);
    for (int b = 0; b < 4; ++b) (new TToolButton(form.get()))->SetParent(bar);
    bars.push_back(bar);
  }
  form->Show();
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  TDockManager manager(form.get(), "Tarnbel", nullptr, nullptr, nullptr, nullptr, kRoot);
  for (TPanel* p : panels) manager.AddDockPanel(p);
  QueryPerformanceCounter(&end);
  double ms = double(end.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
  RecordProperty("LayoutMs", std::to_string(ms));
  std::printf("creation to laid out, 8 toolbars in 6 panels: %.1f ms\n", ms);
  // Two toolbars share the first two panels: side by side, overlapping by one pixel.
  for (int i = 0; i < 2; ++i) {
    TToolBar* first = bars[size_t(i)];
    TToolBar* second = bars[size_t(i + 6)];
    EXPECT_EQ(panels[size_t(i)], second->Parent());
    EXPECT_EQ(first->Top(), second->Top());
    EXPECT_EQ(first->Left() + first->Width() - 1, second->Left());
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(i < 2 ? 2 : 1, manager.PanelManagers(i)->ToolbarCount());
  // Side panels hold columns.
  EXPECT_GT(bars[3]->Height(), bars[3]->Width());
  EXPECT_LT(ms, 2000.0);
}
