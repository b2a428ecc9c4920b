#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "action.h"
#include "application.h"
#include "dialogs.h"
#include "form.h"
#include "message_box.h"
#include "message_box_recorder.h"
#include "pump_until.h"
#include "std_controls.h"
#include "timer.h"
#include "ui_exceptions.h"

using namespace ui;
using testsupport::PumpUntil;

namespace {

using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;

void LoopStep() { Application().HandleMessage(); }

}  // namespace

TEST(Window, RecreateWndGivesNewHandleAndKeepsState) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(40, 50, 300, 200);
  form->SetCaption("Recreated");
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(5, 6, 100, 50);
  auto* edit = new TEdit(form.get());
  edit->SetParent(panel);
  edit->SetBounds(2, 3, 80, 20);
  auto* hidden = new TButton(form.get());
  hidden->SetParent(form.get());
  hidden->SetVisible(false);
  form->Show();
  SetWindowTextA(edit->Handle(), "typed by the user");

  HWND oldForm = form->Handle(), oldEdit = edit->Handle();
  form->SetBorderIcons(1u << biSystemMenu);  // needs a new window
  EXPECT_FALSE(IsWindow(oldForm));
  EXPECT_FALSE(IsWindow(oldEdit));
  HWND h = form->Handle();
  EXPECT_NE(oldForm, h);
  EXPECT_EQ(0, GetWindowLongPtrA(h, GWL_STYLE) & WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(h));
  char text[64];
  GetWindowTextA(h, text, sizeof text);
  EXPECT_STREQ("Recreated", text);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(40, r.left);
  EXPECT_EQ(50, r.top);
  EXPECT_EQ(300, r.right - r.left);
  EXPECT_EQ(200, r.bottom - r.top);
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(panel->Handle(), GetParent(edit->Handle()));
  EXPECT_EQ("typed by the user", edit->Text());
  GetWindowRect(edit->Handle(), &r);
  MapWindowPoints(HWND_DESKTOP, panel->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(2, r.left);
  EXPECT_EQ(3, r.top);
  EXPECT_TRUE(IsWindowVisible(edit->Handle()));
  EXPECT_FALSE(IsWindowVisible(hidden->Handle()));
}

TEST(Window, ThrowingHandlerReachesOnExceptionAndTheLoopRunsOn) {
  FormPtr form(new TForm(nullptr));
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->OnClick = [](TObject*) { throw Exception("click failed"); };
  std::string reported;
  Application().OnException = [&](TObject*, const std::exception& e) { reported = e.what(); };
  form->Show();
  PostMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !reported.empty(); }, 3000, LoopStep));
  EXPECT_EQ("click failed", reported);
  // The loop goes on: a later message still arrives.
  bool later = false;
  button->OnClick = [&](TObject*) { later = true; };
  PostMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return later; }, 3000, LoopStep));
  Application().OnException = nullptr;

  // Without OnException the report is a stop box; EAbort stays silent.
  testsupport::MessageBoxRecorder boxes;
  button->OnClick = [](TObject*) { throw Exception("shown"); };
  PostMessageA(button->Handle(), BM_CLICK, 0, 0);
  PumpUntil([&] { return !boxes.Boxes.empty(); }, 3000, LoopStep);
  button->OnClick = [](TObject*) { Abort(); };
  PostMessageA(button->Handle(), BM_CLICK, 0, 0);
  testsupport::PumpFor(100, LoopStep);
  ASSERT_EQ(1u, boxes.Boxes.size());
  EXPECT_EQ("shown.", boxes.Boxes[0].Text);
  EXPECT_TRUE(boxes.Boxes[0].Flags & MB_ICONSTOP);
}

TEST(Window, CloseQueryFalseKeepsTheForm) {
  FormPtr form(new TForm(nullptr));
  bool allow = false;
  int closes = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  form->OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  form->Show();
  SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(0, closes);
  allow = true;
  SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(1, closes);

  // caFree: the form frees itself once the loop comes round.
  std::vector<std::string> log;
  auto* freed = new TForm(nullptr);
  freed->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  freed->OnDestroy = [&](TObject*) { log.push_back("destroyed"); };
  freed->Show();
  freed->Close();
  EXPECT_TRUE(PumpUntil([&] { return !log.empty(); }, 3000, LoopStep));
}

TEST(Window, OnMessageCanKeepTheLoopOnWmQuit) {
  int quits = 0;
  Application().OnMessage = [&](MSG& msg, bool& handled) {
    if (msg.message == WM_QUIT && ++quits == 1) handled = true;
  };
  Application().Terminate();
  PumpUntil([&] { return quits == 1; }, 3000, LoopStep);
  EXPECT_FALSE(Application().Terminated());
  Application().OnMessage = nullptr;
  // Reaching WM_QUIT unhandled would end Run for good; that road belongs to a separate process.
}

TEST(Window, PostedShortcutRunsItsActionAndIdleUpdateDisablesIt) {
  FormPtr form(new TForm(nullptr));
  auto* list = new TActionList(form.get());
  auto* action = new TAction(form.get());
  action->SetActionList(list);
  action->SetShortCut(ShortCut('S', 1u << ssCtrl));
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetAction(action);
  action->SetCaption("Save");
  EXPECT_EQ("Save", button->Caption());
  form->Show();

  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE saved[256];
  memcpy(saved, keys, sizeof keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageA(form->Handle(), WM_KEYDOWN, 'S', 0);
  EXPECT_TRUE(PumpUntil([&] { return runs == 1; }, 3000, LoopStep));

  // Idle work asks OnUpdate, which switches the action (and its button) off.
  action->OnUpdate = [&](TObject*) { action->SetEnabled(false); };
  EXPECT_TRUE(PumpUntil([&] { return !action->Enabled(); }, 3000, LoopStep));
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  PostMessageA(form->Handle(), WM_KEYDOWN, 'S', 0);
  testsupport::PumpFor(150, LoopStep);
  EXPECT_EQ(1, runs);
  SetKeyboardState(saved);
}

TEST(Window, TimersFireAndStop) {
  std::unique_ptr<TTimer, TFreeDeleter> timer(new TTimer(nullptr));
  int ticks = 0;
  timer->SetInterval(20);
  timer->OnTimer = [&](TObject*) { ++ticks; };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000, LoopStep));
  timer->SetEnabled(false);
  int stopped = ticks;
  testsupport::PumpFor(100, LoopStep);
  EXPECT_EQ(stopped, ticks);
  // A timer freed with a tick queued is not reached.
  timer->SetEnabled(true);
  MSG queued;
  bool tickQueued = false;
  for (int i = 0; i < 300 && !tickQueued; ++i) {
    tickQueued = PeekMessageA(&queued, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE);
    if (!tickQueued) Sleep(5);
  }
  ASSERT_TRUE(tickQueued);
  timer.reset();
  testsupport::PumpFor(50, LoopStep);
  EXPECT_EQ(stopped, ticks);
}

TEST(Window, SynchronizeRunsOnTheGuiThread) {
  DWORD gui = GetCurrentThreadId();
  DWORD ranOn = 0;
  bool done = false;
  std::string failure;
  std::thread worker([&] {
    Application().Synchronize([&] { ranOn = GetCurrentThreadId(); });
    try {
      Application().Synchronize([] { throw Exception("inside"); });
    } catch (const Exception& e) {
      failure = e.what();
    }
    done = true;
  });
  bool ok = PumpUntil([&] { return done; }, 5000, LoopStep);
  worker.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(gui, ranOn);
  EXPECT_EQ("inside", failure);
}

TEST(Window, ShowModalEndsWithTheButtonsResultAndDisablesOtherWindows) {
  FormPtr other(new TForm(nullptr));
  other->Show();
  FormPtr dialog(new TForm(nullptr));
  dialog->SetBorderStyle(bsDialog);
  auto* ok = new TButton(dialog.get());
  ok->SetParent(dialog.get());
  ok->SetModalResult(mrOk);
  bool otherWasDisabled = false;
  dialog->OnShow = [&](TObject*) {
    PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
  };
  ok->OnClick = [&](TObject*) { otherWasDisabled = !IsWindowEnabled(other->Handle()); };
  EXPECT_EQ(mrOk, dialog->ShowModal());
  EXPECT_TRUE(otherWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_THROW(({
                 other->Show();
                 other->ShowModal();
               }),
               EInvalidOperation);
}

// The window that opened a dialog is released, and the program asked to end, while the dialog's loop runs,
// for every kind of modal loop: the window (with the dialog it owns) is freed only after the loop, the end
// comes after it too, and the program's end of the loops cancels the dialog.
TEST(Window, AReleaseOrAnEndInsideAnyModalLoopWaitsForTheLoopWhichTheEndOfLoopsCancels) {
  const struct {
    const char* What;
    std::function<int(TForm* caller)> Run;
    int Cancelled;
  } cases[] = {
      {"our dialog", [](TForm* caller) { return (new TForm(caller))->ShowModal(); }, mrCancel},
      {"a system message box",
       [](TForm* caller) { return ShowMessageBox("Sure ?", "Question", MB_YESNO, caller->Handle()); }, IDNO},
      {"the system's open dialog", [](TForm* caller) { return int((new TOpenDialog(caller))->Execute()); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TForm* caller = new TForm(nullptr);
    caller->Show();
    bool callerFreed = false, inLoop = true, quit = false, quitInLoop = false;
    caller->OnDestroy = [&](TObject*) { callerFreed = true; };
    Application().OnMessage = [&](MSG& msg, bool& handled) {
      if (msg.message == WM_QUIT) quit = handled = true, quitInLoop = inLoop;  // handled: the suite goes on
    };
    // Each on its own tick, from inside the loop: the release, the end, the end of the loops; after three
    // seconds the test ends a dialog still up itself, and fails.
    int tick = 0;
    TTimer* steps = new TTimer(nullptr);
    steps->SetInterval(50);
    steps->OnTimer = [&](TObject*) {
      switch (tick++) {
        case 0: caller->Release(); break;
        case 1: Application().Terminate(); break;
        case 2: EndModalLoops(); break;
        case 60: EndDialog(GetActiveWindow(), IDCANCEL); break;
        default: break;
      }
    };
    EXPECT_EQ(c.Run(caller), c.Cancelled);
    inLoop = false;
    EXPECT_FALSE(callerFreed) << "the caller still waits for its dialog";
    EXPECT_TRUE(PumpUntil([&] { return callerFreed && quit; }, 5000, LoopStep));
    EXPECT_FALSE(quitInLoop);
    Application().OnMessage = nullptr;
    steps->Free();
  }
}

TEST(Window, HookMainWindowSeesTheApplicationWindowFirst) {
  int seen = 0;
  int id = Application().HookMainWindow([&](TMessage& m) {
    if (m.Msg != WM_APP + 9) return false;
    ++seen;
    m.Result = 5;
    return true;
  });
  EXPECT_EQ(5, SendMessageA(Application().Handle(), WM_APP + 9, 0, 0));
  Application().UnhookMainWindow(id);
  EXPECT_EQ(0, SendMessageA(Application().Handle(), WM_APP + 9, 0, 0));
  EXPECT_EQ(1, seen);
}
