// The editor's own integrity check while it rewrites entries: the attached rows between two rewrites, and
// the presets pane once the check is over.
#include <set>

#include "editor_fixture.h"
#include "modal_driver.h"
#include "screen.h"
#include "sys_utils.h"
#include "tarnbel_mapping.h"
#include "tarnbel_validator_dialog.h"

using namespace ui;
using namespace editortest;
using testsupport::TModalDriver;

namespace {

TValidatorDialog* ShownDialog() {
  for (int i = 0; i < Screen().FormCount(); ++i)
    if (auto* dialog = dynamic_cast<TValidatorDialog*>(Screen().Forms(i)))
      if (dialog->Visible()) return dialog;
  return nullptr;
}

class EditorChecker : public EditorFixture {
 protected:
  // Answers the question about the preset of that name: the file chosen, this entry only, then OK; first
  // runs between (the check waits in its question).
  TModalDriver::TStep Choose(const std::string& preset, const std::string& file, std::function<void()> between = {}) {
    return [=] {
      TValidatorDialog* dialog = ShownDialog();
      if (!dialog || dialog->PresetLabel->Caption().find("\"" + preset + "\"") == std::string::npos) return false;
      if (between) between();
      dialog->KitSystemTreeView1->SetSelection(file);
      dialog->CheckBox1->SetChecked(false);
      PostMessageA(dialog->OKButton->Handle(), BM_CLICK, 0, 0);
      return true;
    };
  }
  void Check(std::vector<TModalDriver::TStep> steps) {
    TModalDriver driver(nullptr, std::move(steps));
    Editor->CheckMappingAction->Execute();
    EXPECT_TRUE(driver.AllDone());
  }
  // The presets pane's rows with a source (no headers), with their icons.
  std::vector<std::pair<std::string, int>> PresetRows() {
    std::vector<std::pair<std::string, int>> rows;
    for (const auto& row : Rows(Editor->PresetsListView))
      if (!row.first.empty() && row.first[0] != ' ') rows.push_back(row);
    return rows;
  }
  // Rows whose entry is none of the mapping's own.
  int StaleRows() {
    std::set<const TMappingInactiveItem*> live;
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program) live.insert(Editor->Mapping->Slot(bank, program));
    for (const auto& entry : Editor->Mapping->Inactive) live.insert(entry.get());
    int stale = 0;
    TListItems& items = Editor->FilesListView->Items();
    for (int i = 0; i < items.Count(); ++i)
      if (const TMappingInactiveItem* entry = Editor->EntryOfRow(items[i])) stale += live.count(entry) == 0;
    return stale;
  }
};

}  // namespace

// The first rewrite replaces an entry that a row shows; the list is repainted while the check asks its
// second question. The row shows the entry that took its place, and no colour is kept for a bank without
// entries.
TEST_F(EditorChecker, RowsFollowEachRewriteWhileTheCheckAsks) {
  const std::string moved = MakeSoundFont("moved.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  const std::string home = MakeSoundFont("home.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  {
    TMapping mapping("Moved", false, nullptr, "");
    mapping.AddItem(home, 0, true, 0, "Piano", 0, 0, 0);
    mapping.AddItem(home, 0, true, 0, "Organ", 1, 0, 1);
  }
  OpenEditor("Moved");
  ASSERT_EQ(StaleRows(), 0);
  MakeSoundFont("home.sf2", {{5, 5, "Other"}});
  int staleAtRepaint = -1;
  std::vector<std::string> shownAtRepaint;
  Check({Choose("Piano", moved), Choose("Organ", moved, [&] {
           RedrawWindow(Editor->FilesListView->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
           staleAtRepaint = StaleRows();
           shownAtRepaint = Captions(Editor->FilesListView);
         })});
  EXPECT_EQ(staleAtRepaint, 0);
  EXPECT_EQ(shownAtRepaint, Captions(Editor->FilesListView));
  EXPECT_EQ(StaleRows(), 0);
  for (int bank = 1; bank < MappingBanks; ++bank) {
    EXPECT_EQ(Editor->Mapping->GetBankColor(bank), "") << bank;
    EXPECT_EQ(Editor->Mapping->GetBankBackground(bank), "") << bank;
  }
  EXPECT_EQ(Editor->Mapping->Slot(0, 0)->SourceFileText(), moved);
  EXPECT_EQ(Editor->Mapping->Slot(0, 1)->SourceFileText(), moved);
}

// Once the check has moved the entries to another file, the presets pane shows what is on disk now.
TEST_F(EditorChecker, ThePresetsPaneFollowsTheRedirectedEntries) {
  struct TCase {
    const char* What;
    bool BrowseNewFile;  // else the pane still shows the file that is gone
    std::vector<std::pair<std::string, int>> Shown;
  };
  const TCase cases[] = {
      {"the vanished file", false, {}},
      // Marked attached (icon 0) once the entry points at it.
      {"the new file", true, {{"000: 000: Piano", 0}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const std::string suffix = c.BrowseNewFile ? "b" : "a";
    const std::string gone = MakeSoundFont("gone_" + suffix + ".sf2", {{0, 0, "Piano"}});
    const std::string found = MakeSoundFont("found_" + suffix + ".sf2", {{0, 0, "Piano"}});
    { TMapping("Moved " + suffix, false, nullptr, "").AddItem(gone, 0, true, 0, "Piano", 0, 0, 0); }
    OpenEditor("Moved " + suffix);
    Browse(c.BrowseNewFile ? found : gone);
    ASSERT_FALSE(PresetRows().empty());
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    Check({Choose("Piano", found)});
    EXPECT_TRUE(RunUntil([&] { return !Editor->Busy() && PresetRows() == c.Shown; }))
        << PresetRows().size() << " rows";
    FreeEditor();
  }
}
