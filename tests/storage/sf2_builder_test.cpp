// The test SoundFont builder links presets to their samples as a player follows them; the
// stand-in card and the integrity checker rely on that.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "sf2_builder.h"

using sf2test::Sf2Builder;
using sf2test::Sf2ChunkSpan;

namespace {

struct TFile {
  std::string Bytes;
  std::map<std::string, Sf2ChunkSpan> Chunks;  // by ID or list type
  uint32_t U32(uint64_t pos) const {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(Bytes.at(pos + i));
    return v;
  }
  uint16_t U16(uint64_t pos) const { return uint16_t(uint8_t(Bytes.at(pos)) | uint8_t(Bytes.at(pos + 1)) << 8); }
  // Field at offset of record index in a pdta subchunk.
  uint64_t At(const std::string& id, uint32_t recordSize, uint32_t index, uint32_t offset) const {
    const Sf2ChunkSpan& s = Chunks.at(id);
    EXPECT_LE(uint64_t(index + 1) * recordSize, s.Size) << id << " record " << index;
    return s.DataPos() + uint64_t(index) * recordSize + offset;
  }
};

TFile Open(const Sf2Builder& b) {
  TFile f;
  f.Bytes = b.Build();
  for (const Sf2ChunkSpan& s : b.Layout()) f.Chunks[s.ListType.empty() || s.ID == "RIFF" ? s.ID : s.ListType] = s;
  return f;
}

}  // namespace

TEST(Sf2Builder, LayoutMatchesTheBytesWritten) {
  Sf2Builder b;
  b.AddPresetWithSamples("Odd", 0, 0, {3});
  b.BankName = "odd";
  TFile f = Open(b);
  ASSERT_EQ(f.Bytes.size(), f.Chunks.at("RIFF").End());
  EXPECT_EQ("sfbk", f.Bytes.substr(8, 4));
  for (const Sf2ChunkSpan& s : b.Layout()) {
    EXPECT_EQ(s.ID, f.Bytes.substr(s.Pos, 4));
    EXPECT_EQ(s.Size, f.U32(s.Pos + 4)) << s.ID;
    EXPECT_EQ(0u, s.Size % 2) << s.ID;
    if (!s.ListType.empty()) {
      EXPECT_EQ(s.ListType, f.Bytes.substr(s.Pos + 8, 4));
    }
  }
  EXPECT_EQ(std::string("odd\0", 4), f.Bytes.substr(f.Chunks.at("INAM").DataPos(), 4));
  EXPECT_EQ(2u, f.U16(f.Chunks.at("ifil").DataPos()));
}

TEST(Sf2Builder, PresetsLeadThroughInstrumentsToTheirSamples) {
  Sf2Builder b;
  const uint32_t shared = b.AddSample("shared", 1000);
  b.AddPresetWithSamples("Piano", 0, 0, {300, 500});
  b.AddPreset("Kit", 128, 0, {shared, shared});
  b.AddPreset("Empty", 1, 2, {});
  b.AddPreset("Mixed", 2, 3, {shared, 1});
  TFile f = Open(b);
  const uint64_t smplPos = f.Chunks.at("smpl").DataPos();
  const uint32_t smplPoints = f.Chunks.at("smpl").Size / 2;

  for (uint32_t p = 0; p < b.Presets().size(); ++p) {
    SCOPED_TRACE(b.Presets()[p].Name);
    const uint16_t bag = f.U16(f.At("phdr", 38, p, 24));
    const uint16_t nextBag = f.U16(f.At("phdr", 38, p + 1, 24));
    ASSERT_EQ(1, nextBag - bag);
    const uint16_t gen = f.U16(f.At("pbag", 4, bag, 0));
    const uint16_t nextGen = f.U16(f.At("pbag", 4, bag + 1, 0));
    ASSERT_EQ(1, nextGen - gen);
    ASSERT_EQ(41, f.U16(f.At("pgen", 4, gen, 0)));  // instrument
    const uint16_t instrument = f.U16(f.At("pgen", 4, gen, 2));

    const uint16_t firstZone = f.U16(f.At("inst", 22, instrument, 20));
    const uint16_t endZone = f.U16(f.At("inst", 22, instrument + 1, 20));
    std::vector<uint32_t> played;
    uint64_t bytes = 0;
    std::set<uint32_t> distinct;
    for (uint16_t z = firstZone; z < endZone; ++z) {
      const uint16_t g0 = f.U16(f.At("ibag", 4, z, 0));
      const uint16_t g1 = f.U16(f.At("ibag", 4, z + 1, 0));
      ASSERT_GT(g1, g0);
      EXPECT_EQ(43, f.U16(f.At("igen", 4, g0, 0)));  // key range comes first
      ASSERT_EQ(53, f.U16(f.At("igen", 4, g1 - 1, 0)));  // the sample ends the zone
      const uint16_t sample = f.U16(f.At("igen", 4, g1 - 1, 2));
      played.push_back(sample);
      const uint32_t start = f.U32(f.At("shdr", 46, sample, 20));
      const uint32_t end = f.U32(f.At("shdr", 46, sample, 24));
      const uint32_t loopStart = f.U32(f.At("shdr", 46, sample, 28));
      const uint32_t loopEnd = f.U32(f.At("shdr", 46, sample, 32));
      EXPECT_EQ(b.Samples()[sample].Frames, end - start);
      EXPECT_LE(start, loopStart);
      EXPECT_LE(loopStart, loopEnd);
      EXPECT_LE(loopEnd, end);
      EXPECT_LE(uint64_t(end) + 46, smplPoints);
      for (uint32_t k = 0; k < 46; ++k) ASSERT_EQ(0, f.U16(smplPos + 2ull * (end + k)));
      if (distinct.insert(sample).second) bytes += 2ull * (end - start);
    }
    EXPECT_EQ(b.Presets()[p].Samples, played);
    EXPECT_EQ(bytes, b.PresetSampleBytes(p));
  }
  EXPECT_EQ("EOP", f.Bytes.substr(f.At("phdr", 38, 4, 0), 3));
  EXPECT_EQ("EOI", f.Bytes.substr(f.At("inst", 22, 4, 0), 3));
  EXPECT_EQ("EOS", f.Bytes.substr(f.At("shdr", 46, uint32_t(b.Samples().size()), 0), 3));
  EXPECT_EQ(0u, f.Chunks.at("pmod").Size % 10);
  EXPECT_EQ(0u, f.Chunks.at("imod").Size % 10);
}
