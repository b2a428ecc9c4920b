// Combos: saving the rows and their marks, recalling a combo by the user's choice only, the save question's
// three answers, deleting, and combos and settings that the registry holds damaged.
#include "manager_fixture.h"
#include "registry_test_support.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using namespace managertest;

namespace {

const std::string Combos = "Software\\tarnbel\\combos\\";

void StoreCombo(const std::string& name, const std::vector<std::string>& items) {
  TRegKey key(Combos + name, true);
  for (size_t i = 0; i < items.size(); ++i) key.WriteString("item" + std::to_string(i), items[i]);
  key.WriteInteger("Count", int32_t(items.size()));
}

std::vector<std::string> StoredItems(const std::string& name) {
  std::vector<std::string> items;
  testsupport::RawValue count = testsupport::ReadRaw(Combos + name, "Count");
  if (!count.found) return {"(none)"};
  for (uint8_t i = 0; i < count.data[0]; ++i) {
    testsupport::RawValue item = testsupport::ReadRaw(Combos + name, "item" + std::to_string(i));
    items.push_back(std::string(item.data.begin(), item.data.end() - 1));
  }
  return items;
}

int32_t StoredCurrentCombo() { return TRegKey(TarnbelKeyPath, true).ReadInteger("CurrentCombo", -99); }

class ManagerCombos : public ManagerFixture {
 protected:
  // A, B, C, D with priorities 1, 2, 3, 7: the list shows D, C, B, A.
  void StoreFour() {
    StoreMapping("A", 1, true);
    StoreMapping("B", 2, true);
    StoreMapping("C", 3, true);
    StoreMapping("D", 7, false);
  }
  // The user's choice in the box, as the box reports it.
  void Choose(const std::string& combo) {
    TComboBox* box = Manager->ComboBox1;
    box->SetItemIndex(box->Items()->IndexOf(combo));
    SendMessageA(GetParent(box->Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box->Handle()), CBN_SELCHANGE),
                 LPARAM(box->Handle()));
  }
  std::vector<std::string> BoxItems() {
    std::vector<std::string> items;
    for (int i = 0; i < Manager->ComboBox1->Items()->Count(); ++i) items.push_back(Manager->ComboBox1->Items()->Strings(i));
    return items;
  }
  std::string Selected() {
    int index = Manager->ComboBox1->ItemIndex();
    return index < 0 ? "(none)" : Manager->ComboBox1->Items()->Strings(index);
  }
};

}  // namespace

TEST_F(ManagerCombos, SavingStoresTheRowsWithTheirMarksAndReplacesOnlyWhenAllowed) {
  StoreMapping("A", 3, true);
  StoreMapping("B", 2, false);
  StoreMapping("C", 1, true);
  TMappingsManagerForm* m = Open();
  Answer("Live");
  m->SaveComboAction->Execute();
  ASSERT_EQ(1u, Queries.size());
  EXPECT_EQ("Save combo", Queries[0].Caption);
  EXPECT_EQ("Enter name for combo", Queries[0].Prompt);
  EXPECT_EQ("", Queries[0].Proposal);
  EXPECT_EQ((std::vector<std::string>{"A\x01", "B", "C\x01"}), StoredItems("Live"));
  EXPECT_EQ("Live", Selected());
  EXPECT_EQ("Live", m->CurrentComboName);
  EXPECT_FALSE(m->ComboModified);
  EXPECT_EQ(0, StoredCurrentCombo());

  struct TCase {
    const char* What;
    std::string Typed;
    int Answer;  // to the replace question
    bool Saved;
    const char* Box;
  };
  const TCase cases[] = {
      {"backslash", "a\\b", IDOK, false, "Combo name cannot contain a \"\\\" character."},
      {"cancelled replace", "LIVE", IDCANCEL, false,
       "Combo \"LIVE\" already exists. Do you want to replace it ?"},
      {"replaced in another case", "LIVE", IDOK, true, "Combo \"LIVE\" already exists. Do you want to replace it ?"},
      {"empty", "", IDOK, false, nullptr},
      // Its key, ...\combos\<name>, within the registry's 260 characters.
      {"237 characters", std::string(237, 'y'), IDOK, false, "Combo name cannot be longer than 236 characters."},
      {"236 characters", std::string(236, 'y'), IDOK, true, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    m->CheckListBox1->SetItemIndex(0);
    m->MappingActiveAction->Execute();  // A off: the combo would change
    EXPECT_TRUE(m->ComboModified);
    Boxes.clear();
    Queries.clear();
    BoxAnswers = {c.Answer};
    Answer(c.Typed);
    const std::string before = StoredItems("Live")[0];
    EXPECT_EQ(c.Saved, m->SaveCombo());
    ASSERT_EQ(1u, Queries.size());
    EXPECT_EQ("Live", Queries[0].Proposal);
    ASSERT_EQ(c.Box ? 1u : 0u, Boxes.size());
    if (c.Box) {
      EXPECT_EQ(c.Box, Boxes[0].Text);
    }
    EXPECT_EQ(!c.Saved, m->ComboModified);
    std::string active = m->CheckListBox1->Checked(0) ? "A\x01" : "A";
    EXPECT_EQ(c.Saved ? active : before, StoredItems(c.Saved ? c.Typed : "Live")[0]);
    std::vector<std::string> listed{"Live"};
    if (c.Saved && lstrcmpiA(c.Typed.c_str(), "Live") != 0) listed.push_back(c.Typed);
    EXPECT_EQ(listed, BoxItems());
  }
}

TEST_F(ManagerCombos, ChoosingRecallsTheOrderAndFlagsAndLeavesTheOthersBelow) {
  StoreFour();
  StoreCombo("Live", {"A\x01", "B", "C\x01"});
  TMappingsManagerForm* m = Open();
  EXPECT_EQ((std::vector<std::string>{"D", "C", "B", "A"}), Rows());
  size_t from = Mark();
  BoxAnswers = {IDNO};
  Choose("Live");
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Current combo was changed. Do you want to save changes ?", Boxes[0].Text);
  EXPECT_EQ("Confirmation", Boxes[0].Caption);
  EXPECT_EQ(UINT(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3), Boxes[0].Flags);
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "D"}), Rows());
  EXPECT_EQ((std::vector<bool>{true, false, true, false}), Checks());
  for (const char* name : {"A", "B", "C", "D"}) EXPECT_EQ('E' - name[0], StoredPriority(name)) << name;
  EXPECT_TRUE(StoredActive("A"));
  EXPECT_FALSE(StoredActive("B"));
  EXPECT_FALSE(StoredActive("D")) << "a mapping the combo does not name keeps its flag";
  EXPECT_EQ(std::vector<std::string>{std::string("D\x01" "1\x01" "C\x01" "2\x01" "B\x01" "3\x01" "A\x01" "4\x01")},
            Payloads(WM_TB_MAPPING_ORDER, from));
  EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_CHANGED, from));
  EXPECT_EQ("Live", m->CurrentComboName);
  EXPECT_FALSE(m->ComboModified);
  EXPECT_EQ(0, StoredCurrentCombo());

  // Selecting by the program (as on opening or after a refill) recalls nothing.
  from = Mark();
  m->ComboBox1->SetItemIndex(-1);
  m->ComboBox1->SetItemIndex(0);
  EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_CHANGED, from));
}

TEST_F(ManagerCombos, TheSaveQuestionsThreeAnswers) {
  struct TCase {
    const char* What;
    int Answer;
    std::vector<std::string> Rows;
    const char* Selected;
    bool SavedFirst;
  };
  const TCase cases[] = {
      {"Cancel keeps the list and the box", IDCANCEL, {"D", "C", "B", "A"}, "First", false},
      {"No recalls unsaved", IDNO, {"A", "B", "C", "D"}, "Live", false},
      {"Yes saves the current one first", IDYES, {"A", "B", "C", "D"}, "Live", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    FreeManager();
    ResetRegistry();
    StoreFour();
    StoreCombo("First", {"D\x01", "C\x01", "B\x01", "A\x01"});
    StoreCombo("Live", {"A\x01", "B", "C\x01"});
    TRegKey(TarnbelKeyPath, true).WriteInteger("CurrentCombo", 0);
    TMappingsManagerForm* m = Open();
    ASSERT_EQ("First", m->CurrentComboName) << "the stored combo is shown, not recalled";
    m->CheckListBox1->SetItemIndex(3);
    m->MappingActiveAction->Execute();  // the current combo is changed
    Boxes.clear();
    Queries.clear();
    Answers.clear();
    BoxAnswers = {c.Answer};
    Answer("First");
    BoxAnswers.push_back(IDOK);  // replacing "First"
    Choose("Live");
    EXPECT_EQ(c.Rows, Rows());
    EXPECT_EQ(c.Selected, Selected());
    EXPECT_EQ(c.SavedFirst ? 1u : 0u, Queries.size());
    if (c.SavedFirst) {
      EXPECT_EQ("First", Queries[0].Proposal);
    }
    EXPECT_EQ(c.SavedFirst ? "A" : "A\x01", StoredItems("First")[3]);
  }
}

TEST_F(ManagerCombos, DeletingRecallsTheNeighbourAndTheLastLeavesNone) {
  StoreFour();
  StoreCombo("Alpha", {"D\x01"});
  StoreCombo("Beta", {"A\x01", "B\x01"});
  TMappingsManagerForm* m = Open();
  BoxAnswers = {IDNO};
  Choose("Beta");
  ASSERT_EQ((std::vector<std::string>{"A", "B", "D", "C"}), Rows());
  m->ActionList1->UpdateActions();
  Boxes.clear();
  BoxAnswers = {IDCANCEL};
  m->DeleteComboAction->Execute();
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Really want to delete combo \"Beta\" ?", Boxes[0].Text);
  EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), Boxes[0].Flags);
  EXPECT_TRUE(testsupport::KeyExists(Combos + "Beta"));

  // The last one goes: the one before it is chosen and recalled, unasked.
  Boxes.clear();
  m->DeleteComboAction->Execute();
  EXPECT_EQ(1u, Boxes.size());
  EXPECT_FALSE(testsupport::KeyExists(Combos + "Beta"));
  EXPECT_EQ("Alpha", Selected());
  EXPECT_EQ("Alpha", m->CurrentComboName);
  EXPECT_EQ((std::vector<std::string>{"D", "A", "B", "C"}), Rows());
  EXPECT_TRUE(StoredActive("D"));
  // The only one goes: nothing is chosen, and that is stored.
  m->DeleteComboAction->Execute();
  EXPECT_EQ("(none)", Selected());
  EXPECT_EQ("", m->CurrentComboName);
  EXPECT_EQ(-1, StoredCurrentCombo());
  EXPECT_EQ(0, m->ComboBox1->Items()->Count());
}

TEST_F(ManagerCombos, DamagedCombosAndSettingsRecallWhatTheyCan) {
  struct TCase {
    const char* What;
    std::function<void()> Damage;
    std::vector<std::string> Rows;
    std::vector<bool> Checks;
  };
  const TCase cases[] = {
      {"Count too high", [] { StoreCombo("Live", {"A\x01", "B"}); TRegKey(Combos + "Live", true).WriteInteger("Count", 5000); },
       {"A", "B", "D", "C"}, {true, false, false, true}},
      {"an item missing", [] { StoreCombo("Live", {"A\x01", "B", "C"}); TRegKey(Combos + "Live", true).DeleteValue("item1"); },
       {"A", "C", "D", "B"}, {true, false, false, true}},
      {"items only the mark", [] { StoreCombo("Live", {"\x01", "\x01", "B"}); }, {"B", "D", "C", "A"},
       {false, false, true, true}},
      {"names gone", [] { StoreCombo("Live", {"Gone\x01", "C", "Other"}); }, {"C", "D", "B", "A"},
       {false, false, true, true}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    FreeManager();
    ResetRegistry();
    StoreFour();
    c.Damage();
    Open();
    BoxAnswers = {IDNO};
    Choose("Live");
    EXPECT_EQ(c.Rows, Rows());
    EXPECT_EQ(c.Checks, Checks());
  }
  // A stored choice that is no number, or past the box, chooses nothing and is stored right again.
  for (bool text : {true, false}) {
    SCOPED_TRACE(text ? "CurrentCombo a string" : "CurrentCombo past the box");
    FreeManager();
    ResetRegistry();
    StoreFour();
    StoreCombo("Live", {"A"});
    if (text) TRegKey(TarnbelKeyPath, true).WriteString("CurrentCombo", "not a number");
    else TRegKey(TarnbelKeyPath, true).WriteInteger("CurrentCombo", 9);
    TMappingsManagerForm* m = Open();
    EXPECT_EQ("(none)", Selected());
    EXPECT_EQ("", m->CurrentComboName);
    EXPECT_EQ(-1, StoredCurrentCombo());
    EXPECT_EQ((std::vector<std::string>{"D", "C", "B", "A"}), Rows());
  }
}

TEST_F(ManagerCombos, ClosingAsksWhenTheComboChangedAndStoresTheChoice) {
  StoreFour();
  StoreCombo("Live", {"A\x01"});
  TRegKey(TarnbelKeyPath, true).WriteInteger("CurrentCombo", 0);
  TMappingsManagerForm* m = Open();
  m->CheckListBox1->SetItemIndex(0);
  m->MappingUpAction->Execute();
  m->MappingDownAction->Execute();
  ASSERT_TRUE(m->ComboModified);
  BoxAnswers = {IDCANCEL};
  m->Close();
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_TRUE(m->Visible()) << "Cancel keeps the window open";
  EXPECT_TRUE(TestMonitor->Closed.empty());
  BoxAnswers = {IDNO};
  ASSERT_TRUE(CloseManager());
  EXPECT_EQ(-1, StoredCurrentCombo()) << "changed since chosen: no combo is current";
  EXPECT_EQ(1u, TestMonitor->Closed.size());

  m = Open();
  EXPECT_EQ("(none)", Selected());
  BoxAnswers = {IDNO};
  Choose("Live");
  Boxes.clear();
  ASSERT_TRUE(CloseManager());
  EXPECT_TRUE(Boxes.empty()) << "an unchanged combo is not asked about";
  EXPECT_EQ(0, StoredCurrentCombo());
}
