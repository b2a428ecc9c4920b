#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "KitAppEvents.h"
#include "application.h"
#include "message_box_recorder.h"

using namespace ui;

namespace {

constexpr UINT WM_PING = WM_APP + 31;

using EventsPtr = std::unique_ptr<TAppEvents, TFreeDeleter>;

// Posts one message to the thread and runs the application's own message handling over it.
void Deliver() {
  PostThreadMessageA(GetCurrentThreadId(), WM_PING, 0, 0);
  Application().ProcessMessages();
}

class AppEvents : public ::testing::Test {
 protected:
  void TearDown() override {
    Application().OnMessage = nullptr;
    Application().OnException = nullptr;
  }
  // Logs each ping it sees by name, and whether it saw it handled.
  static void LogPings(TAppEvents* events, std::vector<std::string>* log, const std::string& name,
                       bool handle = false) {
    events->OnMessage = [=](MSG& msg, bool& handled) {
      if (msg.message != WM_PING) return;
      log->push_back(name + (handled ? " handled" : ""));
      if (handle) handled = true;
    };
  }
};

}  // namespace

TEST_F(AppEvents, NewestFirstSharingTheHandledFlagThenTheApplicationsOwn) {
  std::vector<std::string> log;
  Application().OnMessage = [&](MSG& msg, bool& handled) {
    if (msg.message == WM_PING) log.push_back(std::string("original") + (handled ? " handled" : ""));
  };
  EventsPtr older(new TAppEvents(nullptr)), newer(new TAppEvents(nullptr));
  LogPings(older.get(), &log, "older");
  LogPings(newer.get(), &log, "newer", true);
  Deliver();
  EXPECT_EQ(log, (std::vector<std::string>{"newer", "older handled", "original handled"}));

  // A newer instance that is not chained keeps the event to itself.
  log.clear();
  newer->SetChained(false);
  Deliver();
  EXPECT_EQ(log, (std::vector<std::string>{"newer"}));
}

TEST_F(AppEvents, TheLastInstanceGivesTheSlotsBackAsTheyWere) {
  int original = 0;
  Application().OnMessage = [&](MSG& msg, bool&) { original += msg.message == WM_PING; };
  auto* first = new TAppEvents(nullptr);
  auto* second = new TAppEvents(nullptr);
  EXPECT_TRUE(TAppEventList::Instance().Assigned());
  first->Free();
  EXPECT_TRUE(TAppEventList::Instance().Assigned());
  second->Free();
  EXPECT_FALSE(TAppEventList::Instance().Assigned());
  ASSERT_TRUE(bool(Application().OnMessage));
  Deliver();
  EXPECT_EQ(original, 1);
  // Taken over again by a new first instance.
  EventsPtr again(new TAppEvents(nullptr));
  Deliver();
  EXPECT_EQ(original, 2);
}

TEST_F(AppEvents, InstancesFreedByAHandlerAreSkipped) {
  std::vector<std::string> log;
  auto* oldest = new TAppEvents(nullptr);
  auto* middle = new TAppEvents(nullptr);
  auto* newest = new TAppEvents(nullptr);
  LogPings(oldest, &log, "oldest");
  LogPings(middle, &log, "middle");
  newest->OnMessage = [&](MSG& msg, bool&) {
    if (msg.message != WM_PING) return;
    log.push_back("newest");
    middle->Free();
    newest->Free();  // its own handler frees it
  };
  Deliver();
  EXPECT_EQ(log, (std::vector<std::string>{"newest", "oldest"}));
  EXPECT_EQ(TAppEventList::Instance().Count(), 1);

  // The last instance freed inside its own handler gives the slot back without harm.
  log.clear();
  oldest->OnMessage = [&](MSG& msg, bool&) {
    if (msg.message == WM_PING) log.push_back("last"), oldest->Free();
  };
  Deliver();
  EXPECT_EQ(log, (std::vector<std::string>{"last"}));
  EXPECT_FALSE(TAppEventList::Instance().Assigned());
}

TEST_F(AppEvents, SettingsLoadedFromAFormReachTheApplication) {
  Application().HintPause = 300;
  Application().Mouse.DragThreshold = 9;
  EventsPtr events(new TAppEvents(nullptr));
  EXPECT_EQ(Application().HintPause, 300) << "creating an instance sets nothing";
  events->BeginLoading();
  events->SetHintPause(1000);
  events->Loaded();
  EXPECT_EQ(Application().HintPause, 1000);
  EXPECT_EQ(Application().Mouse.DragThreshold, 5);
  EXPECT_EQ(events->HintPause(), 1000);
  // Reading gives the application's current value.
  Application().HintHidePause = 4000;
  EXPECT_EQ(events->HintHidePause(), 4000);
  events->SetMouseDragImmediate(false);
  EXPECT_FALSE(Application().Mouse.DragImmediate);
  events->SetMouseDragImmediate(true);
}

TEST_F(AppEvents, PaintIconRunsOnlyWhileTheApplicationIsMinimised) {
  EventsPtr events(new TAppEvents(nullptr));
  int paints = 0;
  bool hadCanvas = false;
  events->OnPaintIcon = [&](TObject*, TCanvas& canvas) {
    ++paints;
    hadCanvas = canvas.Handle() != nullptr;
  };
  HWND app = Application().Handle();
  SendMessageA(app, WM_PAINT, 0, 0);
  EXPECT_EQ(paints, 0);
  Application().Minimize();
  ASSERT_TRUE(IsIconic(app));
  SendMessageA(app, WM_PAINT, 0, 0);
  EXPECT_EQ(paints, 1);
  EXPECT_TRUE(hadCanvas);
  Application().Restore();
}

TEST_F(AppEvents, AThrowingSettingsHandlerGoesToTheExceptionReport) {
  EventsPtr events(new TAppEvents(nullptr));
  std::vector<std::string> reported;
  events->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  int settings = 0;
  events->OnSettingsChanged = [&](TObject*) {
    ++settings;
    throw std::runtime_error("settings failed");
  };
  SendMessageA(Application().Handle(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(settings, 1);
  EXPECT_EQ(reported, std::vector<std::string>{"settings failed"});

  // With no report of anyone's, the failure still shows.
  events->OnException = nullptr;
  testsupport::MessageBoxRecorder boxes;
  SendMessageA(Application().Handle(), WM_SETTINGCHANGE, 0, 0);
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_NE(boxes.Boxes[0].Text.find("settings failed"), std::string::npos);
}

TEST_F(AppEvents, OtherApplicationEventsReachEveryInstance) {
  EventsPtr a(new TAppEvents(nullptr)), b(new TAppEvents(nullptr));
  std::vector<std::string> log;
  a->OnMinimize = [&](TObject*) { log.push_back("a minimize"); };
  b->OnMinimize = [&](TObject*) { log.push_back("b minimize"); };
  a->OnRestore = [&](TObject*) { log.push_back("a restore"); };
  Application().Minimize();
  Application().Restore();
  EXPECT_EQ(log, (std::vector<std::string>{"b minimize", "a minimize", "a restore"}));
  bool idleDone = true;
  b->OnIdle = [](TObject*, bool& done) { done = false; };
  a->OnIdle = [&](TObject*, bool& done) { idleDone = done; };
  Application().Idle();
  EXPECT_FALSE(idleDone);
}

TEST_F(AppEvents, HelpAnswersWithTheLastHandlersResultAndHintsShareTheirText) {
  EventsPtr a(new TAppEvents(nullptr)), b(new TAppEvents(nullptr));
  std::vector<intptr_t> asked;
  b->OnHelp = [&](WORD, intptr_t data, bool& callHelp) {
    asked.push_back(data);
    callHelp = false;
    return true;
  };
  a->OnHelp = [&](WORD, intptr_t data, bool& callHelp) {
    asked.push_back(callHelp ? data : -data);
    return false;
  };
  EXPECT_FALSE(Application().HelpContext(7));
  EXPECT_EQ(asked, (std::vector<intptr_t>{7, -7}));

  b->OnShowHint = [](std::string& hint, bool&, THintInfo&) { hint += " (b)"; };
  a->OnShowHint = [](std::string& hint, bool& canShow, THintInfo&) { canShow = hint == "Save (b)"; };
  std::string hint = "Save";
  bool canShow = false;
  THintInfo info;
  Application().OnShowHint(hint, canShow, info);
  EXPECT_EQ(hint, "Save (b)");
  EXPECT_TRUE(canShow);
}
