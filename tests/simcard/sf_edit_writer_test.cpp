// The edit engine's SF2 writing and reading on SoundFonts made in memory.
#include <gtest/gtest.h>

#include <sstream>

#include "sf_edit_reader.h"
#include "sf_edit_writer.h"

using namespace sfedit;

namespace {

// Points that are never there: only their count matters.
class TCountedPoints : public TSamplePoints {
 public:
  explicit TCountedPoints(uint64_t count) : FCount(count) {}
  uint64_t Count() const override { return FCount; }
  bool InMemory() const override { return true; }
  bool Read(uint64_t, size_t, int16_t*) const override { return false; }

 private:
  uint64_t FCount;
};

TSample* AddSample(TSoundFont& sf, std::shared_ptr<const TSamplePoints> points, uint64_t length) {
  sf.Samples.push_back(std::make_unique<TSample>());
  TSample* s = sf.Samples.back().get();
  s->Points = std::move(points);
  s->End = length;
  s->LoopEnd = static_cast<int64_t>(length);
  return s;
}

}  // namespace

TEST(SfEditWriter, SizesBeyondThirtyTwoBitsAreRefused) {
  TSoundFont sf;
  sf.SetDefaults();
  auto points = std::make_shared<TCountedPoints>(0x80000000ull);
  // Two samples of 2^30 points with their zero points need more than a 32-bit smpl size.
  AddSample(sf, points, 0x40000000ull);
  AddSample(sf, points, 0x40000000ull);
  EXPECT_EQ(CheckWritable(sf), ResultTooComplex);
  std::ostringstream out;
  EXPECT_EQ(WriteSoundFont(sf, out), ResultTooComplex);
  EXPECT_TRUE(out.str().empty());
  sf.Samples.pop_back();
  EXPECT_EQ(CheckWritable(sf), ResultOk);
  // smpl itself fits, the file around it does not.
  sf.Samples.back()->End = 0xFFFFFFF0ull / 2 - 46;
  EXPECT_EQ(CheckWritable(sf), ResultTooComplex);
  sf.Samples.back()->End -= 1000;
  EXPECT_EQ(CheckWritable(sf), ResultOk);
}

TEST(SfEditWriter, TooManyZonesForSixteenBitBagIndices) {
  TSoundFont sf;
  sf.SetDefaults();
  TSample* sample = AddSample(sf, std::make_shared<TMemoryPoints>(std::vector<int16_t>(4, 1)), 4);
  sf.Instruments.push_back(std::make_unique<TInstrument>());
  for (int i = 0; i < 0xFFFF; ++i) {
    sf.Instruments.back()->Zones.push_back(std::make_unique<TInstrumentZone>());
    sf.Instruments.back()->Zones.back()->Sample = sample;
  }
  EXPECT_EQ(CheckWritable(sf), ResultOk);
  sf.Instruments.back()->Zones.push_back(std::make_unique<TInstrumentZone>());
  sf.Instruments.back()->Zones.back()->Sample = sample;
  // 0x10000 zones need a terminal bag index of 0x10000.
  EXPECT_EQ(CheckWritable(sf), ResultTooComplex);
}

// Global zones, modulators and generators survive a write and a read, ranges first and the ID last.
TEST(SfEditWriter, ZonesKeepTheirGeneratorsInTheFormatsOrder) {
  TSoundFont sf;
  sf.SetDefaults();
  TSample* left = AddSample(sf, std::make_shared<TMemoryPoints>(std::vector<int16_t>{1, 2, 3}), 3);
  TSample* right = AddSample(sf, std::make_shared<TMemoryPoints>(std::vector<int16_t>{4, 5, 6}), 3);
  left->Type = SampleLeft;
  right->Type = SampleRight;
  left->Link = right;
  right->Link = left;
  left->LoopStart = -5;  // out of the sample: written inside it
  left->LoopEnd = 99;
  sf.Instruments.push_back(std::make_unique<TInstrument>());
  TInstrument& inst = *sf.Instruments.back();
  inst.Name = "inst";
  inst.Zones.push_back(std::make_unique<TInstrumentZone>());
  inst.Zones.back()->Generators = {{17, 100}};  // global
  TModulator mod = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}};
  inst.Zones.back()->Modulators = {mod};
  for (TSample* s : {left, right}) {
    inst.Zones.push_back(std::make_unique<TInstrumentZone>());
    inst.Zones.back()->Generators = {{17, 0xFE0C}, {GenVelRange, 0x7F00}, {GenKeyRange, 0x4000}};
    inst.Zones.back()->Sample = s;
  }
  sf.Presets.push_back(std::make_unique<TPreset>());
  sf.Presets.back()->Name = "preset";
  sf.Presets.back()->Bank = 128;
  sf.Presets.back()->Zones.push_back(std::make_unique<TPresetZone>());
  sf.Presets.back()->Zones.back()->Instrument = &inst;

  std::ostringstream out;
  ASSERT_EQ(WriteSoundFont(sf, out), ResultOk);
  const std::string bytes = out.str();
  // Each sample is followed by 46 zero points.
  ASSERT_EQ(bytes.substr(bytes.find("smpl") + 8, 6), std::string("\1\0\2\0\3\0", 6));
  EXPECT_EQ(bytes.substr(bytes.find("smpl") + 14, 92), std::string(92, '\0'));

  TSoundFont back;
  ASSERT_EQ(ReadSoundFont(std::make_shared<std::istringstream>(bytes), back), ResultOk);
  ASSERT_EQ(back.Presets.size(), 1u);
  EXPECT_EQ(back.Presets[0]->Bank, 128);
  ASSERT_EQ(back.Instruments.size(), 1u);
  const TInstrument& read = *back.Instruments[0];
  ASSERT_EQ(read.Zones.size(), 3u);
  EXPECT_EQ(read.Zones[0]->Sample, nullptr);
  ASSERT_EQ(read.Zones[0]->Modulators.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.Zones[0]->Modulators[0].Bytes), 10),
            std::string(reinterpret_cast<const char*>(mod.Bytes), 10));
  for (size_t z = 1; z < 3; ++z) {
    const auto& g = read.Zones[z]->Generators;
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[0].Oper, GenKeyRange);
    EXPECT_EQ(g[1].Oper, GenVelRange);
    EXPECT_EQ(g[2].Oper, 17);
    EXPECT_EQ(g[2].Amount, 0xFE0C);
  }
  const TSample& l = *read.Zones[1]->Sample;
  EXPECT_EQ(l.Link, read.Zones[2]->Sample);
  EXPECT_EQ(read.Zones[2]->Sample->Link, &l);
  EXPECT_EQ(l.LoopStart, 0);
  EXPECT_EQ(l.LoopEnd, 3);
  int16_t points[3] = {};
  ASSERT_TRUE(read.Zones[2]->Sample->Points->Read(read.Zones[2]->Sample->Start, 3, points));
  EXPECT_EQ(points[2], 6);
}

TEST(SfEditReader, WaveFormats) {
  auto wave = [](const std::string& fmt, const std::string& data) {
    std::string body = "WAVEfmt " + std::string(1, char(fmt.size())) + std::string(3, '\0') + fmt + "data" +
                       std::string(1, char(data.size())) + std::string(3, '\0') + data;
    return "RIFF" + std::string(1, char(body.size())) + std::string(3, '\0') + body;
  };
  // PCM, 2 channels, 8000 Hz, 16000 bytes/s, block 2, 8 bits.
  const std::string stereo8("\1\0\2\0\x40\x1f\0\0\x80\x3e\0\0\2\0\x08\0", 16);
  TWave w;
  std::istringstream in(wave(stereo8, std::string("\x80\x00\xff\x7f\x01", 5)));  // the odd last byte is no frame
  ASSERT_EQ(ReadWave(in, w), ResultOk);
  EXPECT_TRUE(w.Stereo);
  EXPECT_EQ(w.SampleRate, 8000u);
  EXPECT_EQ(w.Left, (std::vector<int16_t>{0, 127 * 256}));
  EXPECT_EQ(w.Right, (std::vector<int16_t>{-128 * 256, -256}));
  std::string badAlign = stereo8;
  badAlign[12] = 4;
  std::istringstream bad(wave(badAlign, std::string("\x80\x00", 2)));
  EXPECT_EQ(ReadWave(bad, w), ResultUnsupportedWave);
  std::string threeChannels = stereo8;
  threeChannels[2] = 3;
  threeChannels[12] = 3;
  std::istringstream three(wave(threeChannels, std::string("\x80\x00\x01", 3)));
  EXPECT_EQ(ReadWave(three, w), ResultUnsupportedWave);
  std::istringstream empty(wave(stereo8, ""));
  EXPECT_EQ(ReadWave(empty, w), ResultUnsupportedWave);
}
