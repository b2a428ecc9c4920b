// The merged mapping "current" against a merge the test makes itself, the Logic list on the clipboard, and
// the automatic exports of an applied change, one after the other in their order.
#include <map>
#include <random>

#include "clipboard.h"
#include "clipboard_text.h"
#include "export_settings.h"
#include "manager_fixture.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;
using namespace managertest;

namespace {

struct TSource {
  std::string Name;
  int Priority;
  bool Active;
  std::map<std::pair<int, int>, TEntry> Slots;
  std::map<int, std::string> BankNames;
};

// The winner of a slot, worked out here: the active mapping with the highest priority that fills it, and
// among equal ones the name that sorts last.
const TSource* Winner(const std::vector<TSource>& sources, const std::function<bool(const TSource&)>& fills) {
  const TSource* best = nullptr;
  for (const TSource& s : sources) {
    if (!s.Active || !fills(s)) continue;
    if (!best || s.Priority > best->Priority ||
        (s.Priority == best->Priority && AnsiCompareText(s.Name, best->Name) > 0))
      best = &s;
  }
  return best;
}

std::string BankLabel(const TSource& s, int bank) {
  auto named = s.BankNames.find(bank);
  if (named != s.BankNames.end()) return named->second;
  return bank == 128 ? "drumsets" : "bank " + std::string(3 - std::to_string(bank).size(), '0') + std::to_string(bank);
}

}  // namespace

TEST_F(ManagerFixture, CurrentMappingTakesEachSlotFromItsWinner) {
  std::mt19937 random(1234);
  std::vector<TSource> sources = {{"alpha", 2, true, {}, {{5, "Alpha five"}}},
                                  {"beta", 2, true, {}, {}},
                                  {"gamma", 9, false, {}, {{0, "Gamma zero"}}},
                                  {"delta", 1, true, {}, {{128, "Delta kits"}}}};
  for (TSource& s : sources)
    for (int bank : {0, 5, 128})
      for (int program = 0; program < 8; ++program)
        if (random() % 2)
          s.Slots[{bank, program}] = TEntry{bank, program, s.Name + " " + std::to_string(bank) + ":" + std::to_string(program),
                                            "C:\\sounds\\" + s.Name + ".sf2", int(random() % 3), int(random() % 128)};
  for (const TSource& s : sources) {
    std::vector<TEntry> entries;
    for (const auto& slot : s.Slots) entries.push_back(slot.second);
    StoreMapping(s.Name, 1, true, entries);
    TMapping stored(s.Name, false, nullptr, "");
    for (const auto& name : s.BankNames) stored.SetBankName(name.first, name.second);
  }
  TMappingsManagerForm* m = Open();
  // Priorities and flags as the case wants them, ties included, after the opening numbered them.
  for (const TSource& s : sources) {
    TRegKey key("Software\\tarnbel\\mappings\\" + s.Name, true);
    key.WriteInteger("Priority", s.Priority);
    key.WriteBool("Active", s.Active);
  }

  std::unique_ptr<TMapping> current = m->BuildCurrentMapping();
  EXPECT_EQ("current", current->Name);
  EXPECT_TRUE(current->Temporary);
  int filled = 0;
  for (int bank = 0; bank < MappingBanks; ++bank) {
    for (int program = 0; program < MappingPrograms; ++program) {
      const TSource* winner = Winner(sources, [&](const TSource& s) { return s.Slots.count({bank, program}) > 0; });
      const TMappingInactiveItem* item = current->Slot(bank, program);
      SCOPED_TRACE(std::to_string(bank) + ":" + std::to_string(program));
      ASSERT_EQ(winner != nullptr, item != nullptr);
      if (!winner) continue;
      ++filled;
      const TEntry& e = winner->Slots.at({bank, program});
      EXPECT_EQ(e.Name, item->Name);
      EXPECT_EQ(e.File, item->SourceFileText());
      EXPECT_EQ(uint32_t(e.SourceBank), item->SourceBank);
      EXPECT_EQ(uint32_t(e.SourceProgram), item->SourceProgram);
    }
  }
  EXPECT_GT(filled, 10);
  for (int bank : {0, 5, 128}) {
    const TSource* winner = Winner(sources, [&](const TSource& s) {
      for (const auto& slot : s.Slots)
        if (slot.first.first == bank) return true;
      return false;
    });
    ASSERT_NE(nullptr, winner);
    EXPECT_EQ(BankLabel(*winner, bank), current->GetBankName(bank)) << bank;
  }
  EXPECT_EQ(3, current->BankNames->Count()) << "only banks with entries are named";
}

TEST_F(ManagerFixture, LogicListAsksForTheBankProposesTheNextAndTakesAFixedBankUnasked) {
  StoreMapping("Strings", 1, true,
               {{3, 0, "Piano"}, {3, 2, "sub\\soft.wav|Soft Pad", "C:\\waves", 200, 0}, {4, 1, "Elsewhere"}});
  TMappingsManagerForm* m = Open();
  std::string bank3 = "Piano\r\n-\r\nSoft Pad\r\n", bank4 = "-\r\nElsewhere\r\n";
  for (int i = 3; i < 128; ++i) bank3 += "-\r\n";
  for (int i = 2; i < 128; ++i) bank4 += "-\r\n";
  struct TStep {
    const char* What;
    int Fixed;            // -1: asked
    const char* Answer;   // null: cancelled
    const char* Proposal; // null: no prompt
    int Listed;           // the bank whose list the clipboard got, -1: none
    int LastBank;
  };
  const TStep steps[] = {
      {"first proposal 0", -1, "3", "0", 3, 3},
      {"not a number", -1, "x", "3", -1, 3},
      {"past the drum kits", -1, "129", "3", -1, 3},
      {"below 0", -1, "-1", "3", -1, 3},
      {"cancelled", -1, nullptr, "3", -1, 3},
      {"one up", -1, "4", "3", 4, 4},
      {"the step up is proposed", -1, "3", "5", 3, 3},
      {"the step down is proposed", -1, "3", "2", 3, 3},
      {"fixed bank, unasked", 3, nullptr, nullptr, 3, 3},
      {"fixed bank out of range", 200, nullptr, nullptr, -1, 3},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.What);
    UseLogicFixedBank = s.Fixed >= 0;
    LogicFixedBank = s.Fixed >= 0 ? s.Fixed : 0;
    Clipboard().SetAsText("untouched");
    Queries.clear();
    if (s.Answer) Answer(s.Answer);
    else CancelPrompt();
    m->CreateLogicAction->Execute();
    Answers.clear();
    ASSERT_EQ(s.Proposal ? 1u : 0u, Queries.size());
    if (s.Proposal) {
      EXPECT_EQ("Create Logic patch list", Queries[0].Caption);
      EXPECT_EQ("Enter source bank number", Queries[0].Prompt);
      EXPECT_EQ(s.Proposal, Queries[0].Proposal);
    }
    EXPECT_EQ(s.Listed == 3 ? bank3 : s.Listed == 4 ? bank4 : std::string("untouched"), Clipboard().AsText());
    EXPECT_EQ(s.LastBank, TRegKey("Software\\tarnbel", true).ReadInteger("LastLogicBank", -5));
  }
  // Proposals stay within the banks.
  for (int last : {128, 0}) {
    TRegKey("Software\\tarnbel", true).WriteInteger("LastLogicBank", last);
    LogicStepUp = last == 128;
    LogicStepDown = last == 0;
    UseLogicFixedBank = false;
    Queries.clear();
    CancelPrompt();
    m->CreateLogicAction->Execute();
    ASSERT_EQ(1u, Queries.size());
    EXPECT_EQ(std::to_string(last), Queries[0].Proposal);
  }
}

// As the editor's: names with line breaks keep one line per program, and a clipboard another program holds
// gets the editor's warning and leaves the last bank as it was.
TEST_F(ManagerFixture, LogicListKeepsOneLinePerProgramAndSaysWhenTheClipboardIsHeld) {
  StoreMapping("Strings", 1, true, {{3, 0, "Two\r\nlines"}, {3, 1, "Tab\tand\nbreak"}});
  TMappingsManagerForm* m = Open();
  std::string listed = "Two  lines\r\nTab and break\r\n";
  for (int i = 2; i < 128; ++i) listed += "-\r\n";
  for (bool held : {true, false}) {
    TRegKey("Software\\tarnbel", true).WriteInteger("LastLogicBank", 7);
    testsupport::PutOnClipboard("untouched");
    Answer("3");
    {
      std::unique_ptr<testsupport::TClipboardHolder> holder(held ? new testsupport::TClipboardHolder : nullptr);
      m->CreateLogicAction->Execute();
    }
    EXPECT_EQ(held ? 7 : 3, TRegKey("Software\\tarnbel", true).ReadInteger("LastLogicBank", -5));
    EXPECT_EQ(held ? "untouched" : listed, testsupport::ClipboardText());
    ASSERT_EQ(held ? 1u : 0u, Boxes.size());
    if (held) {
      EXPECT_EQ(0u, Boxes[0].Text.find("The list was not created: ")) << Boxes[0].Text;
      EXPECT_NE(std::string::npos, Boxes[0].Text.find(" (another program may be using it). Please try again."));
      EXPECT_EQ(UINT(MB_OK | MB_ICONWARNING), Boxes[0].Flags);
      Boxes.clear();
    }
  }
}

namespace {

struct TWritten {
  std::string Path;
  ULONGLONG Time;
};

void CollectFiles(const std::string& folder, std::vector<TWritten>& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(folder + "\\" + name, files);
    } else {
      ULARGE_INTEGER t;
      t.LowPart = data.ftLastWriteTime.dwLowDateTime;
      t.HighPart = data.ftLastWriteTime.dwHighDateTime;
      files.push_back({folder + "\\" + name, t.QuadPart});
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

TEST_F(ManagerFixture, AnAppliedChangeMakesEveryAutomaticExportInItsOrder) {
  testsupport::TScratchFolder folder("manager");
  StoreMapping("Strings", 2, true, {{0, 0, "Piano"}, {0, 2, "Organ"}, {128, 0, "Kit"}});
  StoreMapping("Pads", 1, true, {{0, 1, "Warm"}});
  struct TExport {
    bool* On;
    std::string* Path;
    const char* Folder;
  };
  const TExport exports[] = {{&AutocreateCakewalk, &CakewalkPath, "cakewalk"},
                             {&AutocreateCubase1, &CubasePath, "cubase"},
                             {&AutocreateCubase12, &CubasePath, "cubase"},
                             {&AutocreateMapping, &MappingPath, "mapping"},
                             {&AutocreateMassiva, &MassivaPath, "massiva"},
                             {&AutocreateEncore, &EncorePath, "encore"},
                             {&AutocreateEvolution, &EvolutionPath, "evolution"},
                             {&AutocreateQuartz, &QuartzPath, "quartz"}};
  TMappingsManagerForm* m = Open();
  for (const TExport& e : exports) {
    *e.On = true;
    *e.Path = folder[e.Folder];
  }
  size_t from = Mark();
  m->CheckListBox1->SetItemIndex(1);
  m->MappingUpAction->Execute();
  EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_APPLY, from));
  EXPECT_TRUE(Boxes.empty()) << (Boxes.empty() ? "" : Boxes[0].Text);

  // Each export's files, oldest first; the next export's begin after the last one's end.
  std::vector<std::pair<ULONGLONG, ULONGLONG>> spans;
  for (size_t i = 0; i < std::size(exports); ++i) {
    std::vector<TWritten> files;
    CollectFiles(folder[exports[i].Folder], files);
    std::vector<TWritten> mine;
    for (const TWritten& f : files) {
      // The twelve-bank files are m000-011.dev to m120-131.dev; the one-bank files take the banks' labels.
      std::string name = f.Path.substr(f.Path.find_last_of('\\') + 1);
      bool twelve = name.size() == 12 && name[0] == 'm' && name[4] == '-' && name.substr(8) == ".dev";
      if (exports[i].On == &AutocreateCubase1 && twelve) continue;
      if (exports[i].On == &AutocreateCubase12 && !twelve) continue;
      mine.push_back(f);
    }
    SCOPED_TRACE(exports[i].Folder);
    ASSERT_FALSE(mine.empty());
    ULONGLONG first = mine[0].Time, last = mine[0].Time;
    for (const TWritten& f : mine) {
      first = std::min(first, f.Time);
      last = std::max(last, f.Time);
    }
    if (!spans.empty()) {
      EXPECT_GE(first, spans.back().second);
    }
    spans.push_back({first, last});
  }
  std::vector<TWritten> text;
  CollectFiles(folder["mapping"], text);
  ASSERT_EQ(1u, text.size());
  EXPECT_EQ(folder["mapping"] + "\\current.txt", text[0].Path);
}
