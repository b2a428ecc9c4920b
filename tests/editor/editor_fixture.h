#pragma once
// The mapping editor in the test process, as the launcher opens it: a real window on a stored mapping, the
// server's window played by a recording window, a stand-in monitor that hears the closed message, and a
// launcher with its window actions and images.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "action.h"
#include "form.h"
#include "image_list.h"
#include "recording_window.h"
#include "scratch_folder.h"
#include "sf2_builder.h"
#include "tarnbel_mappings_form.h"
#include "test_launcher.h"

namespace editortest {

// The monitor's window as the once-windows know it: it records their closed messages.
class TTestMonitor : public ui::TForm {
 public:
  explicit TTestMonitor(ui::TComponent* owner) : ui::TForm(owner) {}
  std::vector<UINT> Closed;
  void WndProc(ui::TMessage& message) override;
};

// Two cursors draw alike: same mask and colour bits.
bool SameImage(HCURSOR a, HCURSOR b);

class EditorFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A stored mapping's editor, initialised (and shown) as the launcher does it.
  TMappingsForm* OpenEditor(const std::string& mapping, bool show = true);
  // Frees the editor as the monitor would after its closed message.
  void FreeEditor();
  // The program's own loop until done() holds or the time is up.
  bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
  void RunFor(DWORD ms);

  // A SoundFont with one preset per (bank, program, name) in the scratch folder.
  struct TPreset {
    int Bank;
    int Program;
    std::string Name;
  };
  std::string MakeSoundFont(const std::string& fileName, const std::vector<TPreset>& presets);
  std::string MakeWave(const std::string& relativePath);
  // The editor's tree shows the path (a file or a folder) and the presets list its sources.
  void Browse(const std::string& path);
  // Presses keys with the shift state held, as the keyboard gives them to the focused control.
  void PressKey(WORD key, std::initializer_list<int> held = {});
  void Focus(ui::TWinControl* control);

  // The rows of a list as (caption, state icon).
  static std::vector<std::pair<std::string, int>> Rows(ui::TListView* list);
  static std::vector<std::string> Captions(ui::TListView* list);
  int MappingSavedCount() const;
  // What a fresh load of the stored mapping holds: entry strings by source file.
  static std::vector<std::string> StoredEntries(const std::string& mapping);

  std::unique_ptr<testsupport::TRecordingWindow> Server;
  std::unique_ptr<TTestLauncher> TestLauncher;
  TTestMonitor* Monitor = nullptr;
  TMappingsForm* Editor = nullptr;
  testsupport::TScratchFolder Folder{"editor"};
};

}  // namespace editortest
