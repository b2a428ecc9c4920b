// The manager's commands on stored mappings: the name rules over new, import, copy and rename; copies and
// renamed mappings that keep the whole key; an import that reads its file first; and every step of each
// command failed in turn by the registry, which leaves a box and the registry as it was.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>

#include "manager_fixture.h"
#include "reg_export.h"
#include "registry_faults.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "string_list.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using namespace managertest;

namespace {

const std::string Mappings = "Software\\tarnbel\\mappings\\";

// Every key and value below path, read with the system's calls alone.
std::string Dump(const std::string& path) {
  std::string text = "[" + path + "]\n";
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return text + "(none)\n";
  std::vector<char> name(16384);
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) break;
    text += std::string(name.data(), nameSize) + "=" + std::to_string(type) + ":" +
            std::string(data.begin(), data.begin() + dataSize) + "\n";
  }
  RegCloseKey(key);
  for (const std::string& subkey : testsupport::SubkeyNames(path)) text += Dump(path + "\\" + subkey);
  return text;
}

// The dump of a mapping's key with the key's own name left out, to compare two mappings' keys.
std::string Contents(const std::string& name) {
  std::string text = Dump(Mappings + name);
  std::string own = Mappings + name;
  for (size_t at; (at = text.find(own)) != std::string::npos;) text.replace(at, own.size(), "<key>");
  return text;
}

// The text without the top key's "Priority", which the list numbers again after each change.
std::string WithoutPriority(std::string text) {
  size_t at = text.find("\nPriority=");
  if (at != std::string::npos) text.erase(at, text.find('\n', at + 1) - at);
  return text;
}

enum TCommandKind { cmNew, cmImport, cmCopy, cmRename };

struct TCommandInfo {
  const char* Name;
  const char* Caption;
  std::string Prompt;
  const char* Proposal;
  const char* Hint;
};

const TCommandInfo Commands[] = {
    {"New", "New mapping", "Enter new mapping name:", "",
     "You might also delete existing mapping before creating the new one with the same name."},
    {"Import", "Load file as...", "Enter name for new mapping:", "import_me",
     "To import mapping from file over existing mapping use the Import command in Editor."},
    {"Copy", "Copy mapping", "Enter name for new mapping:", "",
     "You might also delete existing mapping before copying another mapping to this name."},
    {"Rename", "Rename mapping", "Enter new name for mapping \"Strings\" :", "", ""},
};

class ManagerCommands : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    Folder = std::make_unique<testsupport::TScratchFolder>("manager");
    ImportFile = (*Folder)["import_me.txt"];
    SaveStringsToFile(ImportFile, {"[Name]", "whatever", "", "[Bank backgrounds]", "", "[Bank colors]", "",
                                   "[Bank names]", "000:Imported", "", "[C:\\sounds\\i.sf2]",
                                   "000: 001: 000: 004: Imported Piano", ""});
  }
  void TearDown() override {
    ManagerFixture::TearDown();
    Folder.reset();
  }

  void StoreTwo() {
    StoreMapping("Strings", 2, true, {{0, 0, "Violins"}, {0, 1, "Cellos", "C:\\sounds\\b.sf2", 0, 5}});
    {
      TMapping strings("Strings", false, nullptr, "");
      strings.SetBankName(0, "Orchestra");
      strings.DefaultDrumBank = 5;
      strings.DefaultMelodicBank = 7;
    }
    StoreMapping("Pads", 1, true, {{0, 0, "Warm"}});
    TRegKey(Mappings + "Strings", true).WriteBool("Random", false);
    // The import's folder is already the one remembered: choosing the file changes nothing stored.
    TRegKey(TarnbelKeyPath, true).WriteString("DialogMappingPath", Folder->Path() + "\\");
  }

  void Run(TCommandKind kind) {
    Manager->CheckListBox1->SetItemIndex(0);
    ChosenFile = ImportFile;
    TAction* actions[] = {Manager->NewMappingAction, Manager->LoadMappingFromFileAction, Manager->CopyMappingAction,
                          Manager->RenameMappingAction};
    actions[kind]->Execute();
  }

  std::unique_ptr<testsupport::TScratchFolder> Folder;
  std::string ImportFile;
  // Registry steps made when the change was told.
  int NoticeAt = 0;
};

}  // namespace

TEST_F(ManagerCommands, NameRulesHoldForNewImportCopyAndRename) {
  enum TOutcome { Silent, Refused, Made };
  struct TCase {
    const char* What;
    std::optional<std::string> Typed;
    // Per command New, Import, Copy, Rename.
    TOutcome Outcomes[4];
    std::string Box;  // "<hint>" stands for the command's hint
    UINT Flags;
  };
  const std::string tooLong(300, 'x');
  const TCase cases[] = {
      {"cancelled", std::nullopt, {Silent, Silent, Silent, Silent}, "", 0},
      {"empty", std::string(), {Silent, Silent, Silent, Silent}, "", 0},
      {"backslash", std::string("a\\b"), {Refused, Refused, Refused, Refused},
       "Mapping name cannot contain a \"\\\" character.", MB_OK | MB_ICONINFORMATION},
      {"control character", std::string("a\x01" "b"), {Refused, Refused, Refused, Refused},
       "Mapping name cannot contain control characters.", MB_OK | MB_ICONINFORMATION},
      {"exists", std::string("Pads"), {Refused, Refused, Refused, Refused},
       "Mapping \"Pads\" already exists. Choose another name.<hint>", MB_OK | MB_ICONERROR},
      {"exists in another case", std::string("pADS"), {Refused, Refused, Refused, Refused},
       "Mapping \"pADS\" already exists. Choose another name.<hint>", MB_OK | MB_ICONERROR},
      {"the source's own name", std::string("Strings"), {Refused, Refused, Silent, Silent},
       "Mapping \"Strings\" already exists. Choose another name.<hint>", MB_OK | MB_ICONERROR},
      {"300 characters", tooLong, {Refused, Refused, Refused, Refused},
       "Mapping name cannot be longer than 218 characters.", MB_OK | MB_ICONINFORMATION},
      // The deepest key, ...\mappings\<name>\BankBackgrounds, still within the registry's 260 characters.
      {"219 characters", std::string(219, 'y'), {Refused, Refused, Refused, Refused},
       "Mapping name cannot be longer than 218 characters.", MB_OK | MB_ICONINFORMATION},
      {"218 characters", std::string(218, 'y'), {Made, Made, Made, Made}, "", 0},
      {"new", std::string("Fresh"), {Made, Made, Made, Made}, "", 0},
  };
  for (int kind = cmNew; kind <= cmRename; ++kind) {
    const TCommandInfo& command = Commands[kind];
    for (const TCase& c : cases) {
      SCOPED_TRACE(std::string(command.Name) + ": " + c.What);
      FreeManager();
      ResetRegistry();
      StoreTwo();
      Open();
      const std::string before = Dump("Software\\tarnbel");
      const std::vector<std::string> rowsBefore = Rows();
      Boxes.clear();
      Queries.clear();
      TestLauncher->MappingsChanged = 0;
      if (c.Typed) Answer(*c.Typed);
      else CancelPrompt();
      size_t from = Mark();
      Run(TCommandKind(kind));

      ASSERT_EQ(1u, Queries.size());
      EXPECT_EQ(command.Caption, Queries[0].Caption);
      EXPECT_EQ(command.Prompt, Queries[0].Prompt);
      EXPECT_EQ(command.Proposal, Queries[0].Proposal);
      TOutcome outcome = c.Outcomes[kind];
      if (outcome == Made) {
        EXPECT_TRUE(Boxes.empty());
        EXPECT_EQ(1, TestLauncher->MappingsChanged);
        EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_CHANGED, from));
        std::vector<std::string> rows = Rows();
        EXPECT_NE(rows.end(), std::find(rows.begin(), rows.end(), *c.Typed));
        EXPECT_EQ(kind == cmRename, std::find(rows.begin(), rows.end(), "Strings") == rows.end());
        EXPECT_TRUE(testsupport::KeyExists(Mappings + *c.Typed + "\\BankBackgrounds"));
        continue;
      }
      if (outcome == Refused) {
        ASSERT_EQ(1u, Boxes.size());
        std::string box = c.Box, hint = command.Hint;
        size_t at = box.find("<hint>");
        if (at != std::string::npos) box.replace(at, 6, hint.empty() ? "" : "\r\n\r\n" + hint);
        EXPECT_EQ(box, Boxes[0].Text);
        EXPECT_EQ("tarnbel", Boxes[0].Caption);
        EXPECT_EQ(c.Flags, Boxes[0].Flags);
      } else {
        EXPECT_TRUE(Boxes.empty());
      }
      EXPECT_EQ(before, Dump("Software\\tarnbel"));
      EXPECT_EQ(rowsBefore, Rows());
      EXPECT_EQ(0, TestLauncher->MappingsChanged);
      EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_CHANGED, from));
    }
  }
}

TEST_F(ManagerCommands, CopyAndRenameKeepTheWholeKeyOfAFullMapping) {
  // Every slot filled, from sixteen files, with bank names and all five values set.
  {
    TMapping full("Full", false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank) {
      for (int program = 0; program < MappingPrograms; ++program)
        full.AddItem("C:\\sounds\\f" + std::to_string(program % 16) + ".sf2", bank, true, 0,
                     "Preset " + std::to_string(bank) + "/" + std::to_string(program), program, bank % 4, program);
      full.SetBankName(bank, "Bank of " + std::to_string(bank));
    }
    full.SetBankColor(3, "255");
    full.SetBankBackground(4, "65280");
    full.DefaultDrumBank = 9;
    full.DefaultMelodicBank = 12;
  }
  TRegKey full(Mappings + "Full", true);
  full.WriteBool("Active", false);
  full.WriteBool("Random", false);
  full.WriteInteger("Priority", 7);
  Open();
  const std::string source = Contents("Full");
  ASSERT_NE(std::string::npos, source.find("DefaultMelodicBank=4:\x0c"));

  // The new key as the change is told, before the list numbers the priorities again.
  // The figures leave out the time the test itself takes to read the key there.
  std::string made;
  std::string madeName;
  std::chrono::steady_clock::duration reading{};
  TestLauncher->OnMappingsChanged = [&] {
    auto start = std::chrono::steady_clock::now();
    made = Contents(madeName);
    reading = std::chrono::steady_clock::now() - start;
  };
  madeName = "Full copy";
  Answer(madeName);
  auto start = std::chrono::steady_clock::now();
  Manager->CheckListBox1->SetItemIndex(0);
  Manager->CopyMappingAction->Execute();
  auto copied = std::chrono::steady_clock::now();
  const auto copyReading = reading;
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(source == made) << "the copy's key differs from its source's";
  EXPECT_TRUE(WithoutPriority(source) == WithoutPriority(Contents("Full"))) << "the source is left as it was";

  const std::string beforeRename = Contents("Full");
  madeName = "Renamed";
  Answer(madeName);
  Manager->CheckListBox1->SetItemIndex(Manager->CheckListBox1->Items()->IndexOf("Full"));
  auto renameStart = std::chrono::steady_clock::now();
  Manager->RenameMappingAction->Execute();
  auto renamed = std::chrono::steady_clock::now();
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(beforeRename == made);
  EXPECT_FALSE(testsupport::KeyExists(Mappings + "Full"));
  using ms = std::chrono::milliseconds;
  std::cout << "[figure] Copy of a full mapping (16512 entries): "
            << std::chrono::duration_cast<ms>(copied - start - copyReading).count() << " ms" << std::endl;
  std::cout << "[figure] Rename of a full mapping (16512 entries): "
            << std::chrono::duration_cast<ms>(renamed - renameStart - reading).count() << " ms" << std::endl;
}

TEST_F(ManagerCommands, ImportReadsItsFileBeforeMakingAnything) {
  StoreTwo();
  Open();
  const std::string before = Dump(Mappings.substr(0, Mappings.size() - 1));
  struct TCase {
    const char* What;
    std::string File;
    DWORD Error;
  };
  const TCase cases[] = {{"gone", (*Folder)["gone.txt"], ERROR_FILE_NOT_FOUND},
                         {"a folder", Folder->Path(), ERROR_ACCESS_DENIED}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Boxes.clear();
    Queries.clear();
    ChosenFile = c.File;
    Answer("Unwanted");
    Manager->LoadMappingFromFileAction->Execute();
    Answers.clear();
    EXPECT_TRUE(Queries.empty()) << "no name is asked for a file that cannot be read";
    ASSERT_EQ(1u, Boxes.size());
    EXPECT_EQ("Can't read " + c.File + ": " + SysErrorMessage(c.Error), Boxes[0].Text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), Boxes[0].Flags);
    EXPECT_EQ(before, Dump(Mappings.substr(0, Mappings.size() - 1)));
  }
  // A readable file becomes the mapping of its text, under the name given.
  Answer("Imported");
  ChosenFile = ImportFile;
  Manager->LoadMappingFromFileAction->Execute();
  TMapping imported("Imported", false, nullptr, "");
  imported.SaveOnDestroy = false;
  std::vector<std::string> text;
  imported.ExportToText(text);
  std::vector<std::string> file;
  LoadStringsFromFile(ImportFile, file);
  file[1] = "Imported";
  EXPECT_EQ(file, text);
  EXPECT_EQ(Folder->Path() + "\\", TRegKey(TarnbelKeyPath, true).ReadString("DialogMappingPath", ""));
}

TEST_F(ManagerCommands, ImportRefusesAFileThatHoldsNoMappingText) {
  StoreTwo();
  Open();
  const std::string before = Dump("Software\\tarnbel\\mappings"), file = (*Folder)["not_a_mapping.txt"];
  std::string noise;
  for (int i = 0; i < 3000; ++i) noise += char((i * 7919 + 13) % 251);
  for (const std::string& bytes :
       {std::string(), noise, std::string("[Settings]\r\nVolume=3\r\n[Bank colors]\r\n")}) {
    ASSERT_TRUE(testsupport::WriteBytes(file, bytes));
    Boxes.clear();
    Queries.clear();
    ChosenFile = file;
    Manager->LoadMappingFromFileAction->Execute();
    EXPECT_TRUE(Queries.empty()) << "no name is asked for a file that holds no mapping";
    ASSERT_EQ(1u, Boxes.size());
    EXPECT_EQ(file + " is not a mapping file.", Boxes[0].Text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), Boxes[0].Flags);
    EXPECT_EQ(before, Dump("Software\\tarnbel\\mappings"));
  }
}

// The row commands go on with the row a command made, or with the one that took a deleted row's place.
TEST_F(ManagerCommands, EachCommandLeavesItsMappingSelected) {
  const int Delete = cmRename + 1;
  const struct {
    int Kind, Row;
    const char* Selected;
  } cases[] = {{cmNew, 0, "Fresh"}, {cmImport, 0, "Fresh"}, {cmCopy, 0, "Fresh"},
               {cmRename, 0, "Fresh"}, {Delete, 0, "Pads"},    {Delete, 1, "Strings"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Kind) + " on row " + std::to_string(c.Row));
    FreeManager();
    ResetRegistry();
    StoreTwo();
    Open();
    Answer("Fresh");
    if (c.Kind == Delete) {
      Manager->CheckListBox1->SetItemIndex(c.Row);
      Manager->DeleteMappingAction->Execute();
    } else {
      Run(TCommandKind(c.Kind));
    }
    Answers.clear();
    ASSERT_GE(Manager->SelectedRow(), 0);
    EXPECT_EQ(c.Selected, Rows()[size_t(Manager->SelectedRow())]);
    Manager->ActionList1->UpdateActions();
    EXPECT_TRUE(Manager->CopyMappingAction->Enabled());
  }
}

TEST_F(ManagerCommands, DeleteAsksFirstAndKeepsTheComboMark) {
  StoreTwo();
  Open();
  Manager->CheckListBox1->SetItemIndex(1);
  BoxAnswers = {IDCANCEL};
  Manager->DeleteMappingAction->Execute();
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Really want to delete mapping \"Pads\" ?", Boxes[0].Text);
  EXPECT_EQ("Confirmation", Boxes[0].Caption);
  EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), Boxes[0].Flags);
  EXPECT_TRUE(testsupport::KeyExists(Mappings + "Pads"));

  Manager->ComboModified = false;
  Manager->CheckListBox1->SetItemIndex(1);
  Manager->DeleteMappingAction->Execute();
  EXPECT_FALSE(testsupport::KeyExists(Mappings + "Pads"));
  EXPECT_EQ(std::vector<std::string>{"Strings"}, Rows());
  EXPECT_FALSE(Manager->ComboModified);
  EXPECT_EQ(1, TestLauncher->MappingsChanged);
}

// Every create, write and delete of each command fails in turn: each time a box with the system's error,
// the registry as "reg export" shows it before, the list and the server untold.
TEST_F(ManagerCommands, EachStepOfEachCommandFailingLeavesABoxAndTheRegistryAsItWas) {
  struct TWalk {
    const char* What;
    std::function<void()> Command;
    // The steps that make the change (their numbers among all registry steps): those on the mappings it
    // makes or removes, up to the notice of the change, or those on the combo's key.
    std::function<std::vector<int>(const testsupport::RegistryFaultAt&)> Steps;
    const char* Box;
  };
  auto stepsOn = [](const testsupport::RegistryFaultAt& faults, const std::string& prefix, size_t end) {
    std::vector<int> steps;
    for (size_t i = 0; i < std::min(end, faults.Operations().size()); ++i)
      if (faults.Operations()[i].rfind(prefix, 0) == 0) steps.push_back(int(i) + 1);
    return steps;
  };
  auto toNotice = [this, stepsOn](std::vector<std::string> names) {
    return [this, stepsOn, names](const testsupport::RegistryFaultAt& faults) {
      std::vector<int> steps;
      for (const std::string& name : names)
        for (int step : stepsOn(faults, Mappings + name, size_t(NoticeAt))) steps.push_back(step);
      std::sort(steps.begin(), steps.end());
      return steps;
    };
  };
  auto onCombo = [stepsOn](const testsupport::RegistryFaultAt& faults) {
    return stepsOn(faults, "Software\\tarnbel\\combos\\Live", faults.Operations().size());
  };
  auto run = [this](TCommandKind kind, const char* name) {
    return [this, kind, name] {
      Answer(name);
      Run(kind);
    };
  };
  const TWalk walks[] = {
      {"New", run(cmNew, "Fresh"), toNotice({"Fresh"}), "Can't create mapping \"Fresh\": "},
      {"Import", run(cmImport, "Fresh"), toNotice({"Fresh"}), "Can't import mapping \"Fresh\": "},
      {"Copy", run(cmCopy, "Fresh"), toNotice({"Fresh"}), "Can't copy mapping \"Strings\": "},
      {"Rename", run(cmRename, "Fresh"), toNotice({"Fresh", "Strings"}), "Can't rename mapping \"Strings\": "},
      {"Delete", [this] { Manager->CheckListBox1->SetItemIndex(0); Manager->DeleteMappingAction->Execute(); },
       toNotice({"Strings"}), "Can't delete mapping \"Strings\": "},
      {"SaveCombo", [this] { Answer("Live"); Manager->SaveCombo(); }, onCombo, "Can't save combo \"Live\": "},
      {"SaveCombo over a stored one", [this] { Answer("Live"); Manager->SaveCombo(); }, onCombo,
       "Can't save combo \"Live\": "},
      {"DeleteCombo", [this] { Manager->ComboBox1->SetItemIndex(0); Manager->DeleteCombo(); }, onCombo,
       "Can't delete combo \"Live\": "},
  };
  for (const TWalk& walk : walks) {
    SCOPED_TRACE(walk.What);
    const bool storedCombo = std::string(walk.What) != "SaveCombo";
    auto prepare = [&] {
      FreeManager();
      ResetRegistry();
      StoreTwo();
      if (storedCombo) TRegKey("Software\\tarnbel\\combos\\Live", true).WriteInteger("Count", 0);
      Open();
      Boxes.clear();
      Answers.clear();
      BoxAnswers.clear();
      NoticeAt = 0;
      TestLauncher->MappingsChanged = 0;
    };
    // A clean run counts the steps.
    prepare();
    std::vector<int> steps;
    {
      testsupport::RegistryFaultAt faults(0);
      TestLauncher->OnMappingsChanged = [&] { NoticeAt = faults.Count(); };
      walk.Command();
      TestLauncher->OnMappingsChanged = nullptr;
      ASSERT_TRUE(Boxes.empty() || Boxes[0].Caption == "Confirmation");
      steps = walk.Steps(faults);
    }
    ASSERT_FALSE(steps.empty());
    // A failed step leaves everything as it was, so the next one runs on the same window and registry. Each
    // step is checked with the system's registry calls, the whole walk with "reg export" as well.
    prepare();
    const std::string before = testsupport::ExportRegistryKey("HKCU\\Software\\tarnbel");
    const std::string beforeDump = Dump("Software\\tarnbel");
    ASSERT_FALSE(before.empty());
    const std::vector<std::string> rows = Rows();
    const int combos = Manager->ComboBox1->Items()->Count();
    for (int n : steps) {
      SCOPED_TRACE("registry step " + std::to_string(n));
      Boxes.clear();
      Answers.clear();
      size_t from = Mark();
      {
        testsupport::RegistryFaultAt fault(n);
        walk.Command();
        EXPECT_TRUE(fault.Fired());
      }
      std::vector<TBox> errors;
      for (const TBox& box : Boxes)
        if (box.Caption == "tarnbel") errors.push_back(box);
      ASSERT_EQ(1u, errors.size());
      EXPECT_EQ(walk.Box + SysErrorMessage(ERROR_ACCESS_DENIED), errors[0].Text);
      EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), errors[0].Flags);
      ASSERT_TRUE(beforeDump == Dump("Software\\tarnbel"));
      EXPECT_EQ(rows, Rows());
      EXPECT_EQ(combos, Manager->ComboBox1->Items()->Count());
      EXPECT_EQ(0, TestLauncher->MappingsChanged);
      EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_CHANGED, from));
    }
    EXPECT_EQ(before, testsupport::ExportRegistryKey("HKCU\\Software\\tarnbel"));
    std::cout << "[figure] registry steps failed in turn, " << walk.What << ": " << steps.size() << std::endl;
  }
}
