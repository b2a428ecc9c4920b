// What a load charges: the sample bytes of the preset's samples, read from the real file.
#include <gtest/gtest.h>

#include "sample_source.h"
#include "sf2_builder.h"
#include "standin_support.h"

using namespace simcard;
using testsupport::TempFolder;

TEST(SampleSource, PresetChargesEachOfItsSamplesOnce) {
  TempFolder folder;
  sf2test::Sf2Builder builder;
  const uint32_t shared = builder.AddSample("shared", 3000);
  const uint32_t own = builder.AddSample("own", 500);
  builder.AddPreset("Both", 0, 4, {shared, own, shared});
  builder.AddPreset("Kit", 128, 0, {shared});
  const std::string file = folder.File("bank.sf2");
  ASSERT_TRUE(builder.Write(file));

  SampleSource source;
  ASSERT_EQ(MeasureSf2Preset(file, 0, 4, source), LoadStatus::Loaded);
  EXPECT_EQ(source.name, "Both");
  EXPECT_EQ(source.Bytes(), builder.PresetSampleBytes(0));
  EXPECT_EQ(source.Bytes(), 2u * (3000 + 500));
  EXPECT_TRUE(ReadSampleData(file, source));
  ASSERT_EQ(MeasureSf2Preset(file, 128, 0, source), LoadStatus::Loaded);
  EXPECT_EQ(source.Bytes(), 6000u);
  EXPECT_EQ(MeasureSf2Preset(file, 0, 5, source), LoadStatus::NoPreset);
  EXPECT_EQ(MeasureSf2Preset(folder.File("none.sf2"), 0, 4, source), LoadStatus::NoFile);
}

TEST(SampleSource, DamagedBanksAreRefusedWithoutReadingOutside) {
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {1000});
  const std::string good = builder.Build();
  SampleSource source;

  // Cut anywhere: never a crash, never a preset that is not all there.
  for (size_t length : {size_t(0), size_t(11), good.size() / 3, good.size() / 2, good.size() - 50}) {
    const std::string file = folder.File("cut.sf2");
    testsupport::WriteBytes(file, good.substr(0, length));
    const LoadStatus status = MeasureSf2Preset(file, 0, 0, source);
    EXPECT_TRUE(status == LoadStatus::Damaged || status == LoadStatus::NoPreset) << length;
  }

  // A sample header pointing beyond the sample data.
  std::string bad = good;
  for (const sf2test::Sf2ChunkSpan& span : builder.Layout()) {
    if (span.ID != "shdr") continue;
    const size_t end = span.DataPos() + 24;  // first sample's end field
    bad[end] = '\xFF';
    bad[end + 1] = '\xFF';
    bad[end + 2] = '\xFF';
  }
  const std::string file = folder.File("bad.sf2");
  testsupport::WriteBytes(file, bad);
  EXPECT_EQ(MeasureSf2Preset(file, 0, 0, source), LoadStatus::Damaged);

  // A generator naming an instrument that does not exist.
  bad = good;
  for (const sf2test::Sf2ChunkSpan& span : builder.Layout()) {
    if (span.ID != "pgen") continue;
    for (uint64_t at = span.DataPos(); at + 4 <= span.End(); at += 4) {
      if (static_cast<uint8_t>(bad[at]) == 41) bad[at + 2] = '\x7F';
    }
  }
  testsupport::WriteBytes(file, bad);
  EXPECT_EQ(MeasureSf2Preset(file, 0, 0, source), LoadStatus::Damaged);
}

TEST(SampleSource, WaveFormats) {
  TempFolder folder;
  SampleSource source;
  const std::string mono = folder.File("mono.wav");
  testsupport::WriteWaveFile(mono, 1, 1, 16, 1000);
  ASSERT_EQ(MeasureWave(mono, source), LoadStatus::Loaded);
  EXPECT_EQ(source.Bytes(), 2000u);
  EXPECT_EQ(source.name, "mono");
  const std::string stereo8 = folder.File("stereo8.wav");
  testsupport::WriteWaveFile(stereo8, 1, 2, 8, 1000);
  ASSERT_EQ(MeasureWave(stereo8, source), LoadStatus::Loaded);
  EXPECT_EQ(source.Bytes(), 2000u);

  const std::string adpcm = folder.File("adpcm.wav");
  testsupport::WriteWaveFile(adpcm, 2, 1, 4, 1000);
  EXPECT_EQ(MeasureWave(adpcm, source), LoadStatus::UnsupportedWave);
  const std::string deep = folder.File("deep.wav");
  testsupport::WriteWaveFile(deep, 1, 1, 24, 10);
  EXPECT_EQ(MeasureWave(deep, source), LoadStatus::UnsupportedWave);

  std::string cut = testsupport::ReadBytes(mono);
  testsupport::WriteBytes(folder.File("cut.wav"), cut.substr(0, cut.size() - 10));
  EXPECT_EQ(MeasureWave(folder.File("cut.wav"), source), LoadStatus::Damaged);
  testsupport::WriteBytes(folder.File("text.wav"), "not a wave at all");
  EXPECT_EQ(MeasureWave(folder.File("text.wav"), source), LoadStatus::Damaged);
}
