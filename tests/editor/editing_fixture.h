#pragma once
// The editor on a mapping with SoundFont presets, wave files of a folder and of its subfolder, and one
// conflict, for the tests of the lists, the entry commands and preview.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "dialogs.h"
#include "editor_fixture.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"

namespace editortest {

// Answers every box of InputQuery in turn; a null answer cancels. Records the values the boxes start with.
class TAnswers {
 public:
  explicit TAnswers(std::vector<const char*> answers) : FAnswers(std::move(answers)) {
    FPrevious = ui::SetInputQueryHandler([this](const std::string& caption, const std::string& prompt, std::string& value) {
      Asked.push_back(caption + "|" + prompt + "|" + value);
      const char* answer = FNext < FAnswers.size() ? FAnswers[FNext] : nullptr;
      ++FNext;
      if (!answer) return false;
      value = answer;
      return true;
    });
  }
  ~TAnswers() { ui::SetInputQueryHandler(FPrevious); }
  std::vector<std::string> Asked;

 private:
  std::vector<const char*> FAnswers;
  size_t FNext = 0;
  ui::TInputQueryHandler FPrevious;
};

class EditingFixture : public EditorFixture {
 protected:
  // A.sf2 (0:1 "Alt", 128:0 "Kit"), W\z.sf2 (0:1 "Zed"), W\x.wav, W\v.wav and W\sub\y.wav. Stored as
  // "Studio": Zed holds 0:1 with Alt waiting inactive, Kit at 128:0, the waves at 100:0-2.
  void StoreStudio() {
    MakeWave("W\\x.wav");
    MakeWave("W\\v.wav");
    MakeWave("W\\sub\\y.wav");
    A = MakeSoundFont("A.sf2", {{0, 1, "Alt"}, {128, 0, "Kit"}, {0, 5, "Five"}});
    Z = MakeSoundFont("W\\z.sf2", {{0, 1, "Zed"}});
    W = Folder["W"] + "\\";
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Z, 0, true, 0, "Zed", 1, 0, 1);
    mapping.AddItem(A, 0, false, 0, "Alt", 1, 0, 1);
    mapping.AddItem(A, 128, true, 0, "Kit", 0, 128, 0);
    mapping.AddItem(W, 100, true, 0, "x.wav|x", 200, 200, 0);
    mapping.AddItem(W + "sub\\", 100, true, 0, "y.wav|y", 200, 200, 1);
    mapping.AddItem(W, 100, true, 0, "v.wav|v", 200, 200, 2);
  }
  TMappingsForm* OpenStudio(bool dividers = true) {
    StoreStudio();
    Settings->WriteBool("ShowListDividers", dividers);
    return OpenEditor("Studio");
  }
  // A click on the list's column header, as the control reports it.
  static void ClickColumn(ui::TListView* list) {
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = list->Handle();
    nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(list->Handle()));
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    SendMessageA(GetParent(list->Handle()), WM_NOTIFY, nm.hdr.idFrom, LPARAM(&nm));
  }
  static ui::TListItem* RowOf(ui::TListView* list, const std::string& caption) {
    for (int i = 0; i < list->Items().Count(); ++i)
      if (list->Items()[i]->Caption() == caption) return list->Items()[i];
    return nullptr;
  }
  // Focuses the list and selects the rows with these captions, the first focused.
  void Select(ui::TListView* list, const std::vector<std::string>& captions) {
    Focus(list);
    list->ClearSelection();
    for (const std::string& caption : captions) {
      ui::TListItem* row = RowOf(list, caption);
      EXPECT_NE(row, nullptr) << caption;
      if (!row) continue;
      row->SetSelected(true);
      if (caption == captions.front()) row->SetFocused(true);
    }
  }
  std::vector<std::string> SelectedCaptions(ui::TListView* list) {
    std::vector<std::string> captions;
    for (ui::TListItem* row = list->GetNextItem(nullptr, LVNI_SELECTED); row;
         row = list->GetNextItem(row, LVNI_SELECTED))
      captions.push_back(row->Caption());
    return captions;
  }
  std::string Status() { return Editor->StatusBar1->SimpleText(); }
  // The server's messages from an index on, as ids.
  std::vector<UINT> Posts(size_t from) { return Server->Ids(from); }

  std::string A, Z, W;
};

}  // namespace editortest
