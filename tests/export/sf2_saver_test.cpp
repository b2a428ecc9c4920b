// The SoundFont writer over the stand-in engine: its files are read back by the checker, our reader, the
// card stand-in and fluidsynth; bad sources, bad engines and failing saves.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "KitFileUtil.h"
#include "abstract_sf_device.h"
#include "message_box_recorder.h"
#include "phdr_chunk.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "saver_test_support.h"
#include "scratch_folder.h"
#include "sf2_builder.h"
#include "sf2_checker.h"
#include "sf_edit.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_sf2_saver.h"
#include "timer.h"
#include "unix_shell.h"

using savertest::Record;
using testsupport::StandinConfig;
using testsupport::StandinRemoved;

namespace {

const char* const kTooComplex =
    "SoundFont Edit Engine failed to save this file. Probably you are trying to create something too complex.";
const char* const kNoEngine =
    "File \"sfedt32.dll\" can't be found or incorrect. You might try to download this file from tarnbel site.";

std::vector<std::vector<int16_t>> PointsOf(const sf2check::SoundFont& sf, const sf2check::Preset& preset) {
  std::vector<std::vector<int16_t>> points;
  for (const auto& played : sf.PlayedBy(preset)) points.push_back(played.Sample->Points);
  std::sort(points.begin(), points.end());
  return points;
}

std::string Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char month[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, "MMMM", month, sizeof month);
  return std::string(month) + " " + std::to_string(now.wDay) + ", " + std::to_string(now.wYear);
}

void SetDefaultValue(const std::string& path, const std::string& value) {
  testsupport::WriteRaw(path, "", REG_SZ, value.c_str(), DWORD(value.size() + 1), HKEY_CLASSES_ROOT);
}

int CountLines(const std::string& text, const std::string& start) {
  int count = 0;
  for (size_t pos = 0; (pos = text.find(start, pos)) != std::string::npos; pos += start.size())
    if (pos == 0 || text[pos - 1] == '\n') ++count;
  return count;
}

class SoundFontWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetTarnbelKey();
    Log = Folder.File("calls.txt");
    Bank = Folder.File("bank.sf2");
    Source.AddPresetWithSamples("Piano", 0, 0, {3000, 2000});
    Source.AddPresetWithSamples("Strings", 0, 1, {2500});
    Source.AddPresetWithSamples("Kit", 128, 0, {1000});
    uint32_t a = Source.AddSample("Twin sample", 700), b = Source.AddSample("Twin sample", 900);
    Source.AddPreset("Twin", 0, 2, {a, b});
    ASSERT_TRUE(Source.Write(Bank));
    Mono = Folder.File("hit.wav");
    MonoPoints = savertest::WriteTestWave(Mono, 1, 8, 1500);
    Stereo = Folder.File("pad.wav");
    StereoPoints = savertest::WriteTestWave(Stereo, 2, 16, 1200);
  }
  void TearDown() override { testsupport::ResetTarnbelKey(); }

  void Configure(const std::string& extra = "") { Config = std::make_unique<StandinConfig>("sfedt.log=" + Log + "\n" + extra); }
  std::string BoxTexts() const {
    std::string all;
    for (const auto& box : Boxes.Boxes) all += box.Text + "\n";
    return all;
  }

  testsupport::TempFolder Folder;
  std::string Log, Bank, Mono, Stereo;
  savertest::WavePoints MonoPoints, StereoPoints;
  sf2test::Sf2Builder Source;
  std::unique_ptr<StandinConfig> Config;
  testsupport::MessageBoxRecorder Boxes;
};

}  // namespace

TEST(SoundFontNames, CutToTwentyAndNumberedWithinThem) {
  std::vector<std::string> list;
  EXPECT_EQ(MakeUniqueSoundFontName(list, "A name longer than twenty"), "A name longer than t");
  EXPECT_EQ(MakeUniqueSoundFontName(list, "A name longer than twenty!"), "A name longer than 1");
  EXPECT_EQ(MakeUniqueSoundFontName(list, "A name longer than t"), "A name longer than 2");
  EXPECT_EQ(MakeUniqueSoundFontName(list, "Pad"), "Pad");
  EXPECT_EQ(MakeUniqueSoundFontName(list, "Pad"), "Pad1");
  EXPECT_EQ(list.size(), 5u);
  const std::string r1 = MakeRandomName(), r2 = MakeRandomName();
  EXPECT_EQ(r1.size(), 20u);
  EXPECT_EQ(r1.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_NE(r1, r2);
}

TEST_F(SoundFontWriter, OneFileHoldsEveryRecordAndEveryReaderAgrees) {
  Configure();
  std::vector<CachedPresetRecord> records = {
      Record("My Piano", 5, 10, Bank, 0, 0),
      Record("A very long preset name over twenty", 0, 0, Bank, 0, 1),
      Record("Drums", 7, 0, Bank, 128, 0),  // a drum kit lands in bank 128 whatever the record says
      Record("Mono hit", 1, 0, Mono, 200, 200),
      Record("Stereo pad named at length", 1, 1, Stereo, 200, 200),
      Record("Twin", 2, 0, Bank, 0, 2),
      Record("Not in the file", 2, 2, Bank, 0, 99),  // skipped without a word
  };
  const std::string out = Folder.File("out.sf2");
  savertest::FileDialogAnswer dialog(out);
  SavePresetsAsSoundFont(nullptr, records.data(), int(records.size()), "suggested.sf2");
  EXPECT_EQ(dialog.LastTitle, "Choose name and location for SoundFont file:");
  EXPECT_EQ(BoxTexts(), "");
  for (const auto& r : records) EXPECT_EQ(r.SourceFile[0], 0) << "each record is marked done";
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadString("LastSaverFolder", ""), Folder.Path() + "\\");
  const std::string calls = testsupport::ReadBytes(Log);
  EXPECT_EQ(CountLines(calls, "Open " + Bank + " ->"), 1) << calls;

  sf2check::SoundFont sf = sf2check::CheckFile(out);
  for (const std::string& e : sf.Errors) ADD_FAILURE() << e;
  EXPECT_EQ(sf.Info["INAM"], "out");
  EXPECT_EQ(sf.Info["ICMT"], "created with TARNBEL v1.24.2");
  EXPECT_EQ(sf.Info["ICRD"], Today());
  ASSERT_EQ(sf.Presets.size(), 6u) << "no placeholder: bank 0 has a preset";
  sf2check::SoundFont source = sf2check::CheckFile(Bank);
  const sf2check::Preset* piano = sf.Find(5, 10);
  ASSERT_NE(piano, nullptr);
  EXPECT_EQ(piano->Name, "My Piano");
  EXPECT_EQ(PointsOf(sf, *piano), PointsOf(source, *source.Find(0, 0)));
  ASSERT_NE(sf.Find(0, 0), nullptr);
  EXPECT_EQ(sf.Find(0, 0)->Name, "A very long preset n");
  ASSERT_NE(sf.Find(128, 0), nullptr);
  EXPECT_EQ(PointsOf(sf, *sf.Find(128, 0)), PointsOf(source, *source.Find(128, 0)));
  EXPECT_EQ(sf.Find(7, 0), nullptr);

  const sf2check::Preset* mono = sf.Find(1, 0);
  ASSERT_NE(mono, nullptr);
  ASSERT_EQ(sf.PlayedBy(*mono).size(), 1u);
  EXPECT_EQ(sf.PlayedBy(*mono)[0].Sample->Points, MonoPoints.Left);
  const sf2check::Preset* stereo = sf.Find(1, 1);
  ASSERT_NE(stereo, nullptr);
  auto halves = sf.PlayedBy(*stereo);
  ASSERT_EQ(halves.size(), 2u);
  for (const auto& half : halves) {
    bool left = half.Sample->Type == 4;
    EXPECT_EQ(half.Zone->Get(sf2check::GenPan, 0), left ? -500 : 500);
    EXPECT_EQ(half.Sample->Points, left ? StereoPoints.Left : StereoPoints.Right);
    EXPECT_EQ(half.Sample->Name, std::string("Stereo pad named ") + (left ? "(L)" : "(R)"));
  }
  auto twins = sf.PlayedBy(*sf.Find(2, 0));
  ASSERT_EQ(twins.size(), 2u);
  EXPECT_NE(twins[0].Sample->Name, twins[1].Sample->Name) << "names made unique within the copied preset";

  // Our own reader and the card stand-in take the file too.
  std::ifstream stream(out, std::ios::binary);
  TphdrChunk headers;
  ASSERT_TRUE(headers.Load(stream, -1));
  EXPECT_EQ(headers.Presets.size(), 6u);
  EXPECT_EQ(headers.GetPresetName(128, 0), "Drums");
  struct Load {
    int Bank, Program;
    uint64_t Bytes;
  } loads[] = {{5, 10, Source.PresetSampleBytes(0)}, {0, 0, Source.PresetSampleBytes(1)},
               {128, 0, Source.PresetSampleBytes(2)}, {1, 0, 2 * 1500}, {1, 1, 4 * 1200}};
  TAbstractSFDevice card;
  ASSERT_TRUE(card.Open(0));
  for (const Load& load : loads) {
    ASSERT_TRUE(card.ClearAll());
    uint32_t total = 0, free = 0;
    int32_t handle = 0;
    const int target = load.Bank == 128 ? 32768 : load.Bank;  // the server's drum bank
    EXPECT_TRUE(card.LoadPreset(load.Bank, load.Program, target, load.Program, out, handle)) << load.Bank;
    ASSERT_TRUE(card.QueryMemory(total, free));
    EXPECT_EQ(total - free, load.Bytes) << load.Bank << ":" << load.Program;
  }
  card.Close();

  // Debian's fluidsynth reads it without a complaint.
  const std::string unixDir = "/tmp/tarnbel_export_" + std::to_string(GetCurrentProcessId());
  const std::string dir = "Z:" + unixDir;
  CreateDirectoryA(dir.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(out.c_str(), (dir + "\\out.sf2").c_str(), FALSE));
  testsupport::WriteBytes(dir + "\\cmds", "fonts\ninst 1\n");
  DWORD code = 1;
  ASSERT_TRUE(savertest::RunShell("cd " + unixDir + " && fluidsynth -n -a file -F /dev/null -f cmds out.sf2 "
                                  "< /dev/null > report.txt 2>&1",
                                  60000, &code));
  std::string report = testsupport::ReadBytes(dir + "\\report.txt");
  EXPECT_NE(report.find("out.sf2"), std::string::npos) << report;
  for (const char* name : {"My Piano", "Drums", "Mono hit", "Stereo pad named at", "A very long preset n"})
    EXPECT_NE(report.find(name), std::string::npos) << name << "\n" << report;
  EXPECT_EQ(report.find("error:"), std::string::npos) << report;
  EXPECT_EQ(report.find("warning:"), std::string::npos) << report;
  savertest::RunShell("rm -rf " + unixDir, 10000);
}

TEST_F(SoundFontWriter, MappingRecordsGetAPlaceholderAndRecordsThatCannotGoAreNamed) {
  Configure();
  {
    TMapping mapping("export test", false, nullptr, "");
    mapping.AddItem(Bank, 3, true, 0, "Piano", 0, 0, 5);
    mapping.AddItem(Bank, 128, true, 0, "Kit", 0, 128, 9);
    mapping.SaveSettings();
  }
  std::vector<CachedPresetRecord> records;
  TMapping stored("export test", false, nullptr, "");
  for (int bank = 0; bank <= 128; ++bank)
    for (int program = 0; program < 128; ++program)
      if (TMappingInactiveItem* item = stored.Slot(bank, program)) {
        CachedPresetRecord r = EmptyPresetRecord();
        FillPresetRecord(*item, r);
        SetShortString(r.SourceFile, item->SourceFileText());
        r.SourceBank = int32_t(item->SourceBank);
        r.SourcePreset = int32_t(item->SourceProgram);
        if (bank == 128) r.Bank = 32768;
        records.push_back(r);
      }
  ASSERT_EQ(records.size(), 2u);
  records.push_back(Record("Clash", 3, 5, Bank, 0, 1));  // walked first: it keeps 3:5
  records.push_back(Record("Bank beyond", 129, 0, Bank, 0, 1));
  records.push_back(Record("Program beyond", 4, 128, Bank, 0, 1));
  records.push_back(Record("Kit aimed at zero", 0, 1, Bank, 128, 0));  // a drum kit fills no bank-0 place
  const std::string out = Folder.File("mapped.sf2");
  savertest::FileDialogAnswer dialog(out);
  SavePresetsAsSoundFont(nullptr, records.data(), int(records.size()), "");

  sf2check::SoundFont sf = sf2check::CheckFile(out);
  for (const std::string& e : sf.Errors) ADD_FAILURE() << e;
  ASSERT_EQ(sf.Presets.size(), 4u);
  ASSERT_NE(sf.Find(128, 1), nullptr);
  ASSERT_NE(sf.Find(3, 5), nullptr);
  EXPECT_EQ(sf.Find(3, 5)->Name, "Clash");
  ASSERT_NE(sf.Find(128, 9), nullptr);
  EXPECT_EQ(sf.Find(128, 9)->Name, "Kit");
  const sf2check::Preset* fake = sf.Find(0, 127);
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(fake->Name, "fake");
  ASSERT_EQ(sf.PlayedBy(*fake).size(), 1u);
  EXPECT_EQ(sf.PlayedBy(*fake)[0].Sample, &sf.Samples[0]);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  const std::string text = Boxes.Boxes[0].Text;
  EXPECT_NE(text.find("Piano (3:5)"), std::string::npos) << text;
  EXPECT_NE(text.find("Bank beyond (129:0)"), std::string::npos) << text;
  EXPECT_NE(text.find("Program beyond (4:128)"), std::string::npos) << text;
  EXPECT_EQ(text.find("Clash"), std::string::npos) << text;
}

TEST_F(SoundFontWriter, BadSourcesAreNamedAndTheRestIsWritten) {
  Configure();
  const std::string missing = Folder.File("missing.sf2"), damaged = Folder.File("damaged.sf2");
  const std::string deep = Folder.File("deep.wav");
  std::string bytes = testsupport::ReadBytes(Bank);
  testsupport::WriteBytes(damaged, bytes.substr(0, bytes.size() / 2));
  savertest::WriteTestWave(deep, 2, 16, 10);
  std::string wave = testsupport::ReadBytes(deep);
  wave[34] = 24;  // 24 bits per sample
  testsupport::WriteBytes(deep, wave);
  std::vector<CachedPresetRecord> records = {
      Record("Good", 0, 0, Bank, 0, 0),         Record("Gone", 0, 1, missing, 0, 0),
      Record("Broken", 0, 2, damaged, 0, 0),    Record("Broken too", 0, 3, damaged, 0, 1),
      Record("Deep", 0, 4, deep, 200, 200),
  };
  const std::string out = Folder.File("partly.sf2");
  {
    savertest::FileDialogAnswer dialog(out);
    SavePresetsAsSoundFont(nullptr, records.data(), int(records.size()), "");
  }
  sf2check::SoundFont sf = sf2check::CheckFile(out);
  for (const std::string& e : sf.Errors) ADD_FAILURE() << e;
  ASSERT_EQ(sf.Presets.size(), 1u);
  EXPECT_EQ(sf.Presets[0].Name, "Good");
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  const std::string text = Boxes.Boxes[0].Text;
  EXPECT_EQ(text.find("There were errors (probably format unsupported) with the following waveforms:\r\n\r\n" + deep),
            0u) << text;
  EXPECT_NE(text.find(missing), std::string::npos) << text;
  EXPECT_EQ(CountLines(text, damaged), 1) << text;
  EXPECT_EQ(CountLines(testsupport::ReadBytes(Log), "Open " + damaged + " ->"), 1);

  // Nothing that can be written: no placeholder on nothing, no file, and the box says why.
  Boxes.Boxes.clear();
  std::vector<CachedPresetRecord> bad = {Record("Deep", 0, 4, deep, 200, 200), Record("Gone", 0, 1, missing, 0, 0)};
  const std::string none = Folder.File("none.sf2");
  savertest::FileDialogAnswer dialog(none);
  SavePresetsAsSoundFont(nullptr, bad.data(), int(bad.size()), "");
  EXPECT_EQ(GetFileAttributesA(none.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text.find("None of the presets could be written"), 0u) << Boxes.Boxes[0].Text;
}

TEST_F(SoundFontWriter, EngineLocatedByStoredNameSearchPathFileTypeAndTheUser) {
  const std::string key = TarnbelKeyPath;
  Configure();
  // Stored values that cannot load fall back to the search path; the found name is written back.
  testsupport::WriteRawDword(key, "SFEDT32Name", 5);
  EXPECT_EQ(EnsureSfEditEngine(), "sfedt32.dll");
  EXPECT_EQ(testsupport::ReadRaw(key, "SFEDT32Name").type, DWORD(REG_SZ));
  for (const std::string& stored : {Folder.Path(), Log, Folder.File("nothing.dll")}) {
    testsupport::WriteRawString(key, "SFEDT32Name", stored);
    EXPECT_EQ(LocateSfEditEngine(), "sfedt32.dll") << stored;
  }

  savertest::SubFolder viennaFolder(Folder.File("Vienna")), pickedFolder(Folder.File("Picked"));
  const std::string &vienna = viennaFolder.Path, &picked = pickedFolder.Path;
  const std::string engine = testsupport::SystemFolder() + "\\sfedt32.dll";
  ASSERT_TRUE(CopyFileA(engine.c_str(), (vienna + "\\sfedt32.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(engine.c_str(), (picked + "\\sfedt32.dll").c_str(), FALSE));
  StandinRemoved removed("sfedt32.dll");
  testsupport::WriteRawString(key, "SFEDT32Name", "sfedt32.dll");
  {
    // The file type of .sf2 files names the editor; its quoted command leads to the engine beside it.
    SetDefaultValue(".sf2", "tarnbel.testsf2");
    SetDefaultValue("tarnbel.testsf2\\shell\\open\\command", "\"" + vienna + "\\vienna.exe\" \"%1\"");
    savertest::FileDialogAnswer dialog(picked + "\\whatever.dll");
    EXPECT_EQ(EnsureSfEditEngine(), vienna + "\\sfedt32.dll");
    EXPECT_EQ(dialog.Asked, 0);
    EXPECT_EQ(TRegKey(key, false).ReadString("SFEDT32Name", ""), vienna + "\\sfedt32.dll");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "tarnbel.testsf2");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "tarnbel.testsf2");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".sf2");
  }
  testsupport::WriteRawString(key, "SFEDT32Name", "sfedt32.dll");
  {
    savertest::FileDialogAnswer dialog(picked + "\\whatever.dll");
    EXPECT_EQ(LocateSfEditEngine(), picked + "\\sfedt32.dll");
    EXPECT_EQ(dialog.LastTitle, "Locate sfedt32.dll (typically in Vienna folder)");
  }
  // None anywhere: the box, and no save dialog.
  savertest::FileDialogAnswer dialog(Folder.File("x.sf2"), false);
  std::vector<CachedPresetRecord> records = {Record("Good", 0, 0, Bank, 0, 0)};
  SavePresetsAsSoundFont(nullptr, records.data(), 1, "");
  EXPECT_EQ(dialog.Asked, 1) << "only the locate dialog";
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, kNoEngine);
  EXPECT_EQ(Boxes.Boxes[0].Flags & MB_ICONINFORMATION, UINT(MB_ICONINFORMATION));
}

TEST_F(SoundFontWriter, AnEngineThatRefusesGivesCantCreateAndWritesNothing) {
  for (const char* fault : {"sfedt.refuse=0x10000", "sfedt.hide=SFEditEngine", "sfedt.createfail=1"}) {
    Configure(fault);
    if (std::string(fault) != "sfedt.createfail=1") {
      EXPECT_FALSE(TSFEdit("sfedt32.dll").Bound()) << fault;
    }
    Boxes.Boxes.clear();
    std::vector<CachedPresetRecord> records = {Record("Good", 0, 0, Bank, 0, 0)};
    const std::string out = Folder.File("refused.sf2");
    savertest::FileDialogAnswer dialog(out);
    SavePresetsAsSoundFont(nullptr, records.data(), 1, "");
    ASSERT_EQ(Boxes.Boxes.size(), 1u) << fault;
    EXPECT_EQ(Boxes.Boxes[0].Text, "Can't create SoundFont") << fault;
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES) << fault;
    Config.reset();
  }
  // A library that refuses to load is no engine at all.
  Configure("sfedt.refuseload=1");
  EXPECT_FALSE(CanLoadLibrary("sfedt32.dll"));
  EXPECT_TRUE(TSFEdit("sfedt32.dll").Table() == nullptr);
}

TEST_F(SoundFontWriter, AFailingSaveLeavesTheOldFileAndNoLeftovers) {
  Configure("sfedt.savefail=1");
  const std::string out = Folder.File("kept.sf2");
  testsupport::WriteBytes(out, "the old file");
  const std::string temp = GetTempDir();
  testsupport::WriteBytes(temp + "~sftest1", "engine leftover");
  testsupport::WriteBytes(temp + "~sftest2.txt", "someone else's");
  std::vector<CachedPresetRecord> records = {Record("Good", 0, 0, Bank, 0, 0)};
  {
    savertest::FileDialogAnswer dialog(out);
    SavePresetsAsSoundFont(nullptr, records.data(), 1, "");
  }
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, kTooComplex);
  EXPECT_EQ(testsupport::ReadBytes(out), "the old file");
  EXPECT_EQ(testsupport::FilesIn(Folder.Path(), "kept*").size(), 1u);
  EXPECT_EQ(GetFileAttributesA((temp + "~sftest1").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((temp + "~sftest2.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA((temp + "~sftest2.txt").c_str());
}

// A full disk: one box at the end names the system's error and each file not written; an old file keeps
// its content and nothing temporary is left. Separate files go on, since a smaller one may still fit.
TEST_F(SoundFontWriter, AFullDiskLeavesTheOldFileAndNoLeftovers) {
  Configure();
  testsupport::TSmallDisk disk(64);
  if (!disk.Mounted())
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (not root or no mount rights): no full disk to write to";
  const std::string dir = disk.Path(), out = dir + "\\full.sf2";
  testsupport::WriteBytes(out, "the old file");
  sf2test::Sf2Builder big;
  big.AddPresetWithSamples("Big", 0, 0, {200000});
  big.AddPresetWithSamples("Small", 0, 1, {2000});
  const std::string bigBank = Folder.File("big.sf2");
  ASSERT_TRUE(big.Write(bigBank));
  const std::string head =
      "The following SoundFont files were not written (" + ui::SysErrorMessage(ERROR_DISK_FULL) + "):\r\n\r\n";
  struct Case {
    bool Separate;
    std::vector<CachedPresetRecord> Records;
    std::vector<std::string> NotWritten, Left;  // Left: the disk's files afterwards
  };
  const Case cases[] = {
      {false, {Record("Big", 0, 0, bigBank, 0, 0)}, {"full.sf2"}, {"full.sf2"}},
      {true,
       {Record("Small", 0, 1, bigBank, 0, 1), Record("Big", 0, 0, bigBank, 0, 0), Record("Big", 0, 2, bigBank, 0, 0)},
       {"Big.sf2", "Big 1.sf2"},
       {"Small.sf2", "full.sf2"}},
  };
  for (Case c : cases) {
    Boxes.Boxes.clear();
    if (c.Separate) {
      TSaverFolderChooser previous = SetSaverFolderChooser([&](ui::TComponent*, std::string& chosen, const std::string&) {
        chosen = dir;
        return IDOK;
      });
      SavePresetsAsSeparateSoundFonts(nullptr, c.Records.data(), int(c.Records.size()));
      SetSaverFolderChooser(previous);
    } else {
      savertest::FileDialogAnswer dialog(out);
      SavePresetsAsSoundFont(nullptr, c.Records.data(), int(c.Records.size()), "");
    }
    std::string expected = head;
    for (const std::string& file : c.NotWritten) expected += dir + "\\" + file + "\r\n";
    EXPECT_EQ(BoxTexts(), expected + "\n") << c.Separate;
    EXPECT_EQ(testsupport::ReadBytes(out), "the old file");
    EXPECT_EQ(testsupport::FilesIn(dir), c.Left) << c.Separate;
  }
}

TEST_F(SoundFontWriter, SeparateFilesAreNamedWithoutOverwritingAnything) {
  Configure();
  savertest::SubFolder separate(Folder.File("separate"));
  const std::string& folder = separate.Path;
  testsupport::WriteBytes(folder + "\\Lead.sf2", "not ours");
  std::string asked;
  TSaverFolderChooser previous = SetSaverFolderChooser([&](ui::TComponent*, std::string& chosen, const std::string& caption) {
    asked = caption;
    chosen = folder;
    return IDOK;
  });
  std::vector<CachedPresetRecord> records = {
      Record("Pad", 0, 0, Bank, 0, 0),   Record("Pad", 4, 2, Bank, 0, 1),
      Record("lead", 0, 7, Mono, 200, 200), Record("fake", 5, 5, Bank, 128, 0),
      Record("Long name: eighteen", 0, 9, Bank, 0, 0), Record("Long name: eighteen", 0, 9, Bank, 0, 1),
  };
  SavePresetsAsSeparateSoundFonts(nullptr, records.data(), int(records.size()));
  SetSaverFolderChooser(previous);
  EXPECT_EQ(asked, "Choose directory for SoundFont files:");
  EXPECT_EQ(BoxTexts(), "");
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadString("LastSaverFolder", ""), folder);
  EXPECT_EQ(testsupport::ReadBytes(folder + "\\Lead.sf2"), "not ours");
  EXPECT_EQ(CountLines(testsupport::ReadBytes(Log), "Open " + Bank + " ->"), 1);

  struct Expected {
    const char* File;
    int Bank, Program;
    const char* Name;
    const char* Placeholder;  // at 0:127, or none
  } expected[] = {
      {"fake", 128, 5, "fake", "fake_"},      {"Long name_ eighteen", 0, 9, "Long name: eighte", nullptr},
      {"Long name_ eigh 1", 0, 9, "Long name: eighte", nullptr}, {"Pad", 4, 2, "Pad", "fake"},
      {"Pad 1", 0, 0, "Pad", nullptr},       {"lead 1", 0, 7, "lead", nullptr},
  };
  std::vector<std::string> files = testsupport::FilesIn(folder);
  EXPECT_EQ(files.size(), std::size(expected) + 1) << ::testing::PrintToString(files);
  for (const Expected& e : expected) {
    sf2check::SoundFont sf = sf2check::CheckFile(folder + "\\" + e.File + ".sf2");
    for (const std::string& error : sf.Errors) ADD_FAILURE() << e.File << ": " << error;
    EXPECT_EQ(sf.Info["INAM"], e.File);
    ASSERT_EQ(sf.Presets.size(), e.Placeholder ? 2u : 1u) << e.File;
    ASSERT_NE(sf.Find(e.Bank, e.Program), nullptr) << e.File;
    EXPECT_EQ(sf.Find(e.Bank, e.Program)->Name.substr(0, 17), e.Name) << e.File;
    if (e.Placeholder) {
      ASSERT_NE(sf.Find(0, 127), nullptr) << e.File;
      EXPECT_EQ(sf.Find(0, 127)->Name, e.Placeholder);
    }
  }
}

// A folder that cannot be written (gone since it was chosen, or a file in its place) ends the save with one
// box that names it, whichever way the presets go; the folder stored before stays.
TEST_F(SoundFontWriter, AFolderThatCannotBeWrittenEndsTheSaveWithOneBoxAndIsNotRemembered) {
  Configure();
  const std::string gone = Folder.File("gone"), file = Folder.File("plain.txt");
  testsupport::WriteBytes(file, "a file, not a folder");
  std::vector<CachedPresetRecord> fifteen;
  for (int p = 0; p < 15; ++p) fifteen.push_back(Record("Preset " + std::to_string(p), 1, p, Bank, 0, p % 2));
  struct Case {
    const char* What;
    bool Separate;
    std::string Folder;
  } cases[] = {{"separate files, folder gone", true, gone},
               {"separate files, a file in its place", true, file},
               {"one file, folder gone", false, gone}};
  for (const Case& c : cases) {
    TRegKey(TarnbelKeyPath, true).WriteString("LastSaverFolder", "C:\\before");
    Boxes.Boxes.clear();
    std::vector<CachedPresetRecord> records = fifteen;
    if (c.Separate) {
      TSaverFolderChooser previous = SetSaverFolderChooser([&](ui::TComponent*, std::string& chosen, const std::string&) {
        chosen = c.Folder;
        return IDOK;
      });
      SavePresetsAsSeparateSoundFonts(nullptr, records.data(), int(records.size()));
      SetSaverFolderChooser(previous);
    } else {
      savertest::FileDialogAnswer dialog(c.Folder + "\\out.sf2");
      SavePresetsAsSoundFont(nullptr, records.data(), int(records.size()), "");
    }
    ASSERT_EQ(Boxes.Boxes.size(), 1u) << c.What << "\n" << BoxTexts();
    const std::string& text = Boxes.Boxes[0].Text;
    EXPECT_EQ(text.find("Can't write into folder \"" + c.Folder), 0u) << text;
    EXPECT_GT(text.size(), c.Folder.size() + 30) << "the system's reason follows: " << text;
    EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadString("LastSaverFolder", ""), "C:\\before") << c.What;
  }
  EXPECT_EQ(GetFileAttributesA(gone.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(testsupport::ReadBytes(file), "a file, not a folder");

  // The folder goes while the files are written: the run ends at the first file that cannot go there.
  Boxes.Boxes.clear();
  const std::string vanishing = Folder.File("vanishing");
  CreateDirectoryA(vanishing.c_str(), nullptr);
  std::unique_ptr<ui::TTimer, ui::TFreeDeleter> remover(new ui::TTimer(nullptr));
  remover->SetInterval(1);
  remover->OnTimer = [&](ui::TObject*) {
    std::vector<std::string> written = testsupport::FilesIn(vanishing, "*.sf2");
    if (written.empty()) return;
    for (const std::string& name : written) DeleteFileA((vanishing + "\\" + name).c_str());
    if (RemoveDirectoryA(vanishing.c_str())) remover->SetEnabled(false);
  };
  TSaverFolderChooser previous = SetSaverFolderChooser([&](ui::TComponent*, std::string& chosen, const std::string&) {
    chosen = vanishing;
    return IDOK;
  });
  std::vector<CachedPresetRecord> records = fifteen;
  SavePresetsAsSeparateSoundFonts(nullptr, records.data(), int(records.size()));
  SetSaverFolderChooser(previous);
  remover.reset();
  ASSERT_EQ(Boxes.Boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(Boxes.Boxes[0].Text.find("Can't write into folder \"" + vanishing), 0u) << Boxes.Boxes[0].Text;
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadString("LastSaverFolder", ""), vanishing) << "a file went there";
}

// The closing figure: 200 presets from 10 files, 100 MB of samples, into one file. Slow; run on demand with
// --gtest_also_run_disabled_tests --gtest_filter=*TwoHundredPresets*
TEST_F(SoundFontWriter, DISABLED_TwoHundredPresetsFromTenFilesTimeAndPeakMemory) {
  Configure("sfedt.log=\n");
  std::vector<CachedPresetRecord> records;
  for (int f = 0; f < 10; ++f) {
    sf2test::Sf2Builder bank;
    for (int p = 0; p < 20; ++p) bank.AddPresetWithSamples("P" + std::to_string(f) + "_" + std::to_string(p), 0, p, {262144});
    const std::string path = Folder.File("big" + std::to_string(f) + ".sf2");
    ASSERT_TRUE(bank.Write(path));
    for (int p = 0; p < 20; ++p)
      records.push_back(Record("Preset " + std::to_string(f * 20 + p), (f * 20 + p) / 128, (f * 20 + p) % 128, path, 0, p));
  }
  const std::string out = Folder.File("all.sf2");
  savertest::FileDialogAnswer dialog(out);
  PROCESS_MEMORY_COUNTERS before{}, after{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  const DWORD start = GetTickCount();
  SavePresetsAsSoundFont(nullptr, records.data(), int(records.size()), "");
  const DWORD elapsed = GetTickCount() - start;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  EXPECT_EQ(BoxTexts(), "");
  sf2check::SoundFont sf = sf2check::CheckFile(out);
  EXPECT_TRUE(sf.Errors.empty());
  EXPECT_EQ(sf.Presets.size(), 200u);
  printf("200 presets, 10 files, %.1f MB of samples: %lu ms; peak working set %.1f MB (before %.1f MB), "
         "peak commit %.1f MB\n",
         double(records.size()) * 262144 * 2 / 1048576, static_cast<unsigned long>(elapsed),
         after.PeakWorkingSetSize / 1048576.0, before.PeakWorkingSetSize / 1048576.0,
         after.PeakPagefileUsage / 1048576.0);
}
