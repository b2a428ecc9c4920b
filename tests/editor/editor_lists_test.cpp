// The editor's lists: grouping, sorting and headers per mode, selection rules of header rows, status texts,
// going between an entry and its source, the enabling of the commands, and the rows' colours on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "application.h"
#include "editing_fixture.h"
#include "reg_array.h"
#include "sys_utils.h"
#include "tarnbel_func.h"

using namespace ui;
using namespace editortest;

namespace {

class EditorLists : public EditingFixture {};

// Closes a context menu from inside its loop; stdcall, as Win32 calls it.
void CALLBACK EndMenuOnce(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

TEST_F(EditorLists, EachModeSortsGroupsAndHeadsTheAttachedList) {
  ASSERT_NE(OpenStudio(), nullptr);
  const std::string sub = W + "sub\\";
  struct TCase {
    int Mode;
    std::string Caption;
    std::vector<std::string> Rows;
  } cases[] = {
      {0, "Attached presets by conflicts",
       {" Conflicts", "000: 001: Alt", "000: 001: Zed", "", " No conflicts", "100: 000: x", "100: 001: y", "100: 002: v",
        "drum: 000: Kit"}},
      // Waves of a folder stay one group beside its subfolder and an .sf2 there.
      {1, "Attached presets by source file",
       {" " + A, "000: 001: Alt", "drum: 000: Kit", "", " " + W, "100: 002: v", "100: 000: x", "", " " + sub,
        "100: 001: y", "", " " + Z, "000: 001: Zed"}},
      {2, "Attached presets by assignment",
       {" bank 000", "000: 001: Alt", "000: 001: Zed", "", " bank 100", "100: 000: x", "100: 001: y", "100: 002: v", "",
        " drumsets", "drum: 000: Kit"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Mode);
    EXPECT_EQ(Editor->FilesMode(), c.Mode);
    EXPECT_EQ(Captions(Editor->FilesListView), c.Rows);
    EXPECT_EQ(Editor->FilesListView->Columns()->Items(0)->Caption(), c.Caption);
    ClickColumn(Editor->FilesListView);
  }
  EXPECT_EQ(Editor->FilesMode(), 0);
  // Bank headers carry their bank.
  Editor->FilesListView->SetTag(2);
  Editor->BuildAttachedList();
  EXPECT_EQ(RowOf(Editor->FilesListView, " drumsets")->ImageIndex(), 128);
  EXPECT_EQ(RowOf(Editor->FilesListView, " bank 100")->ImageIndex(), 100);
  // No dividers: rows alone in every mode.
  Editor->ShowListDividersAction->Execute();
  EXPECT_FALSE(Settings->ReadBool("ShowListDividers", true));
  for (int mode = 0; mode < 3; ++mode) {
    EXPECT_EQ(Editor->FilesListView->Items().Count(), 6);
    EXPECT_TRUE(Editor->HeaderRows.empty());
    ClickColumn(Editor->FilesListView);
  }
}

TEST_F(EditorLists, ModeZeroShowsOneHeaderWhenOneKindIsThere) {
  MakeSoundFont("B.sf2", {{0, 0, "One"}});
  {
    TMapping mapping("Plain", false, nullptr, "");
    mapping.AddItem(Folder["B.sf2"], 0, true, 0, "One", 0, 0, 0);
  }
  Settings->WriteBool("ShowListDividers", true);
  ASSERT_NE(OpenEditor("Plain"), nullptr);
  EXPECT_EQ(Captions(Editor->FilesListView), (std::vector<std::string>{" No conflicts", "000: 000: One"}));
}

TEST_F(EditorLists, PresetsListHeadsBySourceKindAndMode) {
  ASSERT_NE(OpenStudio(), nullptr);
  Browse(A);
  EXPECT_EQ(Editor->PresetsListView->Columns()->Items(0)->Caption(), "Presets in file by attachment");
  // Kit holds its slot; Alt only waits, so its source is not attached.
  EXPECT_EQ(Captions(Editor->PresetsListView),
            (std::vector<std::string>{" Attached", "drum: 000: Kit", "", " Unattached", "000: 001: Alt", "000: 005: Five"}));
  ClickColumn(Editor->PresetsListView);
  EXPECT_EQ(Editor->PresetsListView->Columns()->Items(0)->Caption(), "Presets in file by bank");
  EXPECT_EQ(Captions(Editor->PresetsListView),
            (std::vector<std::string>{" bank 000", "000: 001: Alt", "000: 005: Five", "", " bank 128", "drum: 000: Kit"}));
  Browse(Folder["W"]);
  EXPECT_EQ(Editor->PresetsListView->Columns()->Items(0)->Caption(), "Waveforms in folder by name");
  ClickColumn(Editor->PresetsListView);
  EXPECT_EQ(Editor->PresetsListView->Columns()->Items(0)->Caption(), "Waveforms in folder by attachment");
  EXPECT_EQ(Captions(Editor->PresetsListView), (std::vector<std::string>{"v.wav", "x.wav"}));
  Browse(W + "x.wav");
  EXPECT_EQ(Editor->PresetsListView->Columns()->Items(0)->Caption(), "Waveform");
  EXPECT_EQ(Captions(Editor->PresetsListView), (std::vector<std::string>{"x.wav"}));
}

TEST_F(EditorLists, HeaderRowsNeverStaySelectedAndSelectTheirGroup) {
  ASSERT_NE(OpenStudio(), nullptr);
  ClickColumn(Editor->FilesListView);  // by source
  Focus(Editor->FilesListView);
  PressKey('A', {VK_CONTROL});
  EXPECT_EQ(Editor->FilesListView->SelCount(), 6);
  EXPECT_EQ(Status(), "Selected 6 presets");
  RowOf(Editor->FilesListView, " " + W)->SetSelected(true);
  EXPECT_EQ(Editor->FilesListView->SelCount(), 6);
  // A right click on a header selects the rows of its group.
  Editor->FilesListView->ClearSelection();
  RECT r = RowOf(Editor->FilesListView, " " + W)->DisplayRect();
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  // The context menu that follows is closed from a timer.
  SetTimer(nullptr, 0, 300, EndMenuOnce);
  PostMessageA(Editor->FilesListView->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  PostMessageA(Editor->FilesListView->Handle(), WM_RBUTTONUP, 0, at);
  RunUntil([&] { return Editor->FilesListView->SelCount() == 2; }, 2000);
  EXPECT_EQ(SelectedCaptions(Editor->FilesListView), (std::vector<std::string>{"100: 002: v", "100: 000: x"}));
  // Ctrl+A selects nothing while the tree has the focus.
  Editor->FilesListView->ClearSelection();
  Focus(Editor->SystemTreeView);
  PressKey('A', {VK_CONTROL});
  EXPECT_EQ(Editor->FilesListView->SelCount() + Editor->PresetsListView->SelCount(), 0);
}

TEST_F(EditorLists, StatusTextsNameTheSourceAndTheSlot) {
  ASSERT_NE(OpenStudio(), nullptr);
  Editor->Mapping->SetBankName(128, "Kits");
  struct TCase {
    std::string Row;
    std::string Status;
  } attached[] = {
      {"drum: 000: Kit", "(Kits) -- " + A + " -- drum bank : program 0"},
      {"000: 001: Zed", Z + " -- bank 0 : program 1"},
      {"100: 001: y", W + "sub\\y.wav"},
  };
  for (const TCase& c : attached) {
    Select(Editor->FilesListView, {c.Row});
    PressKey(VK_SHIFT);
    EXPECT_EQ(Status(), c.Status);
  }
  Browse(A);
  Select(Editor->PresetsListView, {"drum: 000: Kit"});
  PressKey(VK_SHIFT);
  EXPECT_EQ(Status(), "drum bank (Kits) : program 0");
  Select(Editor->PresetsListView, {"000: 005: Five"});
  PressKey(VK_SHIFT);
  EXPECT_EQ(Status(), "");
}

TEST_F(EditorLists, EnterGoesBetweenAnEntryAndItsSource) {
  ASSERT_NE(OpenStudio(), nullptr);
  Select(Editor->FilesListView, {"drum: 000: Kit"});
  PressKey(VK_RETURN);
  EXPECT_EQ(UpperCase(Editor->SourcePath), UpperCase(A));
  EXPECT_EQ(SelectedCaptions(Editor->PresetsListView), (std::vector<std::string>{"drum: 000: Kit"}));
  Select(Editor->FilesListView, {"100: 002: v"});
  PressKey(VK_RETURN);
  EXPECT_EQ(UpperCase(IncludeTrailingBackslash(Editor->SourcePath)), UpperCase(W));
  EXPECT_EQ(SelectedCaptions(Editor->PresetsListView), (std::vector<std::string>{"v.wav"}));
  // And back: the presets list's Enter selects the entry.
  Select(Editor->PresetsListView, {"x.wav"});
  PressKey(VK_RETURN);
  EXPECT_EQ(SelectedCaptions(Editor->FilesListView), (std::vector<std::string>{"100: 000: x"}));
  // A source gone from the disk: the tree cannot show it, and no other file's preset of that bank and program
  // is taken for the entry.
  Browse(A);
  DeleteFileA(Z.c_str());
  Select(Editor->FilesListView, {"000: 001: Zed"});
  PressKey(VK_RETURN);
  EXPECT_NE(UpperCase(Editor->SourcePath), UpperCase(Z));
  EXPECT_TRUE(SelectedCaptions(Editor->PresetsListView).empty());
}

TEST_F(EditorLists, CommandsAreEnabledByFocusSelectionAndMode) {
  ASSERT_NE(OpenStudio(), nullptr);
  auto enabled = [&](TAction* action) {
    Editor->ActionList1->UpdateActions();
    return action->Enabled();
  };
  TMappingsForm* e = Editor;
  // State, then the expected enabling of: detach/numbers, bank name/colours, Logic, SoundFont, select all,
  // attach all, attach selected.
  struct TCase {
    const char* State;
    std::function<void()> Set;
    bool Entry, Bank, Logic, SoundFont, All, AttachAll, AttachSelected;
  } cases[] = {
      {"entry selected", [&] { Select(e->FilesListView, {"000: 001: Zed"}); }, 1, 1, 1, 1, 1, 0, 0},
      {"conflict header focused", [&] { Select(e->FilesListView, {}); RowOf(e->FilesListView, " Conflicts")->SetFocused(true); },
       1, 0, 0, 1, 1, 0, 0},
      {"bank header focused, by assignment",
       [&] { e->FilesListView->SetTag(2); e->BuildAttachedList(); Select(e->FilesListView, {});
             RowOf(e->FilesListView, " bank 100")->SetFocused(true); },
       1, 1, 1, 1, 1, 0, 0},
      {"tree focused on a file", [&] { Browse(A); Focus(e->SystemTreeView); }, 0, 0, 0, 0, 0, 1, 0},
      {"source selected", [&] { Select(e->PresetsListView, {"000: 005: Five"}); }, 0, 0, 0, 1, 1, 0, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.State);
    c.Set();
    for (TAction* action : {e->DetachAction, e->SetProgramNumberAction, e->SetBankNumberAction,
                            e->SetPresetNameAction, e->PresetPropertiesAction})
      EXPECT_EQ(enabled(action), c.Entry) << action->Name();
    for (TAction* action : {e->SetBankNameAction, e->SetBankColorAction, e->SetBankBackgroundAction})
      EXPECT_EQ(enabled(action), c.Bank) << action->Name();
    EXPECT_EQ(enabled(e->CreateLogicAction), c.Logic);
    EXPECT_EQ(enabled(e->SaveAsSoundFontAction), c.SoundFont);
    EXPECT_EQ(enabled(e->SelectAllAction), c.All);
    EXPECT_EQ(enabled(e->AttachAllFromFileAction), c.AttachAll);
    EXPECT_EQ(enabled(e->SetBankInFileAction), c.AttachAll);
    EXPECT_EQ(enabled(e->AttachSelectedAction), c.AttachSelected);
  }
}

TEST_F(EditorLists, RowsDrawInTheirBanksColoursAndDividersBlank) {
  StoreStudio();
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.SaveOnDestroy = false;
    mapping.SetBankColor(100, std::to_string(RGB(255, 0, 0)));
    mapping.SetBankBackground(100, std::to_string(RGB(0, 0, 255)));
    mapping.SetBankColor(0, "-5");  // no colour: chosen anew
  }
  Settings->WriteBool("ShowListDividers", true);
  Settings->WriteBool("ColoredBackground", true);
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  Editor->FilesListView->SetTag(2);
  Editor->BuildAttachedList();
  Editor->FilesListView->ClearSelection();
  // Painted now, not at some later turn of the loop.
  RedrawWindow(Editor->FilesListView->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // The bank's background fills the header's and the entries' rows; a divider shows the list's own.
  auto pixel = [&](const std::string& caption) {
    RECT r = RowOf(Editor->FilesListView, caption)->DisplayRect();
    HDC dc = GetDC(Editor->FilesListView->Handle());
    COLORREF c = GetPixel(dc, r.right - 3, (r.top + r.bottom) / 2);
    ReleaseDC(Editor->FilesListView->Handle(), dc);
    return c;
  };
  EXPECT_EQ(pixel(" bank 100"), RGB(0, 0, 255));
  EXPECT_EQ(pixel("100: 000: x"), RGB(0, 0, 255));
  EXPECT_EQ(pixel(std::string()), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(Editor->BankFontColor(100), TColor(RGB(255, 0, 0)));
  // A damaged stored colour is chosen again: black text on a coloured background, stored in decimal.
  EXPECT_EQ(Editor->BankFontColor(0), TColor(0));
  EXPECT_EQ(Editor->Mapping->GetBankColor(0), "0");
}

// Colours chosen only to draw the rows (none stored, or one that is no number) are stored with the mapping's
// next save, not when it is shown or left unsaved.
TEST_F(EditorLists, ColoursChosenForShowingAreStoredOnlyBySave) {
  StoreStudio();
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.SetBankColor(0, "red");
  }
  Settings->WriteBool("ColoredBackground", true);
  auto stored = [](const char* list) {
    TRegArray items(std::string(TarnbelKeyPath) + "\\mappings\\Studio\\" + list, true);
    items.SaveOnDestroy = false;
    return items.Items();
  };
  const std::vector<std::string> colors = {"000:red"};
  for (int open = 0; open < 2; ++open) {
    SCOPED_TRACE(open);
    ASSERT_NE(OpenEditor("Studio"), nullptr);
    RedrawWindow(Editor->FilesListView->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Editor->Mapping->GetBankColor(0), "0");
    EXPECT_EQ(stored("BankColors"), colors);
    EXPECT_TRUE(stored("BankBackgrounds").empty());
    if (open == 0) FreeEditor();
  }
  Editor->Modified = true;
  ASSERT_TRUE(Editor->SaveMapping());
  std::vector<std::string> saved = stored("BankColors");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), "000:0"), 1);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), "000:red"), 0);
  EXPECT_EQ(stored("BankBackgrounds").size(), 3u);
}

// Every slot filled: each mode fills, sorts and heads the whole list; Select all takes every entry. The times
// go to the test's output as the benchmark's figures; the test judges only the rows.
TEST_F(EditorLists, AFullMappingFillsEveryModeAndSelectsAll) {
  StoreStudio();
  {
    TMapping mapping("Full", false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program)
        mapping.AddItem(bank % 2 ? A : Z, bank, true, 0, "P" + std::to_string(program), 1, 0, program);
  }
  Settings->WriteBool("ShowListDividers", true);
  auto now = [] {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
  };
  double start = now();
  ASSERT_NE(OpenEditor("Full", false), nullptr);
  const double opened = now() - start;
  const int entries = MappingBanks * MappingPrograms;
  // Mode 0: one header; mode 1: one per source file; mode 2: one per bank, with dividers between.
  const int headers[] = {1, 2, MappingBanks};
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(Editor->FilesMode(), mode);
    // Headers and the dividers between their groups.
    EXPECT_EQ(int(Editor->HeaderRows.size()), 2 * headers[mode] - 1);
    EXPECT_EQ(Editor->FilesListView->Items().Count(), entries + 2 * headers[mode] - 1);
    start = now();
    ClickColumn(Editor->FilesListView);
    std::cout << "regroup from mode " << mode << ": " << now() - start << " ms\n";
  }
  Focus(Editor->FilesListView);
  start = now();
  Editor->SelectAllAction->Execute();
  Editor->ActionList1->UpdateActions();
  const double selected = now() - start;
  EXPECT_EQ(Editor->FilesListView->SelCount(), entries);
  EXPECT_TRUE(Editor->DetachAction->Enabled());
  std::cout << "open " << opened << " ms, select all and enabling " << selected << " ms\n";
}

}  // namespace
