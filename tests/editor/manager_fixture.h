#pragma once
// The mappings manager in the test process, as the launcher opens it: a real window over stored mappings,
// the server's and the launcher's windows played by recording windows, a stand-in monitor that frees the
// manager on its closed message as the real one does, and a launcher with its window actions and images.
// Prompts, boxes and file dialogs are answered from scripts and recorded.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "action.h"
#include "form.h"
#include "image_list.h"
#include "message_box.h"
#include "dialogs.h"
#include "recording_window.h"
#include "tarnbel_mappings_manager_form.h"
#include "test_launcher.h"

namespace managertest {

using editortest::TTestLauncher;

// The monitor as the once-windows know it: on the manager's or the editor's closed message it lets go of
// the window and has it freed, as the real monitor does.
class TTestMonitor : public ui::TForm {
 public:
  explicit TTestMonitor(ui::TComponent* owner) : ui::TForm(owner) {}
  std::vector<UINT> Closed;
  void WndProc(ui::TMessage& message) override;
};

struct TBox {
  std::string Text;
  std::string Caption;
  UINT Flags;
};

struct TQuery {
  std::string Caption;
  std::string Prompt;
  std::string Proposal;
};

// One slot of a stored mapping: target bank and program, the preset, its file and place in the file.
struct TEntry {
  int Bank;
  int Program;
  std::string Name;
  std::string File = "C:\\sounds\\a.sf2";
  int SourceBank = 0;
  int SourceProgram = 0;
};

const int32_t NoPriority = INT32_MIN;  // the value is not stored

class ManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Software\tarnbel emptied, and the program's settings key opened on the new one.
  void ResetRegistry();
  // A stored mapping with these entries; Priority and Active are written unless left out.
  void StoreMapping(const std::string& name, int32_t priority, bool active, const std::vector<TEntry>& entries = {});
  int32_t StoredPriority(const std::string& name);
  bool StoredActive(const std::string& name);

  TMappingsManagerForm* Open(bool show = true);
  // Closes the manager as the user does; the monitor frees it on its closed message. False when it stays.
  bool CloseManager();
  // Frees a manager that was not closed.
  void FreeManager();
  std::vector<std::string> Rows();
  std::vector<bool> Checks();
  // Everything posted to the server so far has arrived.
  void SyncServer();
  // The number of messages the server has had, once all posted so far have arrived.
  size_t Mark();
  std::vector<std::string> Payloads(UINT id, size_t from = 0);
  size_t ServerCount(UINT id, size_t from = 0);

  // Answers for the prompts and boxes to come, in order; a box without an answer gets OK, a prompt without
  // one is cancelled.
  void Answer(const std::string& text) { Answers.push_back({true, text}); }
  void CancelPrompt() { Answers.push_back({false, ""}); }
  std::deque<std::pair<bool, std::string>> Answers;
  std::deque<int> BoxAnswers;
  std::vector<TBox> Boxes;
  std::vector<TQuery> Queries;
  // Runs inside the next prompt or box, before it is answered (a hostile event while it is up).
  std::function<void()> DuringModal;
  // The file the next open dialog chooses; empty: cancelled.
  std::string ChosenFile;

  // The program's own loop until done() holds or the time is up.
  bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
  // One round of the program's own loop, for the input drivers.
  static void LoopStep();
  // Keys as the keyboard gives them, through the program's loop (its shortcuts work).
  static bool Keys(std::initializer_list<WORD> modifiers, WORD key);

  std::unique_ptr<testsupport::TRecordingWindow> Server;
  std::unique_ptr<testsupport::TRecordingWindow> Tools;
  std::unique_ptr<TTestLauncher> TestLauncher;
  TTestMonitor* TestMonitor = nullptr;
  TMappingsManagerForm* Manager = nullptr;

 private:
  void RunDuringModal();
  ui::TMessageBoxHandler FOldBoxes;
  ui::TInputQueryHandler FOldQueries;
  ui::TFileDialogHandler FOldFiles;
};

// The manager's toolbar of that caption, and its buttons' actions (null for a separator).
std::vector<ui::TAction*> ToolbarActions(ui::TToolBar* bar);
// Captions of a menu's items, "-" for separators, submenus as "caption>".
std::vector<std::string> MenuCaptions(ui::TMenuItem* menu);

}  // namespace managertest
