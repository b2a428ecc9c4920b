// The editing commands on entries and banks, and preview: the answers the number boxes take or refuse, names
// kept whole, bank names and colours as stored, merging, and the server's messages in order.
#include <gtest/gtest.h>

#include <algorithm>

#include "choose_mapping_form.h"
#include "dialogs.h"
#include "editing_fixture.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "oracle_programs.h"
#include "route_record.h"
#include "tarnbel_properties_form.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"

using namespace ui;
using namespace editortest;
using testsupport::MessageBoxRecorder;
using testsupport::TModalDriver;

namespace {

const std::string MappingsKey = std::string(TarnbelKeyPath) + "\\mappings\\";

class EditorItems : public EditingFixture {
 protected:
  // The server's messages from an index on, once as many as expected have come through the loop.
  std::vector<UINT> PostsArrived(size_t from, size_t count) {
    RunUntil([&] { return Server->Received.size() >= from + count; }, 2000);
    return Posts(from);
  }
};

TEST_F(EditorItems, NumberBoxesRefuseAnswersOutOfRangeAndNumberInRowOrder) {
  ASSERT_NE(OpenStudio(), nullptr);
  const std::vector<std::string> waves{"100: 000: x", "100: 001: y", "100: 002: v"};
  const std::string programRange = "Program numbers may range only from 0 to 127.";
  const std::string bankRange =
      "Bank numbers may range only from 0 to 128. Use 128 for drum bank or 0 - 127 for melodic banks.";
  struct TCase {
    bool Programs;
    std::vector<std::string> Rows;
    const char* Answer;
    std::string Box;  // empty: taken
    std::vector<std::string> After;
  } cases[] = {
      {true, {"drum: 000: Kit"}, "abc", programRange, {}},
      {true, {"drum: 000: Kit"}, "-1", programRange, {}},
      {true, {"drum: 000: Kit"}, "128", programRange, {}},
      {true, {"drum: 000: Kit"}, "4294967301", programRange, {}},
      {true, waves, "126", "Can't assign program numbers up to 128. Program numbers may range only from 0 to 127", {}},
      {false, {"drum: 000: Kit"}, "129", bankRange, {}},
      {false, {"drum: 000: Kit"}, "abc", bankRange, {}},
      {true, waves, "10", "", {"100: 010: x", "100: 011: y", "100: 012: v"}},
      {false, {"100: 010: x"}, "128", "", {"drum: 010: x"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Answer) + (c.Programs ? " program" : " bank"));
    const std::vector<std::string> before = Captions(Editor->FilesListView);
    Select(Editor->FilesListView, c.Rows);
    MessageBoxRecorder boxes;
    TAnswers answers({c.Answer});
    (c.Programs ? Editor->SetProgramNumberAction : Editor->SetBankNumberAction)->Execute();
    ASSERT_EQ(answers.Asked.size(), 1u);
    if (!c.Box.empty()) {
      ASSERT_EQ(boxes.Boxes.size(), 1u);
      EXPECT_EQ(boxes.Boxes[0].Text, c.Box);
      EXPECT_EQ(Captions(Editor->FilesListView), before);
      continue;
    }
    EXPECT_TRUE(boxes.Boxes.empty());
    for (const std::string& row : c.After) EXPECT_NE(RowOf(Editor->FilesListView, row), nullptr) << row;
  }
}

TEST_F(EditorItems, NamesStartWholeAndEachRowAnswersForItself) {
  StoreStudio();
  const std::string longName = "A name that runs past thirty characters";
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(A, 0, true, 0, longName, 5, 0, 5);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  const std::string shown = "000: 005: " + longName;
  // The program box names the entry cut; the name box and the stored name keep it whole.
  Select(Editor->FilesListView, {shown});
  {
    TAnswers answers({nullptr});
    Editor->SetProgramNumberAction->Execute();
    ASSERT_EQ(answers.Asked.size(), 1u);
    EXPECT_EQ(answers.Asked[0], "Set preset program number|Enter program number for \"" + longName.substr(0, 30) + "\"|");
  }
  {
    TAnswers answers({longName.c_str()});
    Editor->SetPresetNameAction->Execute();
    ASSERT_EQ(answers.Asked.size(), 1u);
    EXPECT_EQ(answers.Asked[0], "Set name|Enter name for " + BankDisplayName(0) + " preset 005|" + longName);
  }
  EXPECT_EQ(Editor->Mapping->Slot(0, 5)->GetPresetName(), longName);
  // Two rows: the first renamed, the second cancelled and left as it was.
  Select(Editor->FilesListView, {"100: 000: x", "100: 001: y"});
  TAnswers answers({"ex", nullptr});
  Editor->SetPresetNameAction->Execute();
  EXPECT_EQ(answers.Asked.size(), 2u);
  EXPECT_NE(RowOf(Editor->FilesListView, "100: 000: ex"), nullptr);
  EXPECT_NE(RowOf(Editor->FilesListView, "100: 001: y"), nullptr);
}

// The properties dialog, a real modal window worked by keys: what it ends with moves, renames or keeps the
// entry; a number past a field's range reaches no slot; Escape changes nothing.
TEST_F(EditorItems, PropertiesMoveRenameOrKeepTheEntry) {
  StoreStudio();
  const std::string longName = "A name that runs past thirty characters";
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(A, 0, true, 0, longName, 5, 0, 5);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  auto caption = [](int bank, int program, const std::string& name) {
    return (bank == DrumKitBank ? std::string("drum") : IntToStrZero(bank, 3)) + ": " + IntToStrZero(program, 3) +
           ": " + name;
  };
  struct TCase {
    const char* What;
    int Field;  // 0 none, 1 bank, 2 program, 3 name
    const char* Typed;
    WORD Key;
    int Bank, Program;
    std::string Name;
  } cases[] = {
      {"OK unchanged", 0, "", VK_RETURN, 0, 5, longName},
      {"a new bank", 1, "7", VK_RETURN, 7, 5, longName},
      {"a new program", 2, "9", VK_RETURN, 7, 9, longName},
      {"a new name", 3, "Organ", VK_RETURN, 7, 9, "Organ"},
      {"program 200", 2, "200", VK_RETURN, 7, 127, "Organ"},
      {"bank 200", 1, "200", VK_RETURN, 128, 127, "Organ"},
      {"Cancel", 1, "3", VK_ESCAPE, 128, 127, "Organ"},
  };
  const size_t entries = Editor->Mapping->Inactive.size();
  int bank = 0, program = 5;
  std::string name = longName;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Select(Editor->FilesListView, {caption(bank, program, name)});
    Editor->Modified = false;
    std::string started;
    TPropertiesForm* dialog = nullptr;
    TWinControl* field = nullptr;
    TModalDriver driver(nullptr,
                        {[&] {
                           dialog = dynamic_cast<TPropertiesForm*>(Screen().ActiveForm());
                           if (!dialog || !IsWindowVisible(dialog->Handle())) return false;
                           started = dialog->BankKitSpinEdit->Text() + "|" + dialog->ProgramKitSpinEdit->Text() + "|" +
                                     dialog->NameEdit->Text();
                           TWinControl* fields[] = {dialog->OkButton, dialog->BankKitSpinEdit,
                                                    dialog->ProgramKitSpinEdit, dialog->NameEdit};
                           field = fields[c.Field];
                           SetFocus(field->Handle());
                           if (c.Field) {
                             SendMessageA(field->Handle(), EM_SETSEL, 0, -1);
                             testsupport::PostText(field->Handle(), c.Typed);
                           }
                           return true;
                         },
                         [&] {
                           // Every typed character taken (a value past the range is set back at once).
                           MSG pending;
                           if (PeekMessageA(&pending, field->Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE)) return false;
                           testsupport::PostKey(field->Handle(), c.Key);
                           return true;
                         }});
    Editor->PresetPropertiesAction->Execute();
    ASSERT_TRUE(driver.AllDone());
    EXPECT_FALSE(driver.TimedOut());
    // The name box starts with the whole name, not the list's cut one.
    EXPECT_EQ(started, std::to_string(bank) + "|" + std::to_string(program) + "|" + name);
    const bool moved = c.Bank != bank || c.Program != program;
    if (moved) {
      EXPECT_EQ(Editor->Mapping->Slot(bank, program), nullptr);
    }
    EXPECT_EQ(Editor->Modified, moved || c.Name != name);
    bank = c.Bank, program = c.Program, name = c.Name;
    ASSERT_NE(Editor->Mapping->Slot(bank, program), nullptr);
    EXPECT_EQ(Editor->Mapping->Slot(bank, program)->GetPresetName(), name);
    EXPECT_NE(RowOf(Editor->FilesListView, caption(bank, program, name)), nullptr);
    EXPECT_EQ(Editor->Mapping->Inactive.size(), entries);
  }
}

TEST_F(EditorItems, BankNamesComeFromAnEntryAHeaderOrTheSourceFiles) {
  ASSERT_NE(OpenStudio(), nullptr);
  struct TCase {
    std::string Focused;  // a row's caption: an entry or a header
    int Mode;
    const char* Answer;
    int Bank;
    std::string Name;
  } cases[] = {
      {"100: 000: x", 0, "Waves", 100, "Waves"},
      {" bank 000", 2, "Pianos", 0, "Pianos"},
      {"100: 000: x", 0, "", 100, BankDisplayName(100)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Focused);
    Editor->FilesListView->SetTag(c.Mode);
    Editor->BuildAttachedList();
    Select(Editor->FilesListView, {});
    TListItem* row = RowOf(Editor->FilesListView, c.Focused);
    ASSERT_NE(row, nullptr);
    if (row->Data()) row->SetSelected(true);
    row->SetFocused(true);
    TAnswers answers({c.Answer});
    Editor->SetBankNameAction->Execute();
    EXPECT_EQ(Editor->Mapping->GetBankName(c.Bank), c.Name);
  }
  // No row selected or focused: the command has no bank and asks nothing.
  Select(Editor->FilesListView, {});
  if (TListItem* focused = Editor->FilesListView->ItemFocused()) focused->SetFocused(false);
  ASSERT_EQ(Editor->FilesListView->ItemFocused(), nullptr);
  {
    TAnswers unasked({"Never"});
    Editor->SetBankNameAction->Execute();
    EXPECT_TRUE(unasked.Asked.empty());
  }
  // By file names: an .sf2's name without extension, a wave's folder, a bank named by hand kept.
  Editor->Mapping->SetBankName(0, "");
  Editor->Mapping->SetBankName(128, "Kits");
  {
    MessageBoxRecorder boxes;
    Editor->SetBankNamesByFileNamesAction->Execute();
  }
  EXPECT_EQ(Editor->Mapping->GetBankName(0), "z");
  EXPECT_EQ(Editor->Mapping->GetBankName(100), "W");
  EXPECT_EQ(Editor->Mapping->GetBankName(128), "Kits");
}

TEST_F(EditorItems, BankColoursStartFromTheCacheAndAreStoredInDecimal) {
  ASSERT_NE(OpenStudio(), nullptr);
  const TColor font = Editor->BankFontColor(100), back = Editor->BankBackColor(100);
  struct TCase {
    TAction* Action;
    TColor Start;
    COLORREF Chosen;
    bool Background;
  } cases[] = {
      {Editor->SetBankColorAction, font, RGB(255, 0, 0), false},
      {Editor->SetBankBackgroundAction, back, RGB(0, 0, 255), true},
  };
  for (const TCase& c : cases) {
    Select(Editor->FilesListView, {"100: 000: x"});
    TColor started = -1;
    TColorDialogHandler previous = SetColorDialogHandler([&](TColorDialogRequest& request) {
      started = request.Color;
      request.Color = TColor(c.Chosen);
      return true;
    });
    c.Action->Execute();
    SetColorDialogHandler(previous);
    EXPECT_EQ(started, c.Start);
    EXPECT_EQ(c.Background ? Editor->Mapping->GetBankBackground(100) : Editor->Mapping->GetBankColor(100),
              std::to_string(c.Chosen));
    EXPECT_EQ(c.Background ? Editor->BankBackColor(100) : Editor->BankFontColor(100), TColor(c.Chosen));
  }
}

TEST_F(EditorItems, MergingCopiesEveryEntryAndRefusesTheSameMappingInAnyCase) {
  StoreStudio();
  { TMapping empty("Empty", false, nullptr, ""); }
  std::vector<std::string> studio = StoredEntries("Studio");
  const std::string studioKeyBefore = testsupport::RegQueryTree(MappingsKey + "Studio");
  ASSERT_FALSE(studioKeyBefore.empty());
  ASSERT_NE(OpenEditor("Empty"), nullptr);
  auto merge = [&](const std::string& name) {
    TModalDriver driver(nullptr,
                        {[] { return dynamic_cast<TChooseMappingForm*>(Screen().ActiveForm()) != nullptr; },
                         [name] {
                           auto* dialog = dynamic_cast<TChooseMappingForm*>(Screen().ActiveForm());
                           dialog->ComboBox1->SetItemIndex(dialog->ComboBox1->Items()->IndexOf(name));
                           dialog->OkButton->Click();
                           return true;
                         }});
    Editor->MergeMappingAction->Execute();
    EXPECT_TRUE(driver.AllDone());
  };
  merge("Studio");
  Editor->SaveMappingAction->Execute();
  std::vector<std::string> merged = StoredEntries("Empty");
  std::sort(merged.begin(), merged.end());
  std::sort(studio.begin(), studio.end());
  EXPECT_EQ(merged, studio);
  // The source's key is read, never written.
  EXPECT_EQ(testsupport::RegQueryTree(MappingsKey + "Studio"), studioKeyBefore);
  FreeEditor();
  ASSERT_NE(OpenEditor("studio"), nullptr);
  MessageBoxRecorder boxes;
  merge("Studio");
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Currently edited mapping \"studio\" can't be merged to itself. Choose another mapping "
                                 "in Editor and try again.");
  EXPECT_EQ(Editor->Mapping->Inactive.size(), 1u);
}

// Figures, run by hand: test_editor.exe --gtest_also_run_disabled_tests --gtest_filter=EditorItems.DISABLED_*
TEST_F(EditorItems, DISABLED_FiguresOfMergingAFullMappingAndNamingItsBanks) {
  StoreStudio();
  {
    TMapping full("Full", false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program)
        full.AddItem(bank % 2 ? A : Z, bank, true, 0, "P" + std::to_string(program), 1, 0, program);
  }
  { TMapping empty("Empty", false, nullptr, ""); }
  ASSERT_NE(OpenEditor("Empty"), nullptr);
  TModalDriver driver(nullptr, {[] { return dynamic_cast<TChooseMappingForm*>(Screen().ActiveForm()) != nullptr; },
                                [] {
                                  auto* dialog = dynamic_cast<TChooseMappingForm*>(Screen().ActiveForm());
                                  dialog->ComboBox1->SetItemIndex(dialog->ComboBox1->Items()->IndexOf("Full"));
                                  dialog->OkButton->Click();
                                  return true;
                                }});
  DWORD start = GetTickCount();
  Editor->MergeMappingAction->Execute();
  const DWORD merged = GetTickCount() - start;
  EXPECT_TRUE(driver.AllDone());
  EXPECT_EQ(Editor->AttachedRows(false).size(), size_t(MappingBanks * MappingPrograms));
  start = GetTickCount();
  {
    MessageBoxRecorder boxes;
    Editor->SetBankNamesByFileNamesAction->Execute();
  }
  const DWORD named = GetTickCount() - start;
  EXPECT_EQ(Editor->Mapping->GetBankName(0), "z");
  std::printf("[figure] full mapping merged into an empty one %lu ms; bank names by file names %lu ms\n",
              static_cast<unsigned long>(merged), static_cast<unsigned long>(named));
}

TEST_F(EditorItems, PreviewSendsStopFileAndPresetInOrder) {
  ASSERT_NE(OpenStudio(), nullptr);
  Browse(A);
  size_t from = Server->Received.size();
  // Two releases on one source send one preview; another source stops the first.
  Select(Editor->PresetsListView, {"000: 001: Alt"});
  PressKey(VK_SHIFT);
  PressKey(VK_SHIFT);
  ClickColumn(Editor->PresetsListView);  // a regroup moves the row; it still sounds
  Select(Editor->PresetsListView, {"000: 001: Alt"});
  PressKey(VK_SHIFT);
  Select(Editor->PresetsListView, {"drum: 000: Kit"});
  PressKey(VK_SHIFT);
  // An entry previews every time, after a stop.
  Select(Editor->FilesListView, {"100: 001: y"});
  PressKey(VK_SHIFT);
  PressKey(VK_SHIFT);
  EXPECT_EQ(PostsArrived(from, 11), (std::vector<UINT>{WM_TB_PREVIEW_FILE, WM_TB_PREVIEW_PRESET, WM_TB_PREVIEW_STOP,
                                            WM_TB_PREVIEW_FILE, WM_TB_PREVIEW_PRESET, WM_TB_PREVIEW_STOP,
                                            WM_TB_PREVIEW_FILE, WM_TB_PREVIEW_PRESET, WM_TB_PREVIEW_STOP,
                                            WM_TB_PREVIEW_FILE, WM_TB_PREVIEW_PRESET}));
  const auto& last = Server->Received.back();
  EXPECT_EQ(Server->Received[Server->Received.size() - 2].Payload, W + "sub\\y.wav");
  EXPECT_EQ(last.WParam, 200u);
  EXPECT_EQ(last.LParam, 200);
  EXPECT_EQ(Server->Received[from + 4].WParam, 128u);
  // A tree change stops it.
  from = Server->Received.size();
  Browse(Folder["W"]);
  EXPECT_EQ(PostsArrived(from, 1), (std::vector<UINT>{WM_TB_PREVIEW_STOP}));
  // No payload file can be written: the preset goes not alone, which would play that bank and program of the
  // previous file, and nothing counts as sounding.
  Browse(A);
  char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
  GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  SetEnvironmentVariableA("TMP", "C:\\no such folder");
  SetEnvironmentVariableA("TEMP", "C:\\no such folder");
  from = Server->Received.size();
  Select(Editor->PresetsListView, {"000: 005: Five"});
  PressKey(VK_SHIFT);
  SetEnvironmentVariableA("TMP", tmp);
  SetEnvironmentVariableA("TEMP", temp);
  EXPECT_EQ(Editor->PreviewedRow, -1);
  // The same release again, the folder back: the file and the preset go, in that order.
  PressKey(VK_SHIFT);
  std::vector<UINT> posts = PostsArrived(from, 2);
  EXPECT_EQ(std::count(posts.begin(), posts.end(), UINT(WM_TB_PREVIEW_PRESET)), 1) << "only after its file";
  ASSERT_GE(posts.size(), 2u);
  EXPECT_EQ(posts[posts.size() - 2], UINT(WM_TB_PREVIEW_FILE));
  EXPECT_EQ(posts.back(), UINT(WM_TB_PREVIEW_PRESET));
}

TEST_F(EditorItems, PreviewModeFollowsTheServerAndTheRouteIsChosenOnce) {
  ASSERT_NE(OpenStudio(), nullptr);
  struct TRestore {
    decltype(ToolWindowMakers.ChooseRoute) Previous = ToolWindowMakers.ChooseRoute;
    ~TRestore() { ToolWindowMakers.ChooseRoute = Previous; }
  } restore;
  // A stored route that does not parse counts as none: the dialog comes up with nothing preselected.
  for (const char* damaged : {"abc", "In\x01Out\x01"}) {
    SCOPED_TRACE(damaged);
    Settings->WriteString(PreviewRouteValue, damaged);
    RouteRecord offered;
    offered.Input = "?";
    ToolWindowMakers.ChooseRoute = [&](TComponent*, RouteRecord& route) {
      offered = route;
      return false;
    };
    Editor->PreviewModeAction->Execute();
    EXPECT_EQ(offered.Input, "");
    EXPECT_EQ(Settings->ReadString(PreviewRouteValue, ""), damaged);
  }
  // Chosen: stored, route change posted; the same again posts nothing.
  ToolWindowMakers.ChooseRoute = [](TComponent*, RouteRecord& route) {
    route.Input = "Keys";
    route.Output = "Synth";
    route.Device = "SB Live!";
    return true;
  };
  size_t from = Server->Received.size();
  Editor->PreviewRouteAction->Execute();
  Editor->PreviewRouteAction->Execute();
  EXPECT_EQ(Settings->ReadString(PreviewRouteValue, ""), "Keys\x01Synth\x01SB Live!\x01");
  // On: the request only, after the one route change; checked when the server says so.
  Editor->PreviewModeAction->Execute();
  EXPECT_EQ(PostsArrived(from, 2), (std::vector<UINT>{WM_TB_PREVIEW_ROUTE_CHANGED, WM_TB_PREVIEW_ON}));
  EXPECT_FALSE(Editor->PreviewModeAction->Checked());
  Editor->SetPreviewMode(true);
  from = Server->Received.size();
  PressKey(VK_F7);
  EXPECT_EQ(PostsArrived(from, 1), (std::vector<UINT>{WM_TB_PREVIEW_OFF}));
  // No server: the question; No or a refused start leave it unchecked.
  Editor->SetPreviewMode(false);
  Server.reset();
  for (int answer : {IDNO, IDYES}) {
    MessageBoxRecorder boxes(answer);
    TestLauncher->StartServer = [](bool) { return false; };
    const int starts = TestLauncher->ServerStarts;
    Editor->PreviewModeAction->Execute();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "You should run tarnbel to use preview function. Run it now?");
    EXPECT_EQ(TestLauncher->ServerStarts, starts + (answer == IDYES));
    EXPECT_FALSE(Editor->PreviewModeAction->Checked());
  }
}

}  // namespace
