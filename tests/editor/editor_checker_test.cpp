// The editor's own integrity check while it rewrites entries: the attached rows between two rewrites, and
// the presets pane once the check is over.
#include <set>

#include "editor_fixture.h"
#include "modal_driver.h"
#include "screen.h"
#include "tarnbel_validator_dialog.h"

using namespace ui;
using namespace editortest;
using testsupport::TModalDriver;

namespace {

class EditorChecker : public EditorFixture {
 protected:
  // Answers the question about the named preset with the file, for this entry only; first runs between.
  static TModalDriver::TStep Choose(const std::string& preset, const std::string& file, std::function<void()> between = {}) {
    return [=] {
      TValidatorDialog* dialog = nullptr;
      for (int i = 0; i < Screen().FormCount() && !dialog; ++i)
        if ((dialog = dynamic_cast<TValidatorDialog*>(Screen().Forms(i))) && !dialog->Visible()) dialog = nullptr;
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
  // Rows whose entry is none of the mapping's own.
  int StaleRows() {
    std::set<const TMappingInactiveItem*> live;
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program) live.insert(Editor->Mapping->Slot(bank, program));
    int stale = 0;
    for (int i = 0; i < Editor->FilesListView->Items().Count(); ++i)
      if (const TMappingInactiveItem* entry = Editor->EntryOfRow(Editor->FilesListView->Items()[i]))
        stale += live.count(entry) == 0;
    return stale;
  }
  // The presets pane's source rows (no headers) with their icons.
  std::vector<std::pair<std::string, int>> PresetRows() {
    std::vector<std::pair<std::string, int>> rows;
    for (const auto& row : Rows(Editor->PresetsListView))
      if (!row.first.empty() && row.first[0] != ' ') rows.push_back(row);
    return rows;
  }
};

}  // namespace

// The list is repainted while the check asks its second question, after its first rewrite: each row shows a
// live entry, and no colour is kept for a bank without entries.
TEST_F(EditorChecker, RowsFollowEachRewriteWhileTheCheckAsks) {
  const std::string moved = MakeSoundFont("moved.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  const std::string home = MakeSoundFont("home.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  {
    TMapping mapping("Moved", false, nullptr, "");
    mapping.AddItem(home, 0, true, 0, "Piano", 0, 0, 0);
    mapping.AddItem(home, 0, true, 0, "Organ", 1, 0, 1);
  }
  OpenEditor("Moved");
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
  EXPECT_EQ(Editor->Mapping->Slot(0, 1)->SourceFileText(), moved);
  for (int bank = 1; bank < MappingBanks; ++bank)
    EXPECT_EQ(Editor->Mapping->GetBankColor(bank) + Editor->Mapping->GetBankBackground(bank), "") << bank;
}

// Once the check has moved the entry to another file, the presets pane shows what is on disk now.
TEST_F(EditorChecker, ThePresetsPaneFollowsTheRedirectedEntries) {
  struct TCase {
    std::string Suffix;
    bool BrowseNewFile;  // else the pane shows the file that is gone
    std::vector<std::pair<std::string, int>> Shown;
  };
  for (const TCase& c : {TCase{"a", false, {}}, TCase{"b", true, {{"000: 000: Piano", 0}}}}) {
    SCOPED_TRACE(c.BrowseNewFile ? "the new file" : "the vanished file");
    const std::string gone = MakeSoundFont("gone_" + c.Suffix + ".sf2", {{0, 0, "Piano"}});
    const std::string found = MakeSoundFont("found_" + c.Suffix + ".sf2", {{0, 0, "Piano"}});
    TMapping("Moved " + c.Suffix, false, nullptr, "").AddItem(gone, 0, true, 0, "Piano", 0, 0, 0);
    OpenEditor("Moved " + c.Suffix);
    Browse(c.BrowseNewFile ? found : gone);
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    Check({Choose("Piano", found)});
    EXPECT_TRUE(RunUntil([&] { return !Editor->Busy() && PresetRows() == c.Shown; })) << PresetRows().size();
    FreeEditor();
  }
}
