// The keyboard as a user meets it in the editor, with real key and mouse input: it stays with the editor after
// the windows the editor opens for its own work, and Tab and type-ahead walk the panes as they are shown.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>

#include "application.h"
#include "editor_fixture.h"
#include "modal_driver.h"
#include "screen.h"
#include "send_input.h"
#include "tarnbel_mapping.h"
#include "tarnbel_validator_dialog.h"
#include "tarnbel_wave_settings_form.h"
#include "window_shot.h"

using namespace ui;
using namespace editortest;
using testsupport::TModalDriver;

namespace {

class EditorFocus : public EditorFixture {
 protected:
  static void Step() { Application().HandleMessage(); }
  // Real keys through the program's own loop, as its shortcuts and dialog keys see them.
  static bool Keys(std::initializer_list<WORD> held, WORD key) { return testsupport::KeyChord(held, key, Step); }
  static TValidatorDialog* ShownChecker() {
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (auto* dialog = dynamic_cast<TValidatorDialog*>(Screen().Forms(i)))
        if (dialog->Visible()) return dialog;
    return nullptr;
  }
  // Ctrl+O reaches the editor when its preferences dialog comes up.
  bool CtrlOOpensThePreferences() {
    bool opened = false;
    TModalDriver driver(nullptr, {[&] {
                          auto* dialog = dynamic_cast<TWaveSettingsForm*>(Screen().ActiveForm());
                          if (!dialog || !dialog->Visible()) return false;
                          opened = true;
                          dialog->SetModalResult(mrCancel);
                          return true;
                        }},
                        3000);
    return Keys({VK_CONTROL}, 'O') && RunUntil([&] { return opened && !driver.TimedOut(); }, 3000);
  }
};

TEST_F(EditorFocus, TheKeyboardStaysWithTheEditorAfterItsSaveAndItsChecker) {
  const std::string bank = MakeSoundFont("gm.sf2", {{0, 0, "Piano"}, {0, 5, "Strings"}});
  const std::string renamed = Folder["renamed.sf2"];
  { TMapping("Studio", false, nullptr, "").AddItem(bank, 0, true, 0, "Piano", 0, 0, 0); }
  // The monitor is shown, as it is when the launcher opens the editor.
  Monitor->Show();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  struct TCase {
    const char* What;
    std::function<void()> Run;
  } cases[] = {
      {"save with Ctrl+S",
       [&] {
         Editor->AttachPresetAt(bank, 0, "Strings", 5, 0, 5);
         Editor->Modified = true;
         ASSERT_TRUE(RunUntil([&] { return Editor->SaveMappingAction->Enabled(); }));
         const int saved = MappingSavedCount();
         ASSERT_TRUE(Keys({VK_CONTROL}, 'S'));
         ASSERT_TRUE(RunUntil([&] { return MappingSavedCount() == saved + 1; }));
       }},
      {"the checker's OK on a renamed file",
       [&] {
         ASSERT_TRUE(MoveFileA(bank.c_str(), renamed.c_str()));
         // The user picks the file and clicks OK.
         TModalDriver checker(nullptr, {[&] {
                                          TValidatorDialog* dialog = ShownChecker();
                                          if (!dialog) return false;
                                          dialog->KitSystemTreeView1->SetSelection(renamed);
                                          if (!dialog->OKButton->Enabled()) return false;
                                          RECT r;
                                          GetWindowRect(dialog->OKButton->Handle(), &r);
                                          testsupport::SendMouseTo(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
                                          testsupport::SendLeftButton(true);
                                          testsupport::SendLeftButton(false);
                                          return true;
                                        },
                                        [] { return ShownChecker() == nullptr; }});
         testsupport::CursorKeeper cursor;
         Editor->CheckMappingAction->Execute();
         ASSERT_TRUE(checker.AllDone());
         EXPECT_FALSE(checker.TimedOut());
         EXPECT_EQ(Editor->Mapping->Slot(0, 0)->GetSourceName(), renamed);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Focus(Editor->FilesListView);
    ASSERT_EQ(GetForegroundWindow(), Editor->Handle());
    c.Run();
    EXPECT_EQ(GetForegroundWindow(), Editor->Handle());
    EXPECT_EQ(GetActiveWindow(), Editor->Handle());
    EXPECT_EQ(GetFocus(), Editor->FilesListView->Handle());
    // For a look by eye: TARNBEL_FOCUS_SHOTS names a folder for the pictures of the editor at this point.
    if (const char* folder = std::getenv("TARNBEL_FOCUS_SHOTS")) {
      // A picture for the eye only: what was painted reaches the screen as the loop runs.
      RedrawWindow(Editor->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      RunFor(200);
      testsupport::SaveWindowShot(Editor->Handle(), std::string(folder) + "\\" + c.What + ".bmp");
    }
    EXPECT_TRUE(CtrlOOpensThePreferences());
  }
}

TEST_F(EditorFocus, TabFollowsThePanesAndLettersFindRowsInBothLists) {
  const std::string bank = MakeSoundFont("gm.sf2", {{0, 0, "Piano"}, {128, 0, "Kit"}});
  for (const char* name : {"apple.wav", "banana.wav", "cherry.wav", "cello.wav"}) MakeWave(std::string("w\\") + name);
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(bank, 0, true, 0, "Piano", 0, 0, 0);
    mapping.AddItem(bank, 128, true, 0, "Kit", 0, 128, 0);
    mapping.AddItem(bank, 5, true, 0, "Piano", 0, 0, 0);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  Browse(Folder["w"]);
  TWinControl* tree = Editor->SystemTreeView;
  TListView* presets = Editor->PresetsListView;
  TListView* files = Editor->FilesListView;
  auto focusedRow = [](TListView* list) {
    TListItem* row = list->ItemFocused();
    return row ? row->Caption() : std::string("(none)");
  };
  // Each key from where the last one left the keyboard. The letters of a word go in at once: typed within the
  // list's short pause, they search for the word, not for each letter.
  struct TCase {
    const char* What;
    std::initializer_list<WORD> Held;
    const char* Keys;
    TWinControl* Focused;
    const char* Row;  // the focused row of that list, when it is one
  } cases[] = {
      {"Tab from the tree", {}, "\t", presets, nullptr},
      {"Tab from the presets", {}, "\t", files, nullptr},
      {"Tab from the attached presets", {}, "\t", tree, nullptr},
      {"Shift+Tab from the tree", {VK_SHIFT}, "\t", files, nullptr},
      {"Shift+Tab from the attached presets", {VK_SHIFT}, "\t", presets, nullptr},
      {"CH in the presets", {}, "CH", presets, "cherry.wav"},
      {"Tab to the attached presets", {}, "\t", files, nullptr},
      {"D in the attached presets", {}, "D", files, "drum: 000: Kit"},
  };
  Focus(tree);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    for (WORD held : c.Held) testsupport::SendKey(held, true);
    for (const char* key = c.Keys; *key; ++key) testsupport::SendKeyTap(*key == '\t' ? VK_TAB : WORD(*key));
    for (WORD held : c.Held) testsupport::SendKey(held, false);
    ASSERT_TRUE(testsupport::PumpUntil([] { return testsupport::InputDelivered(QS_KEY); }, 2000, Step));
    EXPECT_EQ(GetFocus(), c.Focused->Handle());
    if (c.Row) {
      EXPECT_EQ(focusedRow(static_cast<TListView*>(c.Focused)), c.Row);
    }
  }
}

}  // namespace
