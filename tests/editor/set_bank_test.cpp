// "Set bank in file...": the rewrite changes the presets' bank fields and nothing else, as fluidsynth reads
// it too; damaged files and files the system will not let go are refused with the file as it was and no copy
// left beside it; the command in the editor takes only whole numbers 0-65535.
#include <algorithm>
#include <functional>
#include <map>

#include "dialog_windows.h"
#include "editor_fixture.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "screen.h"
#include "set_bank_in_file.h"
#include "sf2_damage.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "unix_shell.h"

using namespace ui;
using testsupport::FilesIn;

namespace {

struct TFileState {
  std::string Bytes;
  FILETIME Written{};
  std::vector<std::string> FolderFiles;
};

TFileState StateOf(const std::string& path) {
  TFileState state;
  state.Bytes = testsupport::ReadBytes(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) state.Written = data.ftLastWriteTime;
  state.FolderFiles = FilesIn(ExcludeTrailingBackslash(ExtractFilePath(path)));
  return state;
}

void ExpectUnchanged(const TFileState& before, const std::string& path, const std::string& what) {
  TFileState after = StateOf(path);
  EXPECT_TRUE(after.Bytes == before.Bytes) << what;
  EXPECT_EQ(CompareFileTime(&after.Written, &before.Written), 0) << what;
  EXPECT_EQ(after.FolderFiles, before.FolderFiles) << what;
}

// The offsets of the wBank fields of the presets (the terminal record's excluded).
std::vector<size_t> BankFieldOffsets(const sf2test::Sf2Builder& builder) {
  std::vector<size_t> offsets;
  for (const sf2test::Sf2ChunkSpan& span : builder.Layout())
    if (span.ID == "phdr")
      for (size_t record = 0; record + 1 < span.Size / 38; ++record)
        for (size_t b = 22; b < 24; ++b) offsets.push_back(size_t(span.DataPos()) + record * 38 + b);
  return offsets;
}

class SetBank : public editortest::EditorFixture {
 protected:
  sf2test::Sf2Builder Bank() {
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Piano", 0, 0, {300});
    builder.AddPresetWithSamples("Strings", 5, 48, {200});
    builder.AddPresetWithSamples("Kit", 128, 1, {100, 100});
    return builder;
  }
  std::string WriteBank(const std::string& name) {
    std::string path = Folder[name];
    EXPECT_TRUE(Bank().Write(path));
    return path;
  }
  // Answers the bank question once with the text, or cancels it.
  struct TAnswer {
    explicit TAnswer(std::string text, bool ok = true) {
      FPrevious = SetInputQueryHandler([this, text, ok](const std::string& caption, const std::string& prompt,
                                                        std::string& value) {
        Caption = caption;
        Prompt = prompt;
        value = text;
        ++Asked;
        return ok;
      });
    }
    ~TAnswer() { SetInputQueryHandler(FPrevious); }
    std::string Caption, Prompt;
    int Asked = 0;
    TInputQueryHandler FPrevious;
  };
  void BrowseAndFocusTree(const std::string& path) {
    Browse(path);
    Focus(Editor->SystemTreeView);
  }
};

}  // namespace

TEST_F(SetBank, OnlyThePresetsBanksChangeAndFluidsynthReadsThem) {
  const std::string path = WriteBank("bank.sf2");
  const std::string original = testsupport::ReadBytes(path);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  const std::vector<size_t> fields = BankFieldOffsets(Bank());
  ASSERT_EQ(fields.size(), 6u);
  for (uint16_t bank : {uint16_t(3), uint16_t(0), uint16_t(65535), uint16_t(127)}) {
    TSetBankResult result = SetBankInFile(path, bank);
    ASSERT_EQ(result.Status, TSetBankStatus::Done) << result.Reason;
    const std::string rewritten = testsupport::ReadBytes(path);
    ASSERT_EQ(rewritten.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i) {
      const bool field = std::find(fields.begin(), fields.end(), i) != fields.end();
      const char expected = field ? char((i - fields[0]) % 38 == 0 ? bank & 0xFF : bank >> 8) : original[i];
      if (rewritten[i] != expected) ADD_FAILURE() << "byte " << i << " after bank " << bank;
    }
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE))
        << bank;
    EXPECT_EQ(FilesIn(Folder.Path()), std::vector<std::string>{"bank.sf2"}) << bank;
  }
  // A relative name works as well as a full one.
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(Folder.Path().c_str());
  EXPECT_EQ(SetBankInFile("bank.sf2", 3).Status, TSetBankStatus::Done);
  SetCurrentDirectoryA(current);

  const std::string report = testsupport::FluidsynthPresetReport(path);
  ASSERT_FALSE(report.empty()) << "fluidsynth did not run";
  for (const char* preset : {"003-000 Piano", "003-048 Strings", "003-001 Kit"})
    EXPECT_NE(report.find(preset), std::string::npos) << preset << "\n" << report;
  EXPECT_EQ(report.find("error:"), std::string::npos) << report;
}

TEST_F(SetBank, DamagedFilesAreRefusedWithTheFileAsItWas) {
  std::vector<sf2test::Sf2DamagedCopy> copies = sf2test::DamagedCopies(Bank());
  const std::vector<sf2test::Sf2DamagedCopy> structure = sf2test::StructureDamagedCopies(Bank());
  ASSERT_EQ(structure.size(), 9u);
  copies.insert(copies.end(), structure.begin(), structure.end());
  copies.push_back({"text named .sf2", "this is not a SoundFont file\r\n"});
  copies.push_back({"empty", ""});
  const std::map<std::string, std::string> kinds = {
      {"not RIFF", "it is not a SoundFont file"},
      {"not sfbk", "it is not a SoundFont file"},
      {"RIFF past the file", "a chunk runs past its parent or the file"},
      {"pdta past the RIFF", "a chunk runs past its parent or the file"},
      {"no phdr", "it has no preset headers"},
      {"phdr not whole records", "its preset headers are not whole records"},
      {"no EOP", "its preset headers do not end with \"EOP\""},
      {"EOP early", "its preset headers hold \"EOP\" before their end"},
      {"two phdr", "it has more than one preset header chunk"},
      {"empty", "it is not a SoundFont file"},
  };
  for (const sf2test::Sf2DamagedCopy& copy : copies) {
    const std::string path = Folder["damaged.sf2"];
    ASSERT_TRUE(testsupport::WriteBytes(path, copy.Bytes));
    const TFileState before = StateOf(path);
    TSetBankResult result = SetBankInFile(path, 7);
    EXPECT_EQ(result.Status, TSetBankStatus::Damaged) << copy.Name;
    auto kind = kinds.find(copy.Name);
    if (kind != kinds.end()) EXPECT_EQ(result.Reason, kind->second) << copy.Name;
    else EXPECT_FALSE(result.Reason.empty()) << copy.Name;
    ExpectUnchanged(before, path, copy.Name);
    DeleteFileA(path.c_str());
  }
}

TEST_F(SetBank, FilesTheSystemHoldsGiveItsErrorAndStayAsTheyWere) {
  struct TFailure {
    const char* Name;
    DWORD Code;
    std::function<HANDLE(const std::string&)> Hold;  // a handle to close afterwards, or none
  } failures[] = {
      {"read-only", ERROR_ACCESS_DENIED,
       [](const std::string& path) {
         SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
         return INVALID_HANDLE_VALUE;
       }},
      {"open for reading without delete sharing", ERROR_SHARING_VIOLATION,
       [](const std::string& path) {
         return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
       }},
      {"open for writing", ERROR_SHARING_VIOLATION,
       [](const std::string& path) {
         return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
       }},
  };
  for (const TFailure& failure : failures) {
    const std::string path = WriteBank("held.sf2");
    HANDLE held = failure.Hold(path);
    const TFileState before = StateOf(path);
    TSetBankResult result = SetBankInFile(path, 9);
    EXPECT_EQ(result.Status, TSetBankStatus::Failed) << failure.Name;
    EXPECT_EQ(result.Reason, SysErrorMessage(failure.Code)) << failure.Name;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    ExpectUnchanged(before, path, failure.Name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  TSetBankResult vanished = SetBankInFile(Folder["gone.sf2"], 9);
  EXPECT_EQ(vanished.Status, TSetBankStatus::Failed);
  EXPECT_EQ(vanished.Reason, SysErrorMessage(ERROR_FILE_NOT_FOUND));
}

TEST_F(SetBank, AFullDiskGivesItsErrorAndLeavesNoCopy) {
  testsupport::TSmallDisk disk(96);
  if (!disk.Mounted()) GTEST_SKIP() << "a small tmpfs cannot be mounted here (not root or no mount rights)";
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Big", 0, 0, {30000});
  const std::string path = disk.Path() + "\\full.sf2";
  ASSERT_TRUE(builder.Write(path));
  const TFileState before = StateOf(path);
  TSetBankResult result = SetBankInFile(path, 4);
  EXPECT_EQ(result.Status, TSetBankStatus::Failed);
  EXPECT_EQ(result.Reason, SysErrorMessage(ERROR_DISK_FULL));
  ExpectUnchanged(before, path, "full disk");
  DeleteFileA(path.c_str());
}

TEST_F(SetBank, TheCommandTakesWholeNumbersUpTo65535AndSaysWhenOneIsOutOfRange) {
  const std::string path = WriteBank("bank.sf2");
  ASSERT_TRUE(OpenEditor("set bank"));
  BrowseAndFocusTree(path);
  ASSERT_EQ(Captions(Editor->PresetsListView),
            (std::vector<std::string>{"000: 000: Piano", "005: 048: Strings", "drum: 001: Kit"}));
  const TFileState before = StateOf(path);
  // Text that is no number is passed over; a number out of range is said.
  const std::string outOfRange = "Bank numbers in a file may range only from 0 to 65535.";
  const struct {
    const char* Answer;
    bool Said;
  } refused[] = {{"abc", false},  {"", false},     {"3.5", false},         {" 3", false}, {"0x10", false},
                 {"-", false},    {"-1", true},    {"65536", true},        {"65664", true},
                 {"+70000", true}, {"99999999999", true}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.Answer);
    testsupport::MessageBoxRecorder boxes;
    TAnswer answer(r.Answer);
    Editor->SetBankInFileAction->Execute();
    EXPECT_EQ(answer.Asked, 1);
    ExpectUnchanged(before, path, r.Answer);
    ASSERT_EQ(boxes.Boxes.size(), r.Said ? 1u : 0u);
    if (!r.Said) continue;
    EXPECT_EQ(boxes.Boxes[0].Text, outOfRange);
    EXPECT_EQ(boxes.Boxes[0].Caption, "tarnbel");
    EXPECT_EQ(boxes.Boxes[0].Flags & MB_ICONMASK, UINT(MB_ICONINFORMATION));
  }
  testsupport::MessageBoxRecorder boxes;
  {
    TAnswer cancelled("3", false);
    Editor->SetBankInFileAction->Execute();
    ExpectUnchanged(before, path, "Cancel");
  }
  EXPECT_TRUE(boxes.Boxes.empty());

  // Ctrl+Alt+B from the tree asks about the file by its name.
  TAnswer answer("3");
  Editor->SetBankInFileAction->Update();
  EXPECT_TRUE(Editor->SetBankInFileAction->Enabled());
  PressKey('B', {VK_CONTROL, VK_MENU});
  ASSERT_EQ(answer.Asked, 1);
  EXPECT_EQ(answer.Caption, "Change bank in file");
  EXPECT_EQ(answer.Prompt, "Enter bank number for \"bank.sf2\" :");
  EXPECT_EQ(Captions(Editor->PresetsListView),
            (std::vector<std::string>{"003: 000: Piano", "003: 001: Kit", "003: 048: Strings"}));
  EXPECT_TRUE(boxes.Boxes.empty());
  EXPECT_TRUE(IsWindowEnabled(Editor->Handle()));
}

TEST_F(SetBank, TheBoxTakesEnterAndEscapeAndADamagedFileIsNamed) {
  const std::string path = WriteBank("bank.sf2");
  ASSERT_TRUE(OpenEditor("set bank"));
  BrowseAndFocusTree(path);
  auto query = [] { return testsupport::VisibleWindow("Change bank in file"); };
  auto typeAndPress = [&](const char* text, WORD key) -> testsupport::TModalDriver::TStep {
    return [=] {
      HWND box = query();
      if (!box) return false;
      std::vector<HWND> edits = testsupport::ChildrenOf(box, "TEdit");
      if (edits.empty()) return false;
      SetWindowTextA(edits[0], text);
      testsupport::PostKey(edits[0], key);
      return true;
    };
  };
  for (WORD key : {VK_ESCAPE, VK_RETURN}) {
    testsupport::TModalDriver driver(nullptr, {typeAndPress(key == VK_RETURN ? "12" : "40", key)}, 5000);
    Editor->SetBankInFileAction->Execute();
    EXPECT_FALSE(driver.TimedOut());
  }
  EXPECT_EQ(Captions(Editor->PresetsListView),
            (std::vector<std::string>{"012: 000: Piano", "012: 001: Kit", "012: 048: Strings"}));

  // A file damaged since it was listed is refused with a box that names it.
  std::string bytes = testsupport::ReadBytes(path);
  bytes.replace(8, 4, "sfbz");
  ASSERT_TRUE(testsupport::WriteBytes(path, bytes));
  testsupport::MessageBoxRecorder boxes;
  TAnswer answer("5");
  Editor->SetBankInFileAction->Execute();
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Can't change bank in file \"" + path + "\": it is not a SoundFont file.");
  EXPECT_EQ(boxes.Boxes[0].Caption, "tarnbel");
  EXPECT_EQ(testsupport::ReadBytes(path), bytes);
  EXPECT_TRUE(Editor->PresetsListView->Items().Count() == 0);
}
