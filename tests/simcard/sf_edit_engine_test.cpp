// The edit engine stand-in through its library and table, as the SoundFont writer calls it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "scratch_folder.h"
#include "sf2_builder.h"
#include "sf2_damage.h"
#include "sf2_preset_walk.h"
#include "sf_edit_engine_api.h"
#include "standin_support.h"

using namespace sfedit;
using testsupport::FilesIn;
using testsupport::StandinConfig;
using testsupport::TempFolder;

namespace {

// The library loaded and its table bound for the object's life.
class TEngine {
 public:
  TEngine() {
    FLibrary = LoadLibraryA(LibraryName);
    if (FLibrary == nullptr) return;
    auto entry = reinterpret_cast<EntryProc>(reinterpret_cast<void*>(GetProcAddress(FLibrary, EntryName)));
    if (entry != nullptr && entry(ApiVersion, &FTable) != ResultOk) FTable = nullptr;
  }
  ~TEngine() {
    if (FLibrary != nullptr) FreeLibrary(FLibrary);
  }
  TEngine(const TEngine&) = delete;
  TEngine& operator=(const TEngine&) = delete;

  bool Bound() const { return FTable != nullptr; }
  template <typename Proc>
  Proc At(size_t offset) const {
    return Slot<Proc>(FTable, offset);
  }

  Handle Create() {
    Handle sf = 0;
    EXPECT_EQ(At<CreateProc>(slot::Create)(&sf), ResultOk);
    return sf;
  }
  // Opens and reads; the result of the read.
  int32_t OpenRead(const std::string& file, Handle& sf) {
    sf = 0;
    const int32_t opened = At<OpenProc>(slot::Open)(file.c_str(), &sf);
    return opened != ResultOk ? opened : At<SoundFontProc>(slot::Read)(sf);
  }
  int32_t Save(Handle sf, const std::string& file) { return At<SaveProc>(slot::Save)(sf, file.c_str()); }
  int32_t Close(Handle sf) { return At<SoundFontProc>(slot::Close)(sf); }
  Handle Find(Handle sf, int32_t bank, int32_t program) {
    Handle preset = 0;
    At<FindPresetProc>(slot::FindPreset)(sf, bank, program, &preset);
    return preset;
  }
  int32_t Copy(Handle from, Handle preset, Handle to, int32_t bank, int32_t program, const char* name) {
    return At<CopyPresetProc>(slot::CopyPreset)(from, preset, to, bank, program, name, nullptr);
  }
  // Names of every sample (or instrument) by a walk that ends as the writer expects.
  std::vector<std::string> Names(Handle sf, bool samples) {
    std::vector<std::string> names;
    const int32_t end = samples ? ResultNoMoreSamples : ResultNoMoreInstruments;
    Handle walk = 0;
    int32_t r = At<WalkProc>(samples ? slot::FirstSample : slot::FirstInstrument)(sf, &walk);
    for (size_t guard = 0; r == ResultOk && guard < 100000; ++guard) {
      Handle item = 0;
      EXPECT_EQ(At<ItemAtProc>(samples ? slot::SampleAt : slot::InstrumentAt)(sf, walk, &item), ResultOk);
      char name[64];
      EXPECT_EQ(At<GetNameProc>(samples ? slot::SampleName : slot::InstrumentName)(sf, item, name, sizeof name),
                ResultOk);
      names.push_back(name);
      r = At<WalkProc>(samples ? slot::NextSample : slot::NextInstrument)(sf, &walk);
    }
    EXPECT_EQ(r, end);
    return names;
  }

 private:
  HMODULE FLibrary = nullptr;
  void* FTable = nullptr;
};

std::string SampleBytes(const std::string& file, uint16_t bank, uint16_t program) {
  std::ifstream in(file, std::ios::binary);
  TPresetSamples preset;
  if (WalkSf2Preset(in, bank, program, preset) != TPresetWalkResult::Found) return "(no preset)";
  std::string bytes;
  for (const TSampleSpan& span : preset.Samples) {
    std::string piece(static_cast<size_t>(span.Length), '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(span.Offset));
    in.read(&piece[0], static_cast<std::streamsize>(piece.size()));
    bytes += piece;
  }
  return bytes;
}

std::string PresetName(const std::string& file, uint16_t bank, uint16_t program) {
  std::ifstream in(file, std::ios::binary);
  TPresetSamples preset;
  return WalkSf2Preset(in, bank, program, preset) == TPresetWalkResult::Found ? preset.Name : "(no preset)";
}

void Put16(std::string& s, uint32_t v) { s.append({char(v & 0xFF), char(v >> 8 & 0xFF)}); }
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A PCM wave whose points are given as they are stored (8-bit values unsigned).
std::string Wave(uint16_t tag, uint16_t channels, uint16_t bits, const std::vector<int>& points) {
  std::string data;
  for (int p : points) {
    if (bits == 8) data += char(p);
    if (bits == 16) Put16(data, uint32_t(p));
    if (bits == 24) data.append({0, char(p & 0xFF), char(p >> 8 & 0xFF)});
  }
  std::string fmt;
  Put16(fmt, tag);
  Put16(fmt, channels);
  Put32(fmt, 44100);
  Put32(fmt, 44100u * channels * bits / 8);
  Put16(fmt, channels * bits / 8);
  Put16(fmt, bits);
  std::string wave = "WAVEfmt ";
  Put32(wave, uint32_t(fmt.size()));
  wave += fmt + "data";
  Put32(wave, uint32_t(data.size()));
  wave += data;
  std::string file = "RIFF";
  Put32(file, uint32_t(wave.size()));
  return file + wave;
}

// The INFO chunks of a file in order, with their raw bodies.
std::vector<std::pair<std::string, std::string>> InfoChunks(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> chunks;
  const size_t list = bytes.find("INFO");
  if (list == std::string::npos || list < 8) return chunks;
  uint32_t size = 0;
  std::memcpy(&size, bytes.data() + list - 4, 4);
  for (size_t pos = list + 4; pos + 8 <= list + size && pos + 8 <= bytes.size();) {
    uint32_t n = 0;
    std::memcpy(&n, bytes.data() + pos + 4, 4);
    chunks.push_back({bytes.substr(pos, 4), bytes.substr(pos + 8, n)});
    pos += 8 + n;
  }
  return chunks;
}

}  // namespace

TEST(SfEditEngine, TableForItsVersionOnly) {
  HMODULE library = LoadLibraryA(LibraryName);
  ASSERT_NE(library, nullptr);
  auto entry = reinterpret_cast<EntryProc>(reinterpret_cast<void*>(GetProcAddress(library, EntryName)));
  ASSERT_NE(entry, nullptr);
  void* table = nullptr;
  EXPECT_NE(entry(0x20000, &table), ResultOk);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(entry(ApiVersion, &table), ResultOk);
  EXPECT_NE(table, nullptr);
  FreeLibrary(library);
}

TEST(SfEditEngine, FaultsFromTheConfig) {
  {
    StandinConfig config("sfedt.refuse=0x10000\n");
    TEngine engine;
    EXPECT_FALSE(engine.Bound());
  }
  {
    StandinConfig config("sfedt.hide=SFEditEngine\n");
    HMODULE library = LoadLibraryA(LibraryName);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, EntryName), nullptr);
    FreeLibrary(library);
  }
  {
    StandinConfig config("sfedt.refuseload=1\n");
    HMODULE library = LoadLibraryA(LibraryName);
    EXPECT_EQ(library, nullptr);
    if (library != nullptr) FreeLibrary(library);
  }
  {
    TempFolder folder;
    StandinConfig config("sfedt.createfail=1\nsfedt.importfail=1\n");
    TEngine engine;
    ASSERT_TRUE(engine.Bound());
    Handle sf = 0;
    EXPECT_NE(engine.At<CreateProc>(slot::Create)(&sf), ResultOk);
    EXPECT_EQ(sf, 0u);
    ASSERT_TRUE(testsupport::WriteBytes(folder.File("w.wav"), Wave(1, 1, 16, {1, 2, 3})));
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Piano", 0, 0, {100});
    ASSERT_TRUE(builder.Write(folder.File("a.sf2")));
    ASSERT_EQ(engine.OpenRead(folder.File("a.sf2"), sf), ResultOk);
    Handle sample = 0;
    EXPECT_NE(engine.At<ImportWaveProc>(slot::ImportWave)(sf, folder.File("w.wav").c_str(), "w", &sample),
              ResultOk);
    EXPECT_EQ(engine.Names(sf, true).size(), 1u);
    engine.Close(sf);
  }
  TEngine engine;
  EXPECT_TRUE(engine.Bound());
}

// Presets travel whole into a new file: names, banks, drum kits and the sample points as they were.
TEST(SfEditEngine, CopiedPresetsSaveWithTheirSamples) {
  TempFolder folder;
  sf2test::Sf2Builder builder;
  const uint32_t shared = builder.AddSample("shared", 700);
  builder.AddPreset("Piano", 0, 0, {shared, builder.AddSample("low", 300)});
  builder.AddPreset("Kit", 128, 0, {shared});
  const std::string source = folder.File("source.sf2");
  ASSERT_TRUE(builder.Write(source));

  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  Handle from = 0;
  ASSERT_EQ(engine.OpenRead(source, from), ResultOk);
  const Handle target = engine.Create();
  EXPECT_EQ(engine.Find(from, 0, 1), 0u);
  const Handle piano = engine.Find(from, 0, 0);
  const Handle kit = engine.Find(from, 128, 0);
  ASSERT_NE(piano, 0u);
  ASSERT_NE(kit, 0u);
  EXPECT_EQ(engine.Copy(from, piano, target, 5, 17, "Grand piano with a long name"), ResultOk);
  EXPECT_EQ(engine.Copy(from, kit, target, 128, 3, ""), ResultOk);
  EXPECT_EQ(engine.Copy(from, piano, target, 0, 127, "again"), ResultOk);
  // The source file may go before the save: the copies no longer need it.
  EXPECT_EQ(engine.At<SoundFontProc>(slot::Release)(from), ResultOk);
  EXPECT_EQ(engine.Close(from), ResultOk);
  EXPECT_EQ(engine.At<SoundFontProc>(slot::Release)(from), ResultOk);

  const std::string out = folder.File("out.sf2");
  ASSERT_EQ(engine.Save(target, out), ResultOk);
  EXPECT_EQ(engine.Close(target), ResultOk);

  EXPECT_EQ(PresetName(out, 5, 17), "Grand piano with a l");
  EXPECT_EQ(PresetName(out, 128, 3), "Kit");
  EXPECT_EQ(PresetName(out, 0, 127), "again");
  EXPECT_EQ(SampleBytes(out, 5, 17), SampleBytes(source, 0, 0));
  EXPECT_EQ(SampleBytes(out, 128, 3), SampleBytes(source, 128, 0));
  EXPECT_EQ(SampleBytes(out, 0, 127), SampleBytes(source, 0, 0));
  EXPECT_NE(SampleBytes(out, 0, 0), SampleBytes(source, 0, 0));  // nothing at 0:0

  // Every copy has samples and instruments of its own: 3 presets, 3 instruments, 2 + 1 + 2 samples.
  Handle back = 0;
  ASSERT_EQ(engine.OpenRead(out, back), ResultOk);
  EXPECT_EQ(engine.Names(back, false).size(), 3u);
  EXPECT_EQ(engine.Names(back, true).size(), 5u);
  engine.Close(back);
}

TEST(SfEditEngine, SameNamesAreNeverMerged) {
  TempFolder folder;
  sf2test::Sf2Builder a, b;
  a.AddPresetWithSamples("Same", 0, 0, {100});
  b.AddPresetWithSamples("Same", 0, 0, {260});
  ASSERT_TRUE(a.Write(folder.File("a.sf2")));
  ASSERT_TRUE(b.Write(folder.File("b.sf2")));
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  const Handle target = engine.Create();
  Handle fa = 0, fb = 0;
  ASSERT_EQ(engine.OpenRead(folder.File("a.sf2"), fa), ResultOk);
  ASSERT_EQ(engine.OpenRead(folder.File("b.sf2"), fb), ResultOk);
  EXPECT_EQ(engine.Copy(fa, engine.Find(fa, 0, 0), target, 0, 1, "one"), ResultOk);
  EXPECT_EQ(engine.Copy(fb, engine.Find(fb, 0, 0), target, 0, 2, "two"), ResultOk);
  EXPECT_EQ(engine.Names(target, true), (std::vector<std::string>{"Same 0", "Same 0"}));
  EXPECT_EQ(engine.Names(target, false), (std::vector<std::string>{"Same", "Same"}));

  // Renaming a copy leaves its source and the other copy alone.
  Handle walk = 0, sample = 0;
  ASSERT_EQ(engine.At<WalkProc>(slot::FirstSample)(target, &walk), ResultOk);
  ASSERT_EQ(engine.At<ItemAtProc>(slot::SampleAt)(target, walk, &sample), ResultOk);
  EXPECT_EQ(engine.At<SetNameProc>(slot::RenameSample)(target, sample, "renamed name longer than 20"), ResultOk);
  EXPECT_EQ(engine.Names(target, true), (std::vector<std::string>{"renamed name longer ", "Same 0"}));
  EXPECT_EQ(engine.Names(fa, true), (std::vector<std::string>{"Same 0"}));

  const std::string out = folder.File("out.sf2");
  ASSERT_EQ(engine.Save(target, out), ResultOk);
  EXPECT_EQ(SampleBytes(out, 0, 1), SampleBytes(folder.File("a.sf2"), 0, 0));
  EXPECT_EQ(SampleBytes(out, 0, 2), SampleBytes(folder.File("b.sf2"), 0, 0));
  for (Handle sf : {target, fa, fb}) engine.Close(sf);
}

TEST(SfEditEngine, MissingAndDamagedFilesAreRefused) {
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {500});
  builder.AddPresetWithSamples("Kit", 128, 0, {300});
  TEngine engine;
  ASSERT_TRUE(engine.Bound());

  Handle sf = 7;
  EXPECT_EQ(engine.At<OpenProc>(slot::Open)(folder.File("none.sf2").c_str(), &sf), ResultNoFile);
  EXPECT_EQ(sf, 0u);

  int n = 0;
  for (const sf2test::Sf2DamagedCopy& copy : sf2test::DamagedCopies(builder)) {
    SCOPED_TRACE(copy.Name);
    const std::string file = folder.File("damaged" + std::to_string(++n) + ".sf2");
    ASSERT_TRUE(testsupport::WriteBytes(file, copy.Bytes));
    const int32_t read = engine.OpenRead(file, sf);
    if (read == ResultOk) {
      // What reads must be whole: it saves, and the copy reads again.
      const Handle target = engine.Create();
      const Handle preset = engine.Find(sf, 0, 0);
      if (preset != 0) {
        EXPECT_EQ(engine.Copy(sf, preset, target, 0, 0, "x"), ResultOk);
      }
      EXPECT_EQ(engine.Save(target, file + ".out"), ResultOk);
      Handle again = 0;
      EXPECT_EQ(engine.OpenRead(file + ".out", again), ResultOk);
      engine.Close(again);
      engine.Close(target);
    } else {
      EXPECT_EQ(read, ResultDamagedFile);
      // An unread SoundFont answers, and closes.
      Handle preset = 9;
      EXPECT_EQ(engine.At<FindPresetProc>(slot::FindPreset)(sf, 0, 0, &preset), ResultNotRead);
      EXPECT_EQ(preset, 0u);
    }
    EXPECT_EQ(engine.Close(sf), ResultOk);
  }
  // A pdta list without one of its nine chunks.
  std::string bytes = builder.Build();
  const size_t imod = bytes.find("imod");
  ASSERT_NE(imod, std::string::npos);
  bytes.replace(imod, 4, "xmod");
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("noimod.sf2"), bytes));
  EXPECT_EQ(engine.OpenRead(folder.File("noimod.sf2"), sf), ResultDamagedFile);
  engine.Close(sf);
  // A whole file whose RIFF size claims a pad byte more than it has still reads.
  bytes = builder.Build();
  uint32_t riffSize = 0;
  std::memcpy(&riffSize, &bytes[4], 4);
  ++riffSize;
  std::memcpy(&bytes[4], &riffSize, 4);
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("long.sf2"), bytes));
  EXPECT_EQ(engine.OpenRead(folder.File("long.sf2"), sf), ResultOk);
  EXPECT_NE(engine.Find(sf, 128, 0), 0u);
  engine.Close(sf);
}

TEST(SfEditEngine, HandlesAreCheckedForKindAndSoundFont) {
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  const Handle a = engine.Create();
  const Handle b = engine.Create();
  Handle instrument = 0;
  ASSERT_EQ(engine.At<AddInstrumentProc>(slot::AddInstrument)(a, "inst", &instrument), ResultOk);
  char name[8];
  EXPECT_EQ(engine.At<GetNameProc>(slot::InstrumentName)(a, instrument, name, sizeof name), ResultOk);
  EXPECT_STREQ(name, "inst");
  EXPECT_EQ(engine.At<GetNameProc>(slot::InstrumentName)(b, instrument, name, sizeof name), ResultBadHandle);
  EXPECT_EQ(engine.At<GetNameProc>(slot::SampleName)(a, instrument, name, sizeof name), ResultBadHandle);
  EXPECT_EQ(engine.At<GetNameProc>(slot::InstrumentName)(a, instrument, name, 3), ResultOk);
  EXPECT_STREQ(name, "in");
  EXPECT_EQ(engine.At<GetNameProc>(slot::InstrumentName)(a, instrument, name, 0), ResultBadArgument);
  EXPECT_EQ(engine.At<AddPresetProc>(slot::AddPreset)(a, "p", 129, 0, instrument, nullptr), ResultBadArgument);
  EXPECT_EQ(engine.At<AddPresetProc>(slot::AddPreset)(a, "p", 0, 128, instrument, nullptr), ResultBadArgument);
  EXPECT_EQ(engine.At<AddPresetProc>(slot::AddPreset)(b, "p", 0, 0, instrument, nullptr), ResultBadHandle);
  // An empty SoundFont's walks end at once, with the writer's end codes.
  Handle walk = 0;
  EXPECT_EQ(engine.At<WalkProc>(slot::FirstSample)(b, &walk), ResultNoMoreSamples);
  EXPECT_EQ(engine.At<WalkProc>(slot::FirstInstrument)(b, &walk), ResultNoMoreInstruments);
  EXPECT_EQ(engine.Close(a), ResultOk);
  EXPECT_EQ(engine.At<GetNameProc>(slot::InstrumentName)(a, instrument, name, sizeof name), ResultBadHandle);
  EXPECT_EQ(engine.Close(a), ResultBadHandle);
  EXPECT_EQ(engine.At<SoundFontProc>(slot::Release)(a), ResultOk);
  EXPECT_EQ(engine.Close(b), ResultOk);
}

// A wave preset as the writer builds it: import, instrument, zones with pan, preset, copy.
TEST(SfEditEngine, WavesBecomeLinkedSamples) {
  TempFolder folder;
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("mono8.wav"), Wave(1, 1, 8, {0x80, 0xFF, 0x00, 0x81})));
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("stereo16.wav"),
                                      Wave(1, 2, 16, {100, -100, 200, -200, 300, -300})));
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("deep24.wav"), Wave(1, 1, 24, {1, 2, 3})));
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("float.wav"), Wave(3, 1, 16, {1, 2})));
  ASSERT_TRUE(testsupport::WriteBytes(folder.File("cut.wav"), Wave(1, 1, 16, {1, 2}).substr(0, 30)));
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  const Handle target = engine.Create();
  const Handle temp = engine.Create();
  ASSERT_EQ(engine.At<SetUpProc>(slot::SetUp)(temp, SetUpDefaults), ResultOk);
  auto import = [&](const std::string& file, Handle& sample) {
    return engine.At<ImportWaveProc>(slot::ImportWave)(temp, folder.File(file).c_str(), "wave", &sample);
  };
  Handle mono = 0, left = 0, right = 0, none = 0;
  for (const char* bad : {"deep24.wav", "float.wav", "cut.wav"}) EXPECT_EQ(import(bad, none), ResultUnsupportedWave);
  EXPECT_EQ(import("missing.wav", none), ResultNoFile);
  EXPECT_EQ(engine.Names(temp, true).size(), 0u);
  ASSERT_EQ(import("mono8.wav", mono), ResultOk);
  ASSERT_EQ(import("stereo16.wav", left), ResultOk);
  EXPECT_EQ(engine.At<RightSampleProc>(slot::RightSample)(temp, mono, &right), ResultFailed);
  ASSERT_EQ(engine.At<RightSampleProc>(slot::RightSample)(temp, left, &right), ResultOk);
  EXPECT_NE(right, left);
  EXPECT_EQ(engine.At<RightSampleProc>(slot::RightSample)(temp, right, &none), ResultFailed);
  engine.At<SetNameProc>(slot::RenameSample)(temp, left, "wave(L)");
  engine.At<SetNameProc>(slot::RenameSample)(temp, right, "wave(R)");
  EXPECT_EQ(engine.Names(temp, true), (std::vector<std::string>{"wave", "wave(L)", "wave(R)"}));

  Handle instrument = 0, leftZone = 0, rightZone = 0, preset = 0;
  ASSERT_EQ(engine.At<AddInstrumentProc>(slot::AddInstrument)(temp, "stereo", &instrument), ResultOk);
  EXPECT_EQ(engine.At<AddZoneProc>(slot::AddRightZone)(temp, instrument, left, &none), ResultFailed);
  ASSERT_EQ(engine.At<AddZoneProc>(slot::AddRightZone)(temp, instrument, right, &rightZone), ResultOk);
  ASSERT_EQ(engine.At<AddZoneProc>(slot::AddZone)(temp, instrument, left, &leftZone), ResultOk);
  EXPECT_EQ(engine.At<SetGeneratorProc>(slot::SetGenerator)(temp, leftZone, GeneratorPan, -500), ResultOk);
  EXPECT_EQ(engine.At<SetGeneratorProc>(slot::SetGenerator)(temp, rightZone, GeneratorPan, 500), ResultOk);
  EXPECT_EQ(engine.At<SetGeneratorProc>(slot::SetGenerator)(temp, rightZone, 53, 0), ResultBadArgument);
  ASSERT_EQ(engine.At<AddPresetProc>(slot::AddPreset)(temp, "stereo", 0, 0, instrument, &preset), ResultOk);
  // A preset straight on a sample, as the placeholder is made.
  Handle onSample = 0;
  ASSERT_EQ(engine.At<AddPresetProc>(slot::AddPreset)(temp, "fake", 0, 127, mono, &onSample), ResultOk);
  EXPECT_EQ(engine.Copy(temp, preset, target, 3, 4, "Strings"), ResultOk);
  EXPECT_EQ(engine.Copy(temp, onSample, target, 0, 127, nullptr), ResultOk);
  EXPECT_EQ(engine.Close(temp), ResultOk);

  const std::string out = folder.File("waves.sf2");
  ASSERT_EQ(engine.Save(target, out), ResultOk);
  // Points: 8-bit as 16-bit, stereo split by channel, each sample as its own span.
  std::string expected;
  for (int p : {-100, -200, -300, 100, 200, 300}) Put16(expected, uint32_t(p));
  std::string stereo = SampleBytes(out, 3, 4);
  EXPECT_EQ(stereo.size(), expected.size());
  std::string leftFirst = stereo.substr(6) + stereo.substr(0, 6);
  EXPECT_TRUE(stereo == expected || leftFirst == expected);
  std::string mono16;
  for (int p : {0, 0x7F00, -0x8000, 0x100}) Put16(mono16, uint32_t(p));
  EXPECT_EQ(SampleBytes(out, 0, 127), mono16);
  EXPECT_EQ(PresetName(out, 0, 127), "fake");

  // Read back by the engine: the pair is still linked both ways, and the zones keep their pan.
  Handle back = 0;
  ASSERT_EQ(engine.OpenRead(out, back), ResultOk);
  Handle walk = 0, sample = 0, partner = 0, back2 = 0;
  int linked = 0;
  for (int32_t r = engine.At<WalkProc>(slot::FirstSample)(back, &walk); r == ResultOk;
       r = engine.At<WalkProc>(slot::NextSample)(back, &walk)) {
    ASSERT_EQ(engine.At<ItemAtProc>(slot::SampleAt)(back, walk, &sample), ResultOk);
    if (engine.At<RightSampleProc>(slot::RightSample)(back, sample, &partner) != ResultOk) continue;
    ++linked;
    char name[32];
    engine.At<GetNameProc>(slot::SampleName)(back, partner, name, sizeof name);
    EXPECT_STREQ(name, "wave(R)");
    EXPECT_EQ(engine.At<RightSampleProc>(slot::RightSample)(back, partner, &back2), ResultFailed);
  }
  EXPECT_EQ(linked, 1);
  engine.Close(back);
  const std::string bytes = testsupport::ReadBytes(out);
  const size_t igen = bytes.find("igen");
  ASSERT_NE(igen, std::string::npos);
  std::string pans;
  for (int amount : {-500, 500}) {
    Put16(pans, 17);
    Put16(pans, uint32_t(amount));
  }
  EXPECT_NE(bytes.find(pans.substr(0, 4), igen), std::string::npos);
  EXPECT_NE(bytes.find(pans.substr(4, 4), igen), std::string::npos);
  engine.Close(target);
}

TEST(SfEditEngine, InfoFieldsInTheirPlaces) {
  TempFolder folder;
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  const Handle sf = engine.Create();
  auto set = [&](uint32_t field, const char* text) { return engine.At<SetInfoProc>(slot::SetInfo)(sf, field, text); };
  EXPECT_EQ(set(InfoComment, "created with TARNBEL v1.24.2"), ResultOk);
  EXPECT_EQ(set(InfoCreationDate, "December 9, 2026"), ResultOk);
  EXPECT_EQ(set(InfoName, "odd"), ResultOk);
  EXPECT_EQ(set(42, "x"), ResultBadArgument);
  const std::string out = folder.File("info.sf2");
  ASSERT_EQ(engine.Save(sf, out), ResultOk);
  const auto chunks = InfoChunks(testsupport::ReadBytes(out));
  std::vector<std::string> ids;
  std::map<std::string, std::string> bodies;
  for (const auto& c : chunks) {
    ids.push_back(c.first);
    bodies[c.first] = c.second;
    EXPECT_EQ(c.second.size() % 2, 0u) << c.first;
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"ifil", "isng", "INAM", "ICRD", "ICMT"}));
  EXPECT_EQ(bodies["ifil"], std::string("\x02\x00\x01\x00", 4));
  EXPECT_EQ(bodies["INAM"], std::string("odd\0", 4));
  EXPECT_EQ(bodies["ICRD"], std::string("December 9, 2026\0\0", 18));
  EXPECT_EQ(bodies["ICMT"], std::string("created with TARNBEL v1.24.2\0\0", 30));
  engine.Close(sf);
}

// A save that cannot finish leaves the old file as it was and nothing beside it.
TEST(SfEditEngine, FailedSavesLeaveNothingBehind) {
  TempFolder folder;
  const std::string out = folder.File("kept.sf2");
  ASSERT_TRUE(testsupport::WriteBytes(out, "old contents"));
  {
    StandinConfig config("sfedt.savefail=1\n");
    TEngine engine;
    ASSERT_TRUE(engine.Bound());
    const Handle sf = engine.Create();
    EXPECT_EQ(engine.Save(sf, out), ResultWriteFailed);
    EXPECT_EQ(engine.Save(sf, folder.File("new.sf2")), ResultWriteFailed);
    engine.Close(sf);
  }
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  const Handle sf = engine.Create();
  EXPECT_EQ(engine.Save(sf, folder.File("no such folder\\x.sf2")), ResultWriteFailed);
  // More instruments than 16-bit indices can number: refused, never wrapped.
  Handle instrument = 0;
  for (int i = 0; i < 0x10000; ++i) engine.At<AddInstrumentProc>(slot::AddInstrument)(sf, "i", &instrument);
  EXPECT_EQ(engine.Save(sf, out), ResultTooComplex);
  EXPECT_EQ(testsupport::ReadBytes(out), "old contents");
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"kept.sf2"}));
  engine.Close(sf);
  // A whole save replaces the old file.
  const Handle small = engine.Create();
  EXPECT_EQ(engine.Save(small, out), ResultOk);
  EXPECT_EQ(testsupport::ReadBytes(out).substr(0, 4), "RIFF");
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"kept.sf2"}));
  engine.Close(small);
}

TEST(SfEditEngine, CallLogCountsOpens) {
  TempFolder folder;
  const std::string log = folder.File("calls.txt");
  StandinConfig config("sfedt.log=" + log + "\n");
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {100});
  ASSERT_TRUE(builder.Write(folder.File("a.sf2")));
  TEngine engine;
  ASSERT_TRUE(engine.Bound());
  Handle sf = 0;
  ASSERT_EQ(engine.OpenRead(folder.File("a.sf2"), sf), ResultOk);
  engine.Close(sf);
  std::istringstream lines(testsupport::ReadBytes(log));
  std::string line;
  int opens = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("Open " + folder.File("a.sf2") + " -> 0", 0) == 0) ++opens;
  }
  EXPECT_EQ(opens, 1);
}
