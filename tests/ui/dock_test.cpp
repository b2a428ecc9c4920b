#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dock.h"
#include "input_support.h"
#include "std_controls.h"
#include "toolbar.h"

using namespace ui;
using namespace uitest;

namespace {

// A form with dock panels at the top (holding a toolbar) and at the left (empty), as the docking windows have.
struct TDockForm {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TPanel* Top;
  TPanel* Left;
  TToolBar* Bar;
  std::vector<std::string> Log;
  TDockForm() {
    Form->SetBounds(100, 100, 600, 400);
    Top = MakeSite(alTop, "top");
    Left = MakeSite(alLeft, "left");
    auto* body = new TPanel(Form.get());
    body->SetParent(Form.get());
    body->SetAlign(alClient);
    Bar = new TToolBar(Form.get());
    Bar->SetCaption("Tools");
    Bar->SetAutoSize(true);
    Bar->SetDragKind(dkDock);
    Bar->SetDragMode(dmAutomatic);
    for (int i = 0; i < 3; ++i) {
      auto* b = new TToolButton(Form.get());
      b->SetParent(Bar);
    }
    Form->Show();
    Bar->ManualDock(Top);
    Log.clear();
  }
  TPanel* MakeSite(TAlign align, const std::string& name) {
    auto* p = new TPanel(Form.get());
    p->SetName(name);
    p->SetParent(Form.get());
    p->SetBounds(0, 0, 0, 0);
    p->SetAlign(align);
    p->SetBevelOuter(bvNone);
    p->SetAutoSize(true);
    p->SetDockSite(true);
    p->OnDockDrop = [this, name](TObject*, TDragDockObject* source, int, int) {
      Log.push_back("drop " + name + (source->Control() == Bar ? " bar" : ""));
    };
    p->OnUnDock = [this, name](TObject*, TControl*, TWinControl* target, bool&) {
      Log.push_back("undock " + name + (target ? " to " + target->Name() : " to float"));
    };
    return p;
  }
  // Presses on the toolbar's first button and drags to a screen point.
  bool DragBarTo(POINT to) {
    POINT from = ScreenPoint(Bar->Handle(), 5, 5);
    return MouseTo(from) && LeftDown() && MouseGlide(from, to) && LeftUp();
  }
  POINT FormPoint(int x, int y) { return ScreenPoint(Form->Handle(), x, y); }
};

}  // namespace

TEST(Dock, AToolBarFloatsOutOfOnePanelAndDocksIntoAnotherHorizontalAndVertical) {
  TDockForm f;
  ASSERT_EQ(f.Top, f.Bar->HostDockSite());
  EXPECT_EQ(f.Bar->Height(), f.Top->Height());
  EXPECT_GT(f.Bar->Width(), f.Bar->Height());

  // Out of the form: it floats in a small tool window, and the panel it left closes up.
  ASSERT_TRUE(f.DragBarTo(f.FormPoint(700, 200)));
  EXPECT_EQ(std::vector<std::string>{"undock top to float"}, f.Log);
  ASSERT_TRUE(f.Bar->Floating());
  auto* host = dynamic_cast<TFloatDockForm*>(f.Bar->HostDockSite());
  ASSERT_NE(nullptr, host);
  EXPECT_TRUE(IsWindowVisible(host->Handle()));
  EXPECT_NE(0, GetWindowLongPtrA(host->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ("Tools", host->Caption());
  EXPECT_EQ(0, f.Top->Height());
  EXPECT_GT(f.Bar->Width(), f.Bar->Height());
  RECT client;
  GetClientRect(host->Handle(), &client);
  EXPECT_EQ(f.Bar->Width(), client.right);
  // The toolbar lies about where it was let go (the drag kept the grip on its first button).
  RECT bar;
  GetWindowRect(f.Bar->Handle(), &bar);
  POINT dropped = f.FormPoint(700, 200);
  EXPECT_NEAR(dropped.x - 5, bar.left, 2);
  EXPECT_NEAR(dropped.y - 5, bar.top, 2);

  // Onto the empty left panel (found within reach of its edge): docked there, as a column.
  f.Log.clear();
  ASSERT_TRUE(f.DragBarTo(f.FormPoint(4, 150)));
  EXPECT_EQ(std::vector<std::string>{"drop left bar"}, f.Log);
  EXPECT_EQ(f.Left, f.Bar->HostDockSite());
  EXPECT_EQ(f.Left, f.Bar->Parent());
  EXPECT_FALSE(IsWindowVisible(host->Handle()));
  EXPECT_GT(f.Bar->Height(), f.Bar->Width());
  EXPECT_EQ(f.Bar->Width(), f.Left->Width());

  // Back to the top panel: a row again.
  f.Log.clear();
  ASSERT_TRUE(f.DragBarTo(f.FormPoint(300, 3)));
  std::vector<std::string> moved{"undock left to top", "drop top bar"};
  EXPECT_EQ(moved, f.Log);
  EXPECT_EQ(f.Top, f.Bar->HostDockSite());
  EXPECT_GT(f.Bar->Width(), f.Bar->Height());
  EXPECT_EQ(0, f.Left->Width());
  EXPECT_EQ(nullptr, GetCapture());
}

TEST(Dock, EscapeRefusalAndTheClosedFloatingWindow) {
  TDockForm f;
  // Escape: the toolbar stays where it is.
  POINT from = ScreenPoint(f.Bar->Handle(), 5, 5);
  ASSERT_TRUE(MouseTo(from));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(from, f.FormPoint(700, 200)));
  ASSERT_TRUE(KeyTap(VK_ESCAPE));
  EXPECT_TRUE(RunUntil([] { return DragSource() == nullptr; }));
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(f.Top, f.Bar->HostDockSite());
  EXPECT_TRUE(f.Log.empty());
  EXPECT_EQ(nullptr, GetCapture());

  // A site that refuses: dropped on it, the toolbar floats instead; one that refuses to let go keeps it.
  std::vector<TDragState> states;
  f.Left->OnDockOver = [&](TObject*, TDragDockObject*, int, int, TDragState state, bool& accept) {
    states.push_back(state);
    accept = false;
  };
  ASSERT_TRUE(f.DragBarTo(f.FormPoint(4, 150)));
  EXPECT_TRUE(f.Bar->Floating());
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(dsDragEnter, states.front());
  EXPECT_EQ(dsDragLeave, states.back());
  f.Bar->ManualDock(f.Top);
  f.Top->OnUnDock = [](TObject*, TControl*, TWinControl*, bool& allow) { allow = false; };
  EXPECT_FALSE(f.Bar->ManualFloat(RECT{50, 50, 200, 80}));
  ASSERT_TRUE(f.DragBarTo(f.FormPoint(700, 200)));
  EXPECT_EQ(f.Top, f.Bar->HostDockSite());
  f.Top->OnUnDock = nullptr;

  // Closing the floating window hides the toolbar; showing the toolbar shows the window again.
  ASSERT_TRUE(f.Bar->ManualFloat(RECT{700, 300, 800, 330}));
  auto* host = dynamic_cast<TFloatDockForm*>(f.Bar->HostDockSite());
  ASSERT_NE(nullptr, host);
  RECT window;
  GetWindowRect(host->Handle(), &window);
  EXPECT_EQ(700, window.left);
  EXPECT_EQ(300, window.top);
  SendMessageA(host->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(f.Bar->Visible());
  EXPECT_FALSE(IsWindowVisible(host->Handle()));
  f.Bar->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(host->Handle()));
  // Its caption drags the toolbar: onto the top panel it docks.
  RECT frame;
  GetWindowRect(host->Handle(), &frame);
  POINT caption{frame.left + 10, frame.top + GetSystemMetrics(SM_CYSMCAPTION) / 2 + 1};
  ASSERT_EQ(HTCAPTION, SendMessageA(host->Handle(), WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)));
  ASSERT_TRUE(MouseTo(caption) && LeftDown() && MouseGlide(caption, f.FormPoint(300, 3)) && LeftUp());
  EXPECT_EQ(f.Top, f.Bar->HostDockSite());
  // Floated again, the same window serves.
  EXPECT_TRUE(f.Bar->ManualFloat(RECT{600, 300, 700, 330}));
  EXPECT_EQ(host, f.Bar->HostDockSite());

  // A toolbar freed while it floats takes its window along.
  HWND hostWindow = host->Handle();
  f.Bar->Free();
  EXPECT_FALSE(IsWindow(hostWindow));
}
