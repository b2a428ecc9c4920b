// Saving the monitor's cached presets: the collected records, the text list, the mapping file and the
// new stored mapping.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs.h"
#include "message_box_recorder.h"
#include "monitor_fixture.h"
#include "registry_internal.h"
#include "phdr_chunk.h"
#include "registry_test_support.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_mapping.h"
#include "tarnbel_sf2_saver.h"

using namespace ui;
using toolstest::Rec;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Answers the file dialogs with a chosen name (empty: cancel) and keeps what they asked.
class DialogAnswer {
 public:
  explicit DialogAnswer(const std::string& fileName) {
    FPrevious = SetFileDialogHandler([this, fileName](TFileDialogRequest& request) {
      Asked.push_back(request);
      if (fileName.empty()) return false;
      request.FileName = fileName;
      request.Files = {fileName};
      return true;
    });
  }
  ~DialogAnswer() { SetFileDialogHandler(FPrevious); }
  std::vector<TFileDialogRequest> Asked;

 private:
  TFileDialogHandler FPrevious;
};

class InputAnswer {
 public:
  InputAnswer(bool ok, const std::string& value) {
    FPrevious = SetInputQueryHandler([this, ok, value](const std::string& caption, const std::string& prompt,
                                                       std::string& v) {
      Asked.push_back(caption + "|" + prompt + "|" + v);
      v = value;
      return ok;
    });
  }
  ~InputAnswer() { SetInputQueryHandler(FPrevious); }
  std::vector<std::string> Asked;

 private:
  TInputQueryHandler FPrevious;
};

class Saving : public toolstest::Monitor {
 protected:
  void SetUp() override {
    Monitor::SetUp();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    Folder = std::string(temp) + "tb_saving_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
  }
  void TearDown() override {
    for (const char* name : {"list.txt", "cached.txt", "song.txt", "old.txt"}) {
      SetFileAttributesA((Folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((Folder + name).c_str());
    }
    RemoveDirectoryA(Folder.c_str());
    Monitor::TearDown();
  }
  // Rows, top to bottom: Kit (kit.sf2), Voice (a wave), Piano and Strings (gm.sf2).
  void FillRows() {
    SendRecords({Rec("Strings", 0, 48, 2, "Studio", "C:\\sf\\gm.sf2", 0, 48),
                 Rec("piano", 0, 0, 0, "Studio", "C:\\sf\\gm.sf2", 0, 0),
                 Rec("Voice", 3, 7, -1, NoneMarker, "C:\\w\\ah.wav", 200, 0),
                 Rec("Kit", 32768, 8, 9, "Drums", "C:\\sf\\kit.sf2", 128, 8)});
  }
  std::string Folder;
};

}  // namespace

TEST_F(Saving, CollectedRecordsAreFilledFieldByFieldAndNothingElse) {
  Start();
  FillRows();
  Rows()[1]->SetSelected(true);
  Rows()[3]->SetSelected(true);
  std::vector<CachedPresetRecord> selected = M()->CollectPresets(false);
  ASSERT_EQ(selected.size(), 2u);
  // Visited bottom up: the top row's record comes last.
  EXPECT_EQ(GetShortString(selected[0].PresetName), "Strings");
  EXPECT_EQ(GetShortString(selected[1].PresetName), "Voice");

  std::vector<CachedPresetRecord> all = M()->CollectPresets(true);
  ASSERT_EQ(all.size(), 4u);
  const CachedPresetRecord& kit = all[3];
  EXPECT_EQ(kit.Bank, 128);
  EXPECT_EQ(kit.Program, 8);
  EXPECT_EQ(kit.Channel, 10);  // as shown
  EXPECT_EQ(kit.SourceBank, 128);
  EXPECT_EQ(kit.SourcePreset, 8);
  EXPECT_EQ(GetShortString(kit.MappingName), "Drums");
  EXPECT_EQ(GetShortString(kit.SourceFile), "C:\\sf\\kit.sf2");
  const CachedPresetRecord& voice = all[2];
  EXPECT_EQ(voice.Channel, -1);
  EXPECT_EQ(voice.SourceBank, 200);
  EXPECT_EQ(voice.SourcePreset, 200);
  EXPECT_EQ(GetShortString(voice.MappingName), "preview");
  for (const CachedPresetRecord& r : all) {
    EXPECT_EQ(r.Loading, 0);
    EXPECT_EQ(r.Removing, 0);
    EXPECT_EQ(r.LastUsed, 0u);
    EXPECT_EQ(r.Unused270, 0u);
    EXPECT_EQ(r.EntryId, 0u);
    EXPECT_EQ(r.Unused802, 0u);
    // Nothing after a short string's text either.
    size_t length = r.PresetName[0];
    for (size_t i = length + 1; i < sizeof r.PresetName; ++i) ASSERT_EQ(r.PresetName[i], 0);
  }
}

TEST_F(Saving, TheTextListByteForByte) {
  Start();
  FillRows();
  ASSERT_TRUE(ToTools->SendString("C:\\midi\\song.mid", WM_TB_FILE_NAME));
  ASSERT_TRUE(RunUntil([&] { return FakeForm->FileName == "C:\\midi\\song.mid"; }));
  {
    DialogAnswer cancel("");
    M()->SaveAsTextAction->Execute();
    ASSERT_EQ(cancel.Asked.size(), 1u);
    EXPECT_EQ(cancel.Asked[0].Title, "Choose name and location for text file:");
    EXPECT_EQ(cancel.Asked[0].Filter, "Text files|*.txt|All files|*.*");
    EXPECT_EQ(cancel.Asked[0].DefaultExt, "txt");
    EXPECT_EQ(cancel.Asked[0].FileName, "song.txt");
    EXPECT_TRUE(cancel.Asked[0].Options & (1u << ofOverwritePrompt));
    EXPECT_TRUE(cancel.Asked[0].Options & (1u << ofPathMustExist));
  }
  EXPECT_FALSE(FileExists(Folder + "song.txt"));
  EXPECT_EQ(Settings->ReadString("LastTextFolder", "x"), "");

  DialogAnswer answer(Folder + "song.txt");
  M()->SaveAsTextAction->Execute();
  EXPECT_EQ(Settings->ReadString("LastTextFolder", ""), Folder);
  // Groups in the order of their files from the top row; lines sorted without regard to case; names padded
  // to the longest (7) plus 2.
  EXPECT_EQ(ReadFile(Folder + "song.txt"),
            ";tarnbel v1.24.2\r\n;song\r\n"
            "\r\n\r\n[C:\\sf\\kit.sf2]\r\n\r\n"
            "drm:008 Kit       as drm:008\r\n"
            "\r\n\r\n[C:\\w\\ah.wav]\r\n\r\n"
            "200:200 Voice     as 003:007\r\n"
            "\r\n\r\n[C:\\sf\\gm.sf2]\r\n\r\n"
            "000:000 piano     as 000:000\r\n"
            "000:048 Strings   as 000:048\r\n");
  // The next dialog starts in the stored folder.
  M()->SaveAsTextAction->Execute();
  EXPECT_EQ(answer.Asked.back().InitialDir, Folder);
}

TEST_F(Saving, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  Start();
  FillRows();
  std::string old = Folder + "old.txt";
  {
    std::ofstream out(old, std::ios::binary);
    out << "old";
  }
  // Held open by another without leave to delete it: it cannot be replaced.
  HANDLE held = CreateFileA(old.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  testsupport::MessageBoxRecorder boxes;
  {
    DialogAnswer answer(old);
    M()->SaveAsTextAction->Execute();
  }
  CloseHandle(held);
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_NE(boxes.Boxes[0].Text.find(old), std::string::npos);
  EXPECT_EQ(ReadFile(old), "old");
  // A folder that went away meanwhile: a box, nothing written, no stray file.
  std::string gone = Folder + "gone\\list.txt";
  {
    DialogAnswer answer(gone);
    M()->SaveAsTextAction->Execute();
  }
  EXPECT_EQ(boxes.Boxes.size(), 2u);
  EXPECT_FALSE(FileExists(gone));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((Folder + "*.tmp").c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(Saving, TheMappingFileReadsBackAndLeavesAStoredMappingAlone) {
  Start();
  FillRows();
  {
    TMapping stored("cached", false, nullptr, "");
    stored.AddItem("C:\\sf\\other.sf2", 5, true, 0, "Other", 1, 0, 9);
  }
  std::vector<std::string> keysBefore = testsupport::SubkeyNames("Software\\tarnbel\\mappings\\cached");
  std::vector<std::string> valuesBefore = testsupport::ValueNames("Software\\tarnbel\\mappings\\cached\\key0");
  DialogAnswer answer(Folder + "cached.txt");
  M()->SaveAsMappingFileAction->Execute();
  ASSERT_EQ(answer.Asked.size(), 1u);
  EXPECT_EQ(answer.Asked[0].FileName, "cached.txt");
  EXPECT_EQ(answer.Asked[0].Filter, "Mapping files (*.txt)|*.txt|All files (*.*)|*.*");
  EXPECT_EQ(Settings->ReadString("DialogMappingPath", "x"), Folder);
  EXPECT_EQ(testsupport::SubkeyNames("Software\\tarnbel\\mappings\\cached"), keysBefore);
  EXPECT_EQ(testsupport::ValueNames("Software\\tarnbel\\mappings\\cached\\key0"), valuesBefore);

  TMapping read("read", true, nullptr, Folder + "cached.txt");
  TMappingInactiveItem* kit = read.Slot(128, 8);
  ASSERT_NE(kit, nullptr);
  EXPECT_EQ(kit->SourceFileText(), "C:\\sf\\kit.sf2");
  EXPECT_EQ(kit->SourceBank, 128);
  TMappingInactiveItem* piano = read.Slot(0, 0);
  ASSERT_NE(piano, nullptr);
  EXPECT_EQ(piano->GetPresetName(), "piano");
  TMappingInactiveItem* strings = read.Slot(0, 48);
  ASSERT_NE(strings, nullptr);
  EXPECT_EQ(strings->SourceProgram, 48);
  TMappingInactiveItem* voice = read.Slot(3, 7);
  ASSERT_NE(voice, nullptr);
  EXPECT_TRUE(voice->IsWave());
  EXPECT_EQ(read.Slot(5, 9), nullptr);
}

TEST_F(Saving, CreatingAMappingStoresItOrRefusesWithTheReason) {
  Start();
  FillRows();
  { TMapping existing("Studio", false, nullptr, ""); }
  testsupport::MessageBoxRecorder boxes;
  {
    InputAnswer input(true, "a\\b");
    M()->CreateMappingAction->Execute();
    EXPECT_EQ(input.Asked, (std::vector<std::string>{"New mapping|Enter new mapping name:|"}));
  }
  {
    InputAnswer input(true, "sTUDIO");
    M()->CreateMappingAction->Execute();
  }
  {
    InputAnswer input(true, std::string(300, 'x'));  // longer than the registry takes
    M()->CreateMappingAction->Execute();
  }
  {
    InputAnswer input(false, "Cancelled");
    M()->CreateMappingAction->Execute();
  }
  ASSERT_EQ(boxes.Boxes.size(), 3u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Mapping name cannot contain a \"\\\" character.");
  EXPECT_EQ(boxes.Boxes[1].Text, "Can't create mapping. \"sTUDIO\" already exists.");
  EXPECT_EQ(testsupport::SubkeyNames("Software\\tarnbel\\mappings"), (std::vector<std::string>{"Studio"}));
  EXPECT_EQ(Server->Count(WM_TB_MAPPINGS_CHANGED), 0u);

  Rows()[0]->SetSelected(true);
  {
    InputAnswer input(true, "Kits");
    M()->CreateMappingFromSelectedAction->Execute();
  }
  ASSERT_TRUE(RunUntil([&] { return Server->Count(WM_TB_MAPPINGS_CHANGED) == 1; }));
  TRegKey key("Software\\tarnbel\\mappings\\Kits", false);
  EXPECT_FALSE(key.ReadBool("Active", true));
  EXPECT_FALSE(key.ReadBool("Random", true));
  TMapping kits("Kits", false, nullptr, "");
  kits.SaveOnDestroy = false;
  ASSERT_NE(kits.Slot(128, 8), nullptr);
  EXPECT_EQ(kits.Slot(0, 0), nullptr);
}

TEST_F(Saving, BothSoundFontOutputsGoThroughTheEngineAndReadBack) {
  testsupport::TempFolder folder;
  const std::string bank = folder.File("bank.sf2"), wave = folder.File("ah.wav");
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Room Kit", 128, 8, {2000});
  builder.AddPresetWithSamples("A grand piano named at length", 0, 1, {3000});
  ASSERT_TRUE(builder.Write(bank));
  ASSERT_TRUE(testsupport::WriteWaveFile(wave, 1, 1, 16, 1200));
  Start();
  SendRecords({Rec("Room Kit", 32768, 8, 9, "Studio", bank, 128, 8),
               Rec("A grand piano named at length", 0, 4, 0, "Studio", bank, 0, 1),
               Rec("ah", 2, 7, 1, "Studio", wave, 200, 0)});
  ASSERT_TRUE(ToTools->SendString("C:\\midi\\canyon.mid", WM_TB_FILE_NAME));
  ASSERT_TRUE(RunUntil([&] { return !FakeForm->FileName.empty(); }));
  testsupport::MessageBoxRecorder boxes;

  const std::string one = folder.File("one.sf2");
  {
    DialogAnswer answer(one);
    M()->SaveAsSoundFontAction->Execute();
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(answer.Asked[0].FileName, "canyon.sf2");
  }
  for (const auto& box : boxes.Boxes) ADD_FAILURE() << box.Text;
  std::ifstream stream(one, std::ios::binary);
  TphdrChunk headers;
  ASSERT_TRUE(headers.Load(stream, -1));
  EXPECT_EQ(headers.Presets.size(), 3u);
  EXPECT_EQ(headers.GetPresetName(128, 8), "Room Kit");
  EXPECT_EQ(headers.GetPresetName(0, 4), "A grand piano named ");  // twenty characters at most
  EXPECT_EQ(headers.GetPresetName(2, 7), "ah");

  const std::string separate = folder.File("separate");
  CreateDirectoryA(separate.c_str(), nullptr);
  TSaverFolderChooser previous = SetSaverFolderChooser([&](ui::TComponent*, std::string& chosen, const std::string&) {
    chosen = separate;
    return IDOK;
  });
  Rows()[0]->SetSelected(true);
  Rows()[2]->SetSelected(true);
  M()->SaveSelectedAsSeparateSoundFontsAction->Execute();
  SetSaverFolderChooser(previous);
  for (const auto& box : boxes.Boxes) ADD_FAILURE() << box.Text;
  int files = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((separate + "\\*.sf2").c_str(), &data);
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
    ++files;
    std::ifstream file(separate + "\\" + data.cFileName, std::ios::binary);
    TphdrChunk one;
    EXPECT_TRUE(one.Load(file, -1)) << data.cFileName;
    // A drum kit's file also holds the writer's melodic placeholder.
    EXPECT_GE(one.Presets.size(), 1u) << data.cFileName;
    file.close();
    DeleteFileA((separate + "\\" + data.cFileName).c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_EQ(files, 2);  // the kit and the wave
  RemoveDirectoryA(separate.c_str());
}
