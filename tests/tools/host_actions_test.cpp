// The host actions' stored switches, the export visibility they drive, and starting the server.
#include <gtest/gtest.h>

#include "message_box_recorder.h"
#include "presets_in_cache_form.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using namespace ui;

namespace {

const char* const kHosts[] = {"Cakewalk", "Cubase", "Encore", "Evolution", "Logic", "Massiva", "Quartz"};

class HostActions : public toolstest::ToolsFixture {};

TAction* AddNamed(TActionList* list, const std::string& name) {
  auto* action = new TAction(list->Owner());
  action->SetName(name);
  action->SetActionList(list);
  return action;
}

}  // namespace

TEST_F(HostActions, DefaultsAreWrittenBackAndMalformedValuesReadAsDefault) {
  const std::string key = PlacementKeyPath();
  testsupport::WriteRawDword(key, "CubaseActionVisible", 0);
  testsupport::WriteRawString(key, "EncoreActionVisible", "0");
  testsupport::WriteRawDword(key, "MassivaActionVisible", 7);
  const uint8_t wide[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  testsupport::WriteRaw(key, "LogicActionVisible", REG_BINARY, wide, sizeof(wide));
  StartTools({"-"});
  for (const char* host : kHosts) {
    TAction* action = static_cast<TAction*>(FakeForm->FindComponent(std::string(host) + "Action"));
    ASSERT_NE(action, nullptr) << host;
    EXPECT_EQ(action->Caption(), host);
    EXPECT_EQ(action->Checked(), std::string(host) != "Cubase") << host;
    EXPECT_TRUE(testsupport::ValueExists(key, std::string(host) + "ActionVisible")) << host;
  }
  // The malformed ones were replaced by the default.
  for (const char* name : {"EncoreActionVisible", "LogicActionVisible", "MassivaActionVisible"}) {
    testsupport::RawValue raw = testsupport::ReadRaw(key, name);
    EXPECT_EQ(raw.type, DWORD(REG_DWORD)) << name;
    EXPECT_TRUE(TRegKey(key, false).ReadBool(name, false)) << name;
  }
}

TEST_F(HostActions, AToggleIsStoredAndAppliedByNameToTheOpenWindows) {
  toolstest::TTestManager* manager = nullptr;
  toolstest::TTestEditor* editor = nullptr;
  ToolWindowMakers.Manager = [&](TComponent* owner) { return manager = new toolstest::TTestManager(owner, nullptr); };
  ToolWindowMakers.Editor = [&](TComponent* owner) { return editor = new toolstest::TTestEditor(owner, nullptr, true); };
  StartTools({"-"});
  PostToTools(WM_TB_SHOW_MANAGER);
  PostToTools(WM_TB_SHOW_EDITOR);
  ASSERT_TRUE(manager && editor);
  TAction* cakewalkIns = AddNamed(manager->Exports, "ExportCakewalkInsAction");
  TAction* cubase12 = AddNamed(manager->Exports, "ExportCubase12Action");
  TAction* cubase1 = AddNamed(manager->Exports, "ExportCubaseSeparateAction");
  TAction* editorCubase = AddNamed(editor->Exports, "CubaseExportAction");
  TAction* save = AddNamed(editor->Exports, "SaveAction");

  FakeForm->CubaseAction->Execute();
  EXPECT_FALSE(FakeForm->CubaseAction->Checked());
  EXPECT_FALSE(TRegKey(PlacementKeyPath(), false).ReadBool("CubaseActionVisible", true));
  EXPECT_FALSE(cubase12->Visible());
  EXPECT_FALSE(cubase1->Visible());
  EXPECT_FALSE(editorCubase->Visible());
  EXPECT_TRUE(cakewalkIns->Visible());
  EXPECT_TRUE(save->Visible());

  FakeForm->CubaseAction->Execute();
  EXPECT_TRUE(TRegKey(PlacementKeyPath(), false).ReadBool("CubaseActionVisible", false));
  EXPECT_TRUE(cubase12->Visible());
  EXPECT_TRUE(editorCubase->Visible());

  // Applying the whole set hides what is unchecked and shows what is checked.
  FakeForm->CakewalkAction->SetChecked(false);
  cubase1->SetVisible(false);
  FakeForm->ApplyExportVisibility(manager->Exports, nullptr);
  EXPECT_FALSE(cakewalkIns->Visible());
  EXPECT_TRUE(cubase1->Visible());

  // The name is matched as it is written.
  SetExportVisibility(editor->Exports, "cubase", false);
  EXPECT_TRUE(editorCubase->Visible());
  SetExportVisibility(editor->Exports, "Export", false);
  EXPECT_FALSE(editorCubase->Visible());
  EXPECT_TRUE(save->Visible());
}

TEST_F(HostActions, MappingsChangedReloadsTheManagerAndTellsTheServer) {
  toolstest::TTestManager* manager = nullptr;
  ToolWindowMakers.Manager = [&](TComponent* owner) { return manager = new toolstest::TTestManager(owner, nullptr); };
  StartTools({"-"});
  FakeForm->PostMappingsChanged();
  PostToTools(WM_TB_SHOW_MANAGER);
  FakeForm->PostMappingsChanged();
  RunFor(20);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(manager->Reloads, 1);
  EXPECT_EQ(Server->Count(WM_TB_MAPPINGS_CHANGED), 2u);
}

TEST_F(HostActions, RunServerReportsAMissingFileAndGivesUpAfterItsBound) {
  StartTools({"-"});
  testsupport::MessageBoxRecorder boxes;
  std::string missing = ProgramFolder() + "no_such_server.exe";
  EXPECT_FALSE(FakeForm->RunServerFile(missing, true));
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Can't run " + missing);
  EXPECT_EQ(Screen().Cursor(), crDefault);

  // A program that starts but never shows the server's window.
  Server.reset();
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof(system));
  FakeForm->ServerStartTimeoutMs = 400;
  DWORD start = GetTickCount();
  EXPECT_FALSE(FakeForm->RunServerFile(std::string(system) + "\\rundll32.exe", true));
  EXPECT_GE(GetTickCount() - start, 400u);
  EXPECT_EQ(boxes.Boxes.size(), 1u);
}

TEST_F(HostActions, RunServerStartsTheRealServerAndTheLinkFindsIt) {
  {
    TRegKey settings(TarnbelKeyPath, true);
    for (const char* show : {"ShowControlPanel", "ShowMonitor", "ShowMappingsEditor", "ShowPreferences"})
      settings.WriteBool(show, false);
  }
  Server.reset();
  StartTools({"-"});
  FollowServer = false;  // the server's stop below must not end the launcher before it is seen
  ASSERT_EQ(ServerLink->PeerWindow(), nullptr);
  ASSERT_TRUE(FakeForm->RunServer(true));
  HWND server = ServerLink->PeerWindow();
  ASSERT_NE(server, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(server, &pid);
  EXPECT_NE(pid, GetCurrentProcessId());
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  PostMessageA(server, WM_CLOSE, 0, 0);
  ASSERT_NE(process, nullptr);
  EXPECT_TRUE(RunUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 10000));
  // It said goodbye to the tools window it found: this launcher.
  EXPECT_EQ(ServerLink->PeerWindow(), nullptr);
  if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  CloseHandle(process);
}
