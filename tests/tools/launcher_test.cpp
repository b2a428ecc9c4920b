// The launcher's actions with test forms as the windows' makers, and the monitor's rules for ending.
#include <gtest/gtest.h>

#include "application.h"
#include "none_marker.h"
#include "presets_in_cache_form.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using namespace ui;
using toolstest::TTestEditor;
using toolstest::TTestManager;
using toolstest::TTestWindow;

namespace {

class Launcher : public toolstest::ToolsFixture {
 protected:
  void SetUp() override {
    ToolsFixture::SetUp();
    ToolWindowMakers.Manager = [this](TComponent* owner) {
      ++Made;
      return Manager = new TTestManager(owner, &Freed);
    };
    ToolWindowMakers.Preferences = [this](TComponent* owner) {
      ++Made;
      return new TTestWindow(owner, WM_TB_OPTIONS_CLOSED, &Freed);
    };
    ToolWindowMakers.About = [this](TComponent* owner) {
      ++Made;
      return new TTestWindow(owner, WM_TB_ABOUT_CLOSED, &Freed);
    };
    ToolWindowMakers.Editor = [this](TComponent* owner) {
      ++Made;
      return Editor = new TTestEditor(owner, &Freed, EditorStarts);
    };
  }

  int Made = 0;
  int Freed = 0;
  bool EditorStarts = true;
  TTestManager* Manager = nullptr;
  TTestEditor* Editor = nullptr;
};

}  // namespace

TEST_F(Launcher, EachWindowOpensOnceAlsoWhileItIsBeingMade) {
  StartTools({"-"});
  // The maker runs a loop (as a window's creation may, through a box) while the same request comes again.
  auto make = ToolWindowMakers.Manager;
  ToolWindowMakers.Manager = [&](TComponent* owner) {
    PostMessageA(FakeForm->Handle(), WM_TB_SHOW_MANAGER, 0, 0);
    RunFor(30);
    return make(owner);
  };
  PostToTools(WM_TB_SHOW_MANAGER);
  RunFor(30);
  EXPECT_EQ(Made, 1);
  ASSERT_EQ(MappingsManagerForm, Manager);
  EXPECT_TRUE(Manager->Visible());
  EXPECT_FALSE(FakeForm->Visible());
  PostToTools(WM_TB_SHOW_MANAGER);
  PostToTools(WM_TB_SHOW_PREFERENCES);
  PostToTools(WM_TB_SHOW_PREFERENCES);
  PostToTools(WM_TB_SHOW_ABOUT);
  PostToTools(WM_TB_SHOW_ABOUT);
  EXPECT_EQ(Made, 3);
  EXPECT_NE(OptionsForm, nullptr);
  EXPECT_NE(AboutForm, nullptr);
  EXPECT_EQ(MappingsManagerForm->Owner(), FakeForm);
}

TEST_F(Launcher, AClosedWindowIsFreedAndTheLastOneEndsAHiddenProgram) {
  StartTools({"-"});  // started by the server: the monitor is never shown
  PostToTools(WM_TB_SHOW_PREFERENCES);
  PostToTools(WM_TB_SHOW_MANAGER);
  ASSERT_NE(OptionsForm, nullptr);
  OptionsForm->Close();
  ASSERT_TRUE(RunUntil([&] { return Freed == 1; }));
  EXPECT_EQ(OptionsForm, nullptr);
  RunFor(30);
  EXPECT_FALSE(Quit) << "the manager is still open";
  MappingsManagerForm->Close();
  ASSERT_TRUE(RunUntil([&] { return Quit; }));
  EXPECT_EQ(MappingsManagerForm, nullptr);
  EXPECT_EQ(Freed, 2);
}

TEST_F(Launcher, AClosedMessageTwiceOrForNoWindowOnlyChecksForIdle) {
  StartTools({});
  PresetsInCacheForm->Show();
  PostToTools(WM_TB_SHOW_ABOUT);
  ASSERT_NE(AboutForm, nullptr);
  HWND monitor = PresetsInCacheForm->Handle();
  PostMessageA(monitor, WM_TB_ABOUT_CLOSED, 0, 0);
  PostMessageA(monitor, WM_TB_ABOUT_CLOSED, 0, 0);
  PostMessageA(monitor, WM_TB_EDITOR_CLOSED, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return Freed == 1; }));
  RunFor(30);
  EXPECT_EQ(AboutForm, nullptr);
  EXPECT_FALSE(Quit) << "the monitor is visible";
  PresetsInCacheForm->Hide();
  PostMessageA(monitor, WM_TB_MANAGER_CLOSED, 0, 0);
  EXPECT_TRUE(RunUntil([&] { return Quit; }));
}

TEST_F(Launcher, AClosedMessageDuringTheModalLoopReleasesTheWindowAfterIt) {
  StartTools({});
  PresetsInCacheForm->Show();
  PresetsInCacheForm->SetStayOnTop(true);  // the about box then runs modally
  bool sawModal = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
  // From inside the modal loop: the closed message arrives while the box is still up.
  auto about = ToolWindowMakers.About;
  ToolWindowMakers.About = [&](TComponent* owner) {
    TForm* form = about(owner);
    form->OnShow = [&](TObject*) {
      sawModal = true;
      PostMessageA(PresetsInCacheForm->Handle(), WM_TB_ABOUT_CLOSED, 0, 0);
    };
    return form;
  };
  PostToTools(WM_TB_SHOW_ABOUT);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(sawModal);
  EXPECT_EQ(AboutForm, nullptr);
  EXPECT_TRUE(RunUntil([&] { return Freed == 1; }));
  EXPECT_FALSE(Quit);
}

TEST_F(Launcher, TheEditorStartsOnThePendingMappingOrIsFreedWhenItCannot) {
  StartTools({"-EDITOR", "Strings"});
  RunUntil([&] { return MappingsForm != nullptr; });
  ASSERT_NE(Editor, nullptr);
  EXPECT_EQ(Editor->Inits, std::vector<std::string>{"Strings"});
  EXPECT_EQ(Editor->BarsShown, 1);
  EXPECT_TRUE(Editor->Visible());
  EXPECT_EQ(PresetsInCacheForm->PendingEditorMapping, NoneMarker);

  // Open already: a named mapping only switches it; none named, nothing is switched.
  PresetsInCacheForm->PendingEditorMapping = "Piano";
  PostToTools(WM_TB_SHOW_EDITOR);
  PostToTools(WM_TB_SHOW_EDITOR);
  EXPECT_EQ(Editor->Switches, std::vector<std::string>{"Piano"});
  EXPECT_EQ(Made, 1);

  PostToTools(WM_TB_PREVIEW_STARTED);
  EXPECT_TRUE(Editor->Preview);
  PostToTools(WM_TB_PREVIEW_WAVE_ERROR);
  EXPECT_EQ(Editor->Status, "");  // nothing previewed
  Editor->PreviewState = true;
  PostToTools(WM_TB_PREVIEW_WAVE_ERROR);
  EXPECT_EQ(Editor->Status, "Unsupported wave format");
  PostToTools(WM_TB_PREVIEW_STOPPED);
  EXPECT_FALSE(Editor->Preview);

  MappingsForm->Close();
  ASSERT_TRUE(RunUntil([&] { return Quit; }));
  EXPECT_EQ(MappingsForm, nullptr);
}

TEST_F(Launcher, AnEditorThatCannotStartIsFreedAndTheProgramEnds) {
  EditorStarts = false;
  StartTools({"/editor"});
  ASSERT_TRUE(RunUntil([&] { return Quit; }));
  ASSERT_EQ(Made, 1);
  EXPECT_EQ(Freed, 1);
  EXPECT_EQ(MappingsForm, nullptr);
  EXPECT_EQ(Editor->Inits.size(), 1u);
}

TEST_F(Launcher, AnEditorWithoutMappingNameGetsTheNoneMarker) {
  StartTools({"-editor"});
  ASSERT_TRUE(RunUntil([&] { return MappingsForm != nullptr; }));
  EXPECT_EQ(Editor->Inits, std::vector<std::string>{NoneMarker});
}

TEST_F(Launcher, AQuitRequestClosesTheWindowsAndEndsOnlyWhenTheLastIsGone) {
  StartTools({});
  PresetsInCacheForm->Show();
  PostToTools(WM_TB_SHOW_MANAGER);
  PostToTools(WM_TB_SHOW_PREFERENCES);
  ASSERT_EQ(Made, 2);
  PostQuitMessage(0);
  // Kept: the windows close and say so, and only the last closed message ends the program.
  ASSERT_TRUE(RunUntil([&] { return Quit; }));
  EXPECT_EQ(Freed, 2);
  EXPECT_EQ(MappingsManagerForm, nullptr);
  EXPECT_EQ(OptionsForm, nullptr);
  EXPECT_FALSE(PresetsInCacheForm->Visible());
}

TEST_F(Launcher, ClosingTheMonitorWhileAWindowIsOpenOnlyHidesIt) {
  StartTools({});
  RunUntil([&] { return PresetsInCacheForm->Visible(); });
  ASSERT_TRUE(PresetsInCacheForm->Visible());
  PostToTools(WM_TB_SHOW_PREFERENCES);
  // Escape closes the monitor the same way.
  PostMessageA(PresetsInCacheForm->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  RunFor(30);
  EXPECT_FALSE(PresetsInCacheForm->Visible());
  EXPECT_FALSE(Quit);
  OptionsForm->Close();
  EXPECT_TRUE(RunUntil([&] { return Quit; }));
}

TEST_F(Launcher, TheSystemMenuMinimisesTheWholeProgram) {
  StartTools({});
  PresetsInCacheForm->Show();
  SendMessageA(PresetsInCacheForm->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Application().Handle()));
  EXPECT_FALSE(IsIconic(PresetsInCacheForm->Handle()));
  Application().Restore();
  EXPECT_FALSE(IsIconic(Application().Handle()));
}

TEST_F(Launcher, WindowsWithoutMakerKeepTheirActionDisabledAndOpenNothing) {
  ToolWindowMakers = TToolWindowMakers();
  StartTools({"-"});
  EXPECT_FALSE(FakeForm->MappingsManagerAction->Enabled());
  EXPECT_FALSE(FakeForm->PreferencesAction->Enabled());
  EXPECT_FALSE(FakeForm->MappingsEditorAction->Enabled());
  EXPECT_FALSE(FakeForm->AboutAction->Enabled());
  EXPECT_TRUE(FakeForm->MonitorAction->Enabled());
  EXPECT_EQ(FakeForm->MappingsManagerAction->Caption(), "Manager...");
  EXPECT_EQ(FakeForm->MappingsManagerAction->Hint(), "Mappings manager");
  EXPECT_EQ(FakeForm->MappingsManagerAction->ShortCut(), scCtrl | scAlt | VK_F6);
  EXPECT_EQ(FakeForm->PreferencesAction->ShortCut(), scCtrl | scAlt | VK_F8);
  EXPECT_GE(FakeForm->PreferencesAction->ImageIndex(), 0);
  // A request the server makes of a program it started: nothing opens and the program ends.
  PostToTools(WM_TB_SHOW_PREFERENCES);
  EXPECT_TRUE(RunUntil([&] { return Quit; }));
  EXPECT_EQ(OptionsForm, nullptr);
  EXPECT_FALSE(FakeForm->Visible());
}

TEST_F(Launcher, TheIntegrityCheckRunsOnceAndTellsTheServer) {
  int checks = 0;
  ToolWindowMakers.CheckIntegrity = [&](TComponent*, TForm*) {
    ++checks;
    PostMessageA(FakeForm->Handle(), WM_TB_CHECK_INTEGRITY, 0, 0);
    RunFor(20);
  };
  StartTools({"-"});
  size_t from = Server->Received.size();
  PostToTools(WM_TB_CHECK_INTEGRITY);
  RunFor(20);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(Server->Count(WM_TB_MAPPINGS_CHANGED), 1u);
  EXPECT_GE(Server->Received.size(), from + 1);
  EXPECT_TRUE(RunUntil([&] { return Quit; }));
}

TEST_F(Launcher, StartUpSetsTheGlobalsAndGreetsTheServer) {
  StartTools({});
  EXPECT_EQ(Application().Title(), "tarnbel tools");
  EXPECT_EQ(PresetsInCacheForm->Caption(), "tarnbel monitor");
  EXPECT_TRUE(PresetsInCacheForm->KeyPreview());
  EXPECT_EQ(LongMonthNames[2], "Mart");
  EXPECT_EQ(LongMonthNames[11], "December");
  EXPECT_TRUE(FollowServer) << "the server's window was there";
  ASSERT_NE(Settings, nullptr);
  EXPECT_TRUE(PresetsInCacheForm->FirstShow);
  char title[64] = {0};
  GetWindowTextA(FakeForm->Handle(), title, sizeof(title));
  EXPECT_STREQ(title, TOOLS_WINDOW_TITLE);
  EXPECT_EQ(FakeForm->Width(), 137);
  EXPECT_EQ(FakeForm->Height(), 44);
  EXPECT_EQ(FakeForm->Label1->Caption(), "Loading . . .");
  EXPECT_EQ(FakeForm->Label1->Parent(), FakeForm);
  EXPECT_EQ(FakeForm->Bevel1->Width(), 137);
  EXPECT_FALSE(FakeForm->Image1->Picture()->Icon()->Empty());
  RunUntil([&] { return !PresetsInCacheForm->FirstShow; });
  EXPECT_TRUE(PresetsInCacheForm->Visible());
  RunFor(20);
  ASSERT_FALSE(Server->Received.empty());
  EXPECT_EQ(Server->Received[0].Id, WM_TB_TOOLS_HELLO);
  EXPECT_EQ(Server->Count(WM_TB_TOOLS_HELLO), 1u);

  PresetsInCacheForm->Free();
  RunFor(20);
  EXPECT_EQ(Server->Ids().back(), WM_TB_TOOLS_BYE);
  EXPECT_EQ(FakeForm, nullptr);
  EXPECT_EQ(PresetsInCacheForm, nullptr);
}

TEST_F(Launcher, StartedByTheUserWithoutServerItStaysWhenAServerStops) {
  Server.reset();
  StartTools({});
  EXPECT_FALSE(FollowServer);
  PresetsInCacheForm->Show();
  PostToTools(WM_TB_SERVER_STOPPED);
  RunFor(30);
  EXPECT_FALSE(Quit);
  EXPECT_TRUE(PresetsInCacheForm->Visible());
}

TEST_F(Launcher, FreeingTheLauncherClearsTheWindowVariables) {
  StartTools({"-"});
  PostToTools(WM_TB_SHOW_MANAGER);
  PostToTools(WM_TB_SHOW_ABOUT);
  ASSERT_NE(MappingsManagerForm, nullptr);
  PresetsInCacheForm->Free();
  EXPECT_EQ(MappingsManagerForm, nullptr);
  EXPECT_EQ(AboutForm, nullptr);
  EXPECT_EQ(Freed, 2);
  // A window that says it closed after the monitor has gone posts nothing and does not hang.
  PostClosedMessage(WM_TB_ABOUT_CLOSED);
}
