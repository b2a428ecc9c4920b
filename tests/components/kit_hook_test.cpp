#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KitHook.h"
#include "application.h"
#include "form.h"
#include "pump_until.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

constexpr UINT WM_PROBE = WM_APP + 7;

// Counts what reaches the form's own procedure.
class TProbeForm : public TForm {
 public:
  using TForm::TForm;
  int Probes = 0;
  int Destroys = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_PROBE) {
      ++Probes;
      m.Result = 42;
      return;
    }
    if (m.Msg == WM_DESTROY) ++Destroys;
    TForm::WndProc(m);
  }
};

void Pump(DWORD ms = 50) { testsupport::PumpFor(ms); }

TKitWindowHook* MakeHook(TComponent* owner, TWinControl* control, std::vector<std::string>* log,
                         const std::string& name, bool handleProbe = false) {
  auto* hook = new TKitWindowHook(owner);
  hook->BeforeMessage = [=](TObject*, TMessage& m, bool& handled) {
    if (m.Msg != WM_PROBE) return;
    log->push_back("before " + name);
    handled = handleProbe;
  };
  hook->AfterMessage = [=](TObject*, TMessage& m, bool&) {
    if (m.Msg == WM_PROBE) log->push_back("after " + name);
  };
  hook->SetWinControl(control);
  return hook;
}

LRESULT CALLBACK OtherSubclass(HWND h, UINT msg, WPARAM w, LPARAM l);
WNDPROC gOtherPrev = nullptr;
int gOtherCalls = 0;
LRESULT CALLBACK OtherSubclass(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PROBE) ++gOtherCalls;
  return CallWindowProcA(gOtherPrev, h, msg, w, l);
}

}  // namespace

TEST(KitHook, LastRegisteredSeesFirstAndHandledStopsEverything) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  std::vector<std::string> log;
  MakeHook(form.get(), form.get(), &log, "first");
  auto* second = MakeHook(form.get(), form.get(), &log, "second");
  EXPECT_EQ(42, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"before second", "before first", "after second", "after first"}), log);
  EXPECT_EQ(1, form->Probes);

  log.clear();
  second->BeforeMessage = [&](TObject*, TMessage& m, bool& handled) {
    if (m.Msg == WM_PROBE) log.push_back("swallowed"), handled = true;
  };
  SendMessageA(form->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"swallowed"}), log);
  EXPECT_EQ(1, form->Probes);
}

TEST(KitHook, HandledWmDestroyStillReachesTheControl) {
  auto* form = new TProbeForm(nullptr);
  auto* hook = new TKitWindowHook(nullptr);
  hook->BeforeMessage = [](TObject*, TMessage& m, bool& handled) {
    if (m.Msg == WM_DESTROY) handled = true;
  };
  hook->SetWinControl(form);
  form->HandleNeeded();
  form->RecreateWnd();
  EXPECT_EQ(1, form->Destroys);
  form->Free();
  EXPECT_EQ(nullptr, hook->WinControl());
  hook->Free();
  Pump();
}

TEST(KitHook, RecreationByBorderIconsKeepsHooksWorking) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  std::vector<std::string> log;
  MakeHook(form.get(), form.get(), &log, "a");
  MakeHook(form.get(), form.get(), &log, "b");
  form->Show();
  HWND old = form->Handle();
  form->SetBorderIcons(1u << biSystemMenu);
  ASSERT_NE(old, form->Handle());
  Pump();  // the posted re-hook runs
  SendMessageA(form->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"before b", "before a", "after b", "after a"}), log);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&KitHookWndProc), GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
}

TEST(KitHook, DeactivationPutsBackThePreviousProcedure) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  LONG_PTR original = GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC);
  std::vector<std::string> log;
  auto* hook = MakeHook(form.get(), form.get(), &log, "h");
  EXPECT_NE(original, GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
  hook->SetActive(false);
  EXPECT_EQ(original, GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
  SendMessageA(form->Handle(), WM_PROBE, 0, 0);
  EXPECT_TRUE(log.empty());
  hook->SetActive(true);
  EXPECT_NE(original, GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
  SendMessageA(form->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(2u, log.size());
}

TEST(KitHook, FreeingTheControlClearsEveryHookAndQueuedMessagesFindNothing) {
  auto* form = new TProbeForm(nullptr);
  auto* h1 = new TKitWindowHook(nullptr);
  auto* h2 = new TKitWindowHook(nullptr);
  h1->SetWinControl(form);
  h2->SetWinControl(form);
  form->RecreateWnd();  // queues a re-hook for the control hook
  form->Free();         // ...whose control is gone before it runs
  EXPECT_EQ(nullptr, h1->WinControl());
  EXPECT_EQ(nullptr, h2->WinControl());
  Pump();
  h1->Free();
  h2->Free();
  Pump();
}

TEST(KitHook, LaterSubclassKeepsTheChainWhole) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  std::vector<std::string> log;
  auto* hook = MakeHook(form.get(), form.get(), &log, "h");
  HWND h = form->Handle();
  gOtherCalls = 0;
  gOtherPrev = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OtherSubclass)));
  // Unhooking cannot take us out from under the other subclass; messages must still reach the form.
  hook->SetActive(false);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&OtherSubclass), GetWindowLongPtrA(h, GWLP_WNDPROC));
  EXPECT_EQ(42, SendMessageA(h, WM_PROBE, 0, 0));
  EXPECT_EQ(1, form->Probes);
  EXPECT_TRUE(log.empty());
  // Hooking again re-attaches to the procedure already in the chain: no loop, seen once.
  hook->SetActive(true);
  EXPECT_EQ(42, SendMessageA(h, WM_PROBE, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"before h", "after h"}), log);
  EXPECT_EQ(2, form->Probes);
  // A freed hook leaves a plain pass-through.
  hook->Free();
  EXPECT_EQ(42, SendMessageA(h, WM_PROBE, 0, 0));
  EXPECT_EQ(3, form->Probes);
  EXPECT_EQ(3, gOtherCalls);
}

TEST(KitHook, ThrowingClientIsReportedAndTheOthersStillRun) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  std::vector<std::string> log;
  MakeHook(form.get(), form.get(), &log, "quiet");
  auto* thrower = new TKitWindowHook(form.get());
  thrower->BeforeMessage = [](TObject*, TMessage& m, bool&) {
    if (m.Msg == WM_PROBE) throw Exception("hook failed");
  };
  thrower->SetWinControl(form.get());
  std::vector<std::string> reports;
  Application().OnException = [&](TObject*, const std::exception& e) { reports.push_back(e.what()); };
  EXPECT_EQ(42, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
  Application().OnException = nullptr;
  EXPECT_EQ((std::vector<std::string>{"hook failed"}), reports);
  EXPECT_EQ((std::vector<std::string>{"before quiet", "after quiet"}), log);
  EXPECT_EQ(1, form->Probes);
}

TEST(KitHook, ClientLeavingOrFreeingAnotherInsideItsHandler) {
  std::unique_ptr<TProbeForm, TFreeDeleter> form(new TProbeForm(nullptr));
  std::vector<std::string> log;
  auto* victim = MakeHook(nullptr, form.get(), &log, "victim");
  auto* self = new TKitWindowHook(form.get());
  self->SetWinControl(form.get());
  self->BeforeMessage = [&](TObject*, TMessage& m, bool&) {
    if (m.Msg != WM_PROBE) return;
    log.push_back("self leaves");
    self->SetActive(false);
    victim->Free();
  };
  EXPECT_EQ(42, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"self leaves"}), log);
  EXPECT_EQ(1, form->Probes);
  // Nobody watches any more: the form's procedure is its own again once the queue has run.
  Pump();
  EXPECT_EQ(42, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
  EXPECT_EQ(1u, log.size());
}
