// Events that arrive while a command of the manager waits in its prompt or box: a forged closed message, a
// change of the stored mappings, the server quitting, the window closed, another command. None runs inside
// the command; the command ends whole, and what waited runs after it.
#include <algorithm>

#include "application.h"
#include "manager_fixture.h"
#include "registry_test_support.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using namespace managertest;

namespace {

const std::string MappingsKey = "Software\\tarnbel\\mappings";

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(ManagerFixture, EventsDuringACommandsPromptWaitForItsEnd) {
  struct TCommandCase {
    const char* What;
    std::function<void(TMappingsManagerForm*)> Run;
    std::vector<std::string> Stored;  // after the command, sorted
  };
  const TCommandCase commands[] = {
      {"Copy", [this](TMappingsManagerForm* m) { Answer("Fresh"); m->CopyMappingAction->Execute(); },
       {"Fresh", "Pads", "Strings"}},
      {"Rename", [this](TMappingsManagerForm* m) { Answer("Fresh"); m->RenameMappingAction->Execute(); },
       {"Fresh", "Pads"}},
      {"Delete", [](TMappingsManagerForm* m) { m->DeleteMappingAction->Execute(); }, {"Pads"}},
  };
  struct TEventCase {
    const char* What;
    std::function<void()> Event;
    bool Freed;  // the window is gone once the command has ended
  };
  const TEventCase events[] = {
      {"forged closed message",
       [this] {
         PostMessageA(TestMonitor->Handle(), WM_TB_MANAGER_CLOSED, 0, 0);
         RunUntil([this] { return !TestMonitor->Closed.empty(); });
         // The release the monitor asked for comes by the loop too.
         for (int i = 0; i < 5; ++i) LoopStep();
       },
       true},
      {"stored mappings changed", [this] { TestLauncher->PostMappingsChanged(); }, false},
      {"server quit", [this] { Server.reset(); }, false},
      {"window closed", [this] { Manager->Close(); }, true},
      {"another command",
       [this] {
         Manager->CheckListBox1->SetItemIndex(0);
         Manager->DeleteMappingAction->Execute();
         Manager->NewMappingAction->Execute();
       },
       false},
  };
  for (const TCommandCase& command : commands) {
    for (const TEventCase& event : events) {
      SCOPED_TRACE(std::string(command.What) + ", " + event.What);
      FreeManager();
      ResetRegistry();
      if (!Server) Server = std::make_unique<testsupport::TRecordingWindow>(SERVER_WINDOW_TITLE);
      StoreMapping("Strings", 2, true);
      StoreMapping("Pads", 1, true);
      TMappingsManagerForm* m = Open();
      HWND window = m->Handle();
      TestMonitor->Closed.clear();
      Boxes.clear();
      Queries.clear();
      m->CheckListBox1->SetItemIndex(0);
      DuringModal = event.Event;
      command.Run(m);
      EXPECT_FALSE(DuringModal) << "the event ran inside the command";
      EXPECT_EQ(1u, Queries.size() + Boxes.size()) << "no second command ran inside the first";
      EXPECT_EQ(command.Stored, Sorted(testsupport::SubkeyNames(MappingsKey)));
      if (event.Freed) {
        EXPECT_TRUE(RunUntil([window] { return !IsWindow(window); })) << "what waited ran after the command";
        Manager = nullptr;
        continue;
      }
      ASSERT_TRUE(IsWindow(window));
      EXPECT_EQ(command.Stored, Sorted(Rows())) << "a reload that waited ran after the command";
    }
  }
}

// The editor has another mapping open while the manager renames one, and is closed or switched to the
// renamed mapping from inside the rename's message loop: it waits for the rename's end (it opens nothing of
// the mapping while it is copied) and is freed only after it.
TEST_F(ManagerFixture, AnEditorOnAnotherMappingWaitsForARenameAndIsFreedAfterIt) {
  const UINT switchToPads = WM_APP + 41;
  TMappingsForm* editor = nullptr;
  int hook = Application().HookMainWindow([&](TMessage& m) {
    if (m.Msg == switchToPads) editor->SwitchToMapping("Pads");
    return m.Msg == switchToPads;
  });
  for (bool close : {true, false}) {
    SCOPED_TRACE(close ? "closed" : "switched to the renamed mapping");
    FreeManager();
    ResetRegistry();
    StoreMapping("Strings", 2, true);
    StoreMapping("Pads", 1, true);
    MappingsForm = editor = new TMappingsForm(nullptr);
    ASSERT_TRUE(editor->InitEditor("Strings"));
    bool freed = false, freedInside = false;
    editor->OnDestroy = [&](TObject*) { freed = true, freedInside = Manager && Manager->Busy(); };
    Open()->CheckListBox1->SetItemIndex(1);
    Answer("Fresh");
    DuringModal = [&] {
      PostMessageA(close ? editor->Handle() : Application().Handle(), close ? WM_CLOSE : switchToPads, 0, 0);
    };
    Manager->RenameMappingAction->Execute();
    EXPECT_EQ(Sorted(Rows()), (std::vector<std::string>{"Fresh", "Strings"}));
    EXPECT_FALSE(freed) << "the editor was freed inside the rename";
    if (close || freed) {
      EXPECT_TRUE(RunUntil([&] { return freed; }));
      EXPECT_FALSE(freedInside);
      continue;
    }
    EXPECT_EQ(editor->MappingName, "Strings") << "the editor switched inside the rename";
    EXPECT_TRUE(RunUntil([&] { return editor->MappingName == "Pads"; }));
    MappingsForm = nullptr;
    editor->Free();
  }
  Application().UnhookMainWindow(hook);
}
