// The preset walk that both the card stand-in and the device layer's memory check rely on.
#include <gtest/gtest.h>

#include <sstream>

#include "sf2_builder.h"
#include "sf2_damage.h"
#include "sf2_preset_walk.h"

namespace {

TPresetWalkResult Walk(const std::string& bytes, uint16_t bank, uint16_t program, TPresetSamples& preset) {
  std::istringstream in(bytes, std::ios::binary);
  return WalkSf2Preset(in, bank, program, preset);
}

const sf2test::Sf2ChunkSpan& Span(const sf2test::Sf2Builder& builder, const std::string& id) {
  static sf2test::Sf2ChunkSpan found;
  for (const sf2test::Sf2ChunkSpan& span : builder.Layout())
    if (span.ID == id) found = span;
  return found;
}

void Put16(std::string& bytes, uint64_t at, uint16_t value) {
  bytes[at] = char(value & 0xFF);
  bytes[at + 1] = char(value >> 8);
}

}  // namespace

TEST(Sf2PresetWalk, FindsEachSampleOfThePresetOnceInsideTheSampleData) {
  sf2test::Sf2Builder builder;
  const uint32_t shared = builder.AddSample("shared", 3000);
  const uint32_t own = builder.AddSample("own", 500);
  builder.AddPreset("Both", 0, 4, {shared, own, shared});
  builder.AddPreset("Kit", 128, 0, {shared});
  builder.AddPreset("A name of twenty ch.", 3, 127, {own});
  const std::string bytes = builder.Build();
  const sf2test::Sf2ChunkSpan smpl = Span(builder, "smpl");

  TPresetSamples preset;
  ASSERT_EQ(Walk(bytes, 0, 4, preset), TPresetWalkResult::Found);
  EXPECT_EQ(preset.Name, "Both");
  ASSERT_EQ(preset.Samples.size(), 2u);
  EXPECT_EQ(preset.Bytes(), builder.PresetSampleBytes(0));
  for (const TSampleSpan& span : preset.Samples) {
    EXPECT_GE(span.Offset, smpl.DataPos());
    EXPECT_LE(span.Offset + span.Length, smpl.End());
  }
  // The first sample's data starts the sample chunk.
  EXPECT_EQ(preset.Samples[0].Offset, smpl.DataPos());
  EXPECT_EQ(preset.Samples[0].Length, 6000u);

  ASSERT_EQ(Walk(bytes, 128, 0, preset), TPresetWalkResult::Found);
  EXPECT_EQ(preset.Bytes(), 6000u);
  ASSERT_EQ(Walk(bytes, 3, 127, preset), TPresetWalkResult::Found);
  EXPECT_EQ(preset.Name, "A name of twenty ch.");
  EXPECT_EQ(Walk(bytes, 0, 5, preset), TPresetWalkResult::NoPreset);
  EXPECT_EQ(Walk(bytes, 4, 0, preset), TPresetWalkResult::NoPreset);  // bank and program are not mixed up
}

TEST(Sf2PresetWalk, InstrumentNamedByManyZonesIsWalkedOnce) {
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {100, 200});
  std::string bytes = builder.Build();
  // Point every preset zone's instrument at instrument 0: still its two samples, each once.
  const sf2test::Sf2ChunkSpan pgen = Span(builder, "pgen");
  for (uint64_t at = pgen.DataPos(); at + 4 <= pgen.End(); at += 4)
    if (uint8_t(bytes[at]) == 41) Put16(bytes, at + 2, 0);
  TPresetSamples preset;
  ASSERT_EQ(Walk(bytes, 0, 0, preset), TPresetWalkResult::Found);
  EXPECT_EQ(preset.Bytes(), 600u);
}

TEST(Sf2PresetWalk, BadIndicesAreDamage) {
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {1000});
  const std::string good = builder.Build();
  TPresetSamples preset;

  struct TCase {
    const char* Name;
    const char* Chunk;
    uint64_t Offset;  // into the chunk's data
    uint16_t Value;
  };
  const TCase cases[] = {
      {"bag index past the bags", "phdr", 24, 0x7FFF},
      {"generator index past the generators", "pbag", 0, 0x7FFF},
      {"instrument bag index past the bags", "inst", 20, 0x7FFF},
      {"sample end past the sample data", "shdr", 24, 0xFFFF},
      {"sample end before its start", "shdr", 20, 0x7FFF},
  };
  for (const TCase& c : cases) {
    std::string bytes = good;
    Put16(bytes, Span(builder, c.Chunk).DataPos() + c.Offset, c.Value);
    EXPECT_EQ(Walk(bytes, 0, 0, preset), TPresetWalkResult::Damaged) << c.Name;
    EXPECT_TRUE(preset.Samples.empty()) << c.Name;
  }

  // Generators naming an instrument or a sample that does not exist.
  for (const char* chunk : {"pgen", "igen"}) {
    std::string bytes = good;
    const sf2test::Sf2ChunkSpan gens = Span(builder, chunk);
    for (uint64_t at = gens.DataPos(); at + 4 <= gens.End(); at += 4)
      if (uint8_t(bytes[at]) == 41 || uint8_t(bytes[at]) == 53) Put16(bytes, at + 2, 0x7F00);
    EXPECT_EQ(Walk(bytes, 0, 0, preset), TPresetWalkResult::Damaged) << chunk;
  }

  // Not a SoundFont at all.
  EXPECT_EQ(Walk("", 0, 0, preset), TPresetWalkResult::Damaged);
  std::string wave = good;
  wave.replace(8, 4, "WAVE");
  EXPECT_EQ(Walk(wave, 0, 0, preset), TPresetWalkResult::Damaged);
}

// A bank's bytes that remembers the largest read asked of it: a lying size must be found out
// before anything is read (or allocated) for it.
class TLargestReadBuf : public std::stringbuf {
 public:
  explicit TLargestReadBuf(const std::string& bytes) : std::stringbuf(bytes, std::ios::in | std::ios::binary) {}
  std::streamsize Largest = 0;

 protected:
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    if (n > Largest) Largest = n;
    return std::stringbuf::xsgetn(s, n);
  }
};

TEST(Sf2PresetWalk, DamagedCopiesNeverGiveAPresetNorReadPastTheFile) {
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {1000});
  builder.AddPresetWithSamples("Strings", 0, 48, {4000, 800});
  builder.AddPresetWithSamples("Kit", 128, 0, {300});
  const std::vector<sf2test::Sf2DamagedCopy> copies = sf2test::DamagedCopies(builder);
  ASSERT_EQ(copies.size(), 13u);
  for (const sf2test::Sf2DamagedCopy& copy : copies) {
    for (uint16_t program : {0, 48}) {
      TLargestReadBuf buffer(copy.Bytes);
      std::istream in(&buffer);
      TPresetSamples preset;
      EXPECT_NE(WalkSf2Preset(in, 0, program, preset), TPresetWalkResult::Found) << copy.Name << " " << program;
      EXPECT_TRUE(preset.Samples.empty()) << copy.Name;
      EXPECT_LE(uint64_t(buffer.Largest), copy.Bytes.size()) << copy.Name;
    }
  }
}
