#pragma once
// The tools program's start-up inside the test process: the monitor made as the program block makes it,
// the server's window played by a recording window, and test forms as the once-windows' makers.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "action.h"
#include "cached_preset_record.h"
#include "form.h"
#include "ipc.h"
#include "recording_window.h"
#include "tool_windows.h"

namespace toolstest {

// A once-window that says it closed the way every such window does, from its close query.
class TTestWindow : public ui::TForm {
 public:
  TTestWindow(ui::TComponent* owner, UINT closedId, int* freed);
  UINT ClosedId;
  int* Freed;

 protected:
  void Destroying() override;
};

// The editor as the launcher sees it, recording what it was asked.
class TTestEditor : public TTestWindow, public TEditorWindowOps {
 public:
  TTestEditor(ui::TComponent* owner, int* freed, bool initResult);
  bool InitResult;
  std::vector<std::string> Inits, Switches;
  int BarsShown = 0;
  bool Preview = false, PreviewState = false;
  std::string Status;
  ui::TActionList* Exports;

  bool InitEditor(const std::string& mapping) override;
  void SwitchToMapping(const std::string& mapping) override { Switches.push_back(mapping); }
  std::string Current;
  std::string CurrentMapping() const override { return Current; }
  void ShowToolbarsAndPanels() override { ++BarsShown; }
  void SetPreviewMode(bool on) override { Preview = on; }
  bool Previewing() const override { return PreviewState; }
  void SetStatusText(const std::string& text) override { Status = text; }
  ui::TActionList* ExportActionList() override { return Exports; }
  ui::TWinControl* ExportToolbar() override { return nullptr; }
};

// The manager with export actions named as the hosts' commands are.
class TTestManager : public TTestWindow, public TManagerWindowOps {
 public:
  TTestManager(ui::TComponent* owner, int* freed);
  int Reloads = 0;
  ui::TActionList* Exports;
  void ReloadMappings() override { ++Reloads; }
  ui::TActionList* ExportActionList() override { return Exports; }
  ui::TWinControl* ExportToolbar() override { return nullptr; }
};

class ToolsFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The monitor's creation with these parameters, the monitor as the application's main form.
  void StartTools(const std::vector<std::string>& params);
  // Runs the program's loop until done() holds or the time is up. A WM_QUIT goes through the
  // application's OnMessage as in the real loop; one that nobody keeps sets Quit instead of ending
  // the test program, and nothing is handled any more.
  bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
  void RunFor(DWORD ms) { RunUntil([] { return false; }, ms); }
  // Posts to the launcher window through a link, as the server does, and runs until it is handled.
  void PostToTools(UINT id, WPARAM wParam = 0, LPARAM lParam = 0);

  std::unique_ptr<testsupport::TRecordingWindow> Server;
  std::unique_ptr<TIPCLink> ToTools;
  bool Quit = false;
};

// A cached preset as the server reports it.
CachedPresetRecord Rec(const std::string& name, int32_t bank, int32_t program, int32_t channel,
                       const std::string& mapping = "Studio", const std::string& file = "C:\\sf\\gm.sf2",
                       int32_t sourceBank = 0, int32_t sourcePreset = 0);

// A payload file that the test can watch: its full name is known before it is sent.
struct TPayload {
  ATOM Atom = 0;
  std::string Path;
  static TPayload Write(const std::string& bytes);
  bool FileGone() const;
  bool AtomGone() const;
};

}  // namespace toolstest
