// Attaching presets of a source to the edited mapping and detaching them: target slots, the conflict rule of
// a taken slot, wave placement, what the focus selects, the detach question, and drags by the real mouse.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "drag_drop.h"
#include "editor_fixture.h"
#include "gui_probe.h"
#include "message_box_recorder.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "screen.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"
#include "tree_view.h"

using namespace ui;
using namespace editortest;
using testsupport::MessageBoxRecorder;
using testsupport::TGuiProbe;
using TRows = std::vector<std::pair<std::string, int>>;

namespace {

class AttachRulesTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    Settings->WriteBool("DetachConfirmation", false);
    ASSERT_NE(OpenEditor("Studio"), nullptr);
  }
  // Selects the rows (by index) of a list, focused.
  void Select(TListView* list, const std::vector<int>& rows) {
    Focus(list);
    list->ClearSelection();
    for (int row : rows) {
      if (row >= list->Items().Count()) return ADD_FAILURE() << "no row " << row << " in " << list->Name();
      list->Items()[row]->SetSelected(true);
    }
    if (!rows.empty()) list->Items()[rows[0]]->SetFocused(true);
  }
  void AttachRows(const std::string& source, const std::vector<int>& rows) {
    Browse(source);
    Select(Editor->PresetsListView, rows);
    Editor->AttachSelected();
  }
  void Detach(const std::vector<int>& rows) {
    Select(Editor->FilesListView, rows);
    Editor->DetachSelected();
  }
  // The list sorts its rows: these go by caption.
  void DetachNamed(const std::vector<std::string>& captions) {
    std::vector<int> rows;
    for (int i = 0; i < Editor->FilesListView->Items().Count(); ++i)
      for (const std::string& caption : captions)
        if (Editor->FilesListView->Items()[i]->Caption() == caption) rows.push_back(i);
    Detach(rows);
  }
  static TRows Sorted(TRows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  TMappingInactiveItem* Slot(int bank, int program) { return Editor->Mapping->Slot(bank, program); }
  POINT RowPoint(TListView* list, int row) {
    RECT r = list->Items()[row]->DisplayRect(LVIR_LABEL);
    POINT p{r.left + 12, (r.top + r.bottom) / 2};
    ClientToScreen(list->Handle(), &p);
    return p;
  }
  POINT CenterOf(TWinControl* control) {
    RECT r;
    GetWindowRect(control->Handle(), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Runs the input script on a second thread while this thread runs the program's loop; the script's
  // failed waits come back as texts.
  std::vector<std::string> RunScript(const std::function<void(TGuiProbe&, std::vector<std::string>&)>& script) {
    TGuiProbe probe;
    std::vector<std::string> failures;
    std::atomic<bool> done{false};
    POINT saved;
    GetCursorPos(&saved);
    std::thread driver([&] {
      script(probe, failures);
      testsupport::SendLeftButton(false);
      done = true;
    });
    bool finished = RunUntil([&] { return done.load(); }, 30000);
    driver.join();
    if (!finished) failures.push_back("the script did not end");
    RunUntil([] { return DragSource() == nullptr; }, 2000);
    SetCursorPos(saved.x, saved.y);
    return failures;
  }
  // The pointer at a point once the program has seen it there.
  static bool MoveTo(TGuiProbe& probe, POINT to) {
    testsupport::SendMouseTo(to);
    return probe.WaitFor([to] {
      POINT p;
      GetCursorPos(&p);
      return p.x == to.x && p.y == to.y && HIWORD(GetQueueStatus(QS_MOUSEMOVE)) == 0;
    });
  }
  // In steps, so the program sees the way and not only the end.
  static void Glide(TGuiProbe& probe, POINT from, POINT to) {
    for (int i = 1; i <= 6; ++i) MoveTo(probe, POINT{from.x + (to.x - from.x) * i / 6, from.y + (to.y - from.y) * i / 6});
  }
};

TEST_F(AttachRulesTest, ATakenSlotMakesWaitingEntriesAndDetachPromotesTheLastOne) {
  std::string a = MakeSoundFont("a.sf2", {{5, 3, "Alpha"}});
  std::string b = MakeSoundFont("b.sf2", {{5, 3, "Beta"}});
  std::string c = MakeSoundFont("c.sf2", {{5, 3, "Gamma"}});
  struct TStep {
    std::function<void()> Act;
    TRows Rows;
    std::string Holder;  // source file of slot 5:3, empty for none
  };
  for (const TStep& step : std::vector<TStep>{
           {[&] { AttachRows(a, {0}); }, {{"005: 003: Alpha", 0}}, a},
           {[&] { AttachRows(b, {0}); }, {{"005: 003: Alpha", 2}, {"005: 003: Beta", 1}}, a},
           {[&] { AttachRows(c, {0}); }, {{"005: 003: Alpha", 2}, {"005: 003: Beta", 1}, {"005: 003: Gamma", 1}}, a},
           // The holder goes: the entry added last takes the slot and is still marked, one waits.
           {[&] { DetachNamed({"005: 003: Alpha"}); }, {{"005: 003: Beta", 1}, {"005: 003: Gamma", 2}}, c},
           {[&] { DetachNamed({"005: 003: Gamma"}); }, {{"005: 003: Beta", 0}}, b},
           {[&] { DetachNamed({"005: 003: Beta"}); }, {}, ""}}) {
    step.Act();
    EXPECT_EQ(Sorted(Rows(Editor->FilesListView)), Sorted(step.Rows));
    TMappingInactiveItem* holder = Slot(5, 3);
    EXPECT_EQ(holder ? holder->GetSourceName() : "", step.Holder);
    if (holder) {
      EXPECT_EQ(Editor->RowOfEntry(holder)->Data(), holder);
    }
  }
  EXPECT_TRUE(Editor->Mapping->Inactive.empty());
  EXPECT_TRUE(Editor->Modified);
  // Detaching a waiting entry clears its holder's mark once none waits any more.
  AttachRows(a, {0});
  AttachRows(b, {0});
  DetachNamed({"005: 003: Beta"});
  EXPECT_EQ(Rows(Editor->FilesListView), (TRows{{"005: 003: Alpha", 0}}));
}

TEST_F(AttachRulesTest, NamesDrumKitsAndWavesFindTheirSlots) {
  std::string kit = MakeSoundFont("kit.sf2", {{128, 8, "Room Kit"}, {0, 1, "Bright"}});
  MakeWave("waves\\ah.wav");
  AttachRows(kit, {0, 1});
  EXPECT_EQ(Slot(128, 8)->Name, "Room Kit");
  EXPECT_EQ(Slot(0, 1)->Name, "Bright");
  EXPECT_EQ(Sorted(Rows(Editor->FilesListView)), Sorted(TRows{{"drum: 008: Room Kit", 4}, {"000: 001: Bright", 0}}));

  struct TCase {
    int WaveBank;
    bool SwitchToNext;
    int FullBanks;  // filled before, from the wave bank on
    int Bank, Program;
    bool Active;
  };
  EditorSettings.ConflictsConfirmation = false;
  int round = 0;
  for (const TCase& c : std::vector<TCase>{{100, true, 0, 100, 0, true},
                                           {100, true, 1, 101, 0, true},
                                           {100, false, 1, 100, 0, false},
                                           {9999, true, 0, 127, 0, true},
                                           {-5, true, 0, 0, 0, true},
                                           {127, true, 1, 127, 0, false}}) {
    SCOPED_TRACE(round);
    Editor->SwitchToMapping("Waves" + std::to_string(++round));
    EditorSettings.DefaultWaveBank = c.WaveBank;
    EditorSettings.SwitchToNextWave = c.SwitchToNext;
    for (int full = 0; full < c.FullBanks; ++full)
      for (int program = 0; program < 128; ++program)
        Editor->Mapping->AddItem(kit, WaveBankInRange(c.WaveBank) + full, true, 0, "Filler", 1, 0, program);
    AttachRows(Folder["waves"], {0});
    TMappingInactiveItem* entry = c.Active ? Slot(c.Bank, c.Program) : Editor->Mapping->Inactive.back().get();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(int(entry->TargetBank), c.Bank);
    EXPECT_EQ(int(entry->TargetProgram), c.Program);
    EXPECT_TRUE(entry->IsWave());
    EXPECT_EQ(entry->SourceFileText(), Folder["waves\\"]);
    EXPECT_EQ(entry->Name, "ah.wav|ah.wav");
    EXPECT_EQ(entry->GetSourceName(), Folder["waves\\ah.wav"]);
    EXPECT_EQ(Captions(Editor->FilesListView).back(),
              IntToStrZero(c.Bank, 3) + ": " + IntToStrZero(c.Program, 3) + ": ah.wav");
  }
}

TEST_F(AttachRulesTest, TheFocusDecidesWhatIsAttachedAndWhatDetached) {
  std::string bank = MakeSoundFont("gm.sf2", {{0, 0, "One"}, {0, 1, "Two"}, {0, 2, "Three"}});
  Browse(bank);
  Editor->PresetsListView->Items()[1]->SetSelected(true);
  struct TCase {
    TWinControl* Focused;
    int Total;  // attached rows after the command
    bool AllEnabled, SelectedEnabled;
  };
  for (const TCase& c : std::vector<TCase>{{Editor->FilesListView, 0, false, false},
                                           {Editor->PresetsListView, 1, false, true},
                                           {Editor->SystemTreeView, 4, true, false}}) {
    Editor->PresetsListView->Items()[1]->SetSelected(true);
    Focus(c.Focused);
    Editor->UpdateActions();
    EXPECT_EQ(Editor->AttachAllFromFileAction->Enabled(), c.AllEnabled);
    EXPECT_EQ(Editor->AttachSelectedAction->Enabled(), c.SelectedEnabled);
    Editor->AttachSelected();
    EXPECT_EQ(Editor->FilesListView->Items().Count(), c.Total) << c.Focused->Name();
  }
  // Del detaches only in the attached list, and only selected entries.
  Select(Editor->FilesListView, {0});
  Focus(Editor->SystemTreeView);
  PressKey(VK_DELETE);
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 4);
  Editor->UpdateActions();
  EXPECT_FALSE(Editor->DetachAction->Enabled());
  Select(Editor->FilesListView, {0, 1});
  Editor->UpdateActions();
  EXPECT_TRUE(Editor->DetachAction->Enabled());
  PressKey(VK_DELETE);
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 2);
  // Ins and Ctrl+T are the attach commands' keys.
  Browse(bank);
  Select(Editor->PresetsListView, {0});
  PressKey(VK_INSERT);
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 3);
  Focus(Editor->SystemTreeView);
  PressKey('T', {VK_CONTROL});
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 6);
  Select(Editor->FilesListView, {0});
  PressKey('D', {VK_CONTROL});
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 5);
}

TEST_F(AttachRulesTest, DetachAsksWithTheCountFirst) {
  EditorSettings.DetachConfirmation = true;
  std::string bank = MakeSoundFont("gm.sf2", {{0, 0, "One"}, {0, 1, "Two"}});
  AttachRows(bank, {0, 1});
  struct TCase {
    std::vector<int> Rows;
    int Answer;
    std::string Text;
    int Left;
  };
  for (const TCase& c : std::vector<TCase>{{{0, 1}, IDCANCEL, "Really detach 2 presets ?", 2},
                                           {{1}, IDOK, "Really detach 1 preset ?", 1}}) {
    MessageBoxRecorder box(c.Answer);
    Detach(c.Rows);
    ASSERT_EQ(box.Boxes.size(), 1u);
    EXPECT_EQ(box.Boxes[0].Text, c.Text);
    EXPECT_EQ(box.Boxes[0].Caption, "Confirmation");
    EXPECT_EQ(box.Boxes[0].Flags & (MB_TYPEMASK | MB_DEFMASK), UINT(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(Editor->FilesListView->Items().Count(), c.Left);
  }
}

TEST_F(AttachRulesTest, PresetsWithoutASlotAreCountedNotTakenForWaves) {
  std::string odd = MakeSoundFont("odd.sf2", {{200, 0, "High"}, {129, 1, "Beyond"}, {0, 1, "Fine"}});
  Browse(odd);
  Focus(Editor->SystemTreeView);
  Editor->AttachSelected();
  EXPECT_EQ(Captions(Editor->FilesListView), std::vector<std::string>{"000: 001: Fine"});
  EXPECT_EQ(Editor->StatusBar1->SimpleText(), "Not attached: 2 presets have no slot (banks 0-128, programs 0-127)");
  for (int bank = 0; bank < MappingBanks; ++bank)
    for (int program = 0; program < MappingPrograms; ++program)
      if (TMappingInactiveItem* entry = Slot(bank, program)) {
        EXPECT_FALSE(entry->IsWave());
      }
}

TEST_F(AttachRulesTest, ASlotHeldByAnEntryWithoutARowIsNotTakenAway) {
  std::string bank = MakeSoundFont("gm.sf2", {{5, 3, "Beta"}});
  Editor->Mapping->AddItem(Folder["other.sf2"], 5, true, 0, "Alpha", 3, 5, 3);
  TMappingInactiveItem* holder = Slot(5, 3);
  AttachRows(bank, {0});
  EXPECT_EQ(Slot(5, 3), holder);
  EXPECT_EQ(holder->Name, "Alpha");
  EXPECT_EQ(Rows(Editor->FilesListView), (TRows{{"005: 003: Beta", 1}}));
  ASSERT_EQ(Editor->Mapping->Inactive.size(), 1u);
}

TEST_F(AttachRulesTest, AttachingAtASlotSplitsWaveNamesAndReadsTheDrumBank) {
  Editor->AttachPresetAt("C:\\w\\ah.wav", 200, "Ah", 4, 100, 200);
  Editor->AttachPresetAt("C:\\sf\\gm.sf2", 0, "Kit", 0, 32768, 5);
  Editor->AttachPresetAt("C:\\sf\\gm.sf2", 0, "Kit 2", 0, 128, 6);
  EXPECT_EQ(Rows(Editor->FilesListView),
            (TRows{{"100: 004: Ah", 8}, {"drum: 000: Kit", 6}, {"drum: 000: Kit 2", 5}}));
  EXPECT_EQ(Slot(100, 4)->SourceFileText(), "C:\\w\\");
  EXPECT_EQ(Slot(100, 4)->Name, "ah.wav|Ah");
  EXPECT_EQ(Slot(128, 0)->SourceProgram, 5u);
}

TEST_F(AttachRulesTest, DragsByTheMouseAttachDetachAndCancel) {
  std::string a = MakeSoundFont("a.sf2", {{0, 0, "One"}, {0, 1, "Two"}});
  std::string b = MakeSoundFont("b.sf2", {{0, 5, "Five"}, {0, 6, "Six"}, {0, 7, "Seven"}});
  HCURSOR sourceOne = Screen().Cursors(crDragSourceOne), attachedOne = Screen().Cursors(crDragAttachedOne);
  HCURSOR sourceMany = Screen().Cursors(crDragSourceMany), saved = Screen().Cursors(crSavedNoDrop);
  Browse(a);
  Select(Editor->PresetsListView, {});
  RunFor(100);

  // A preset row over the attached list and out to the status bar: released there, it is attached.
  bool cursorOver = false, cursorOut = false;
  // Straight down from the attached list to the status bar below it: no other pane on the way.
  POINT row = RowPoint(Editor->PresetsListView, 1), files = CenterOf(Editor->FilesListView),
        status{files.x, CenterOf(Editor->StatusBar1).y};
  std::vector<std::string> failures = RunScript([&](TGuiProbe& probe, std::vector<std::string>& f) {
    MoveTo(probe, row);
    testsupport::SendLeftButton(true);
    if (!probe.WaitFor([&] { return Editor->PresetsListView->Items()[1]->Selected(); })) f.push_back("no press");
    Glide(probe, row, files);
    if (!probe.WaitFor([&] { return Editor->DragTarget == Editor->FilesListView; })) f.push_back("not over files");
    cursorOver = probe.Ask([&] { return SameImage(GetCursor(), sourceOne); });
    Glide(probe, files, status);
    if (!probe.WaitFor([&] { return SameImage(Screen().Cursors(crNoDrop), saved); })) f.push_back("not restored");
    cursorOut = probe.Ask([&] { return SameImage(GetCursor(), saved); });
    testsupport::SendLeftButton(false);
    probe.WaitFor([&] { return DragSource() == nullptr; });
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_TRUE(cursorOver) << "the no-drop cursor shows one source preset";
  EXPECT_TRUE(cursorOut);
  ASSERT_EQ(Captions(Editor->FilesListView), std::vector<std::string>{"000: 001: Two"});

  // The attached row dragged over the presets and released: detached.
  bool detachCursor = false;
  POINT attached = RowPoint(Editor->FilesListView, 0), presets = CenterOf(Editor->PresetsListView);
  failures = RunScript([&](TGuiProbe& probe, std::vector<std::string>& f) {
    MoveTo(probe, attached);
    testsupport::SendLeftButton(true);
    if (!probe.WaitFor([&] { return Editor->FilesListView->Items()[0]->Selected(); })) f.push_back("no press");
    Glide(probe, attached, presets);
    if (!probe.WaitFor([&] { return Editor->DragTarget == Editor->PresetsListView; })) f.push_back("not over presets");
    detachCursor = probe.Ask([&] { return SameImage(GetCursor(), attachedOne); });
    testsupport::SendLeftButton(false);
    probe.WaitFor([&] { return DragSource() == nullptr; });
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_TRUE(detachCursor);
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 0);

  // Escape over the attached list: nothing happens, the no-drop image comes back.
  failures = RunScript([&](TGuiProbe& probe, std::vector<std::string>& f) {
    MoveTo(probe, row);
    testsupport::SendLeftButton(true);
    probe.WaitFor([&] { return Editor->PresetsListView->Items()[1]->Selected(); });
    Glide(probe, row, files);
    if (!probe.WaitFor([&] { return Editor->DragTarget == Editor->FilesListView; })) f.push_back("not over files");
    testsupport::SendKeyTap(VK_ESCAPE);
    if (!probe.WaitFor([&] { return DragSource() == nullptr; })) f.push_back("still dragging");
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 0);
  EXPECT_TRUE(SameImage(Screen().Cursors(crNoDrop), saved));

  // A file node of the tree that is not selected: its presets, not the selection's, are attached.
  Browse(a);
  TTreeNode* node = Editor->SystemTreeView->Selected()->Parent()->GetFirstChild();
  while (node && node->Text() != "b.sf2") node = node->GetNextSibling();
  ASSERT_NE(node, nullptr);
  RECT r = node->DisplayRect(true);
  POINT bNode{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(Editor->SystemTreeView->Handle(), &bNode);
  bool treeCursor = false;
  failures = RunScript([&](TGuiProbe& probe, std::vector<std::string>& f) {
    MoveTo(probe, bNode);
    testsupport::SendLeftButton(true);
    Glide(probe, bNode, files);
    if (!probe.WaitFor([&] { return Editor->DragTarget == Editor->FilesListView; })) f.push_back("not over files");
    treeCursor = probe.Ask([&] { return SameImage(GetCursor(), sourceMany); });
    testsupport::SendLeftButton(false);
    probe.WaitFor([&] { return DragSource() == nullptr; });
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_TRUE(treeCursor);
  EXPECT_EQ(Captions(Editor->FilesListView),
            (std::vector<std::string>{"000: 005: Five", "000: 006: Six", "000: 007: Seven"}));
}

}  // namespace
