// Time of loading a 20 MB preset into the card, next to a plain sequential read of the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iostream>
#include <vector>

#include "abstract_sf_device.h"
#include "sf2_builder.h"
#include "standin_support.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

uint64_t ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> block(1 << 20);
  uint64_t total = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    total += static_cast<uint64_t>(in.gcount());
  }
  return total;
}

}  // namespace

TEST(LoadTiming, TwentyMegabytePresetAgainstSequentialRead) {
  testsupport::StandinConfig config("sfman.device=general,67108864,Timing Synth\n");
  testsupport::TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Big", 0, 0, {10u * 1024 * 1024});  // 20 MB of 16-bit samples
  const std::string file = folder.File("big.sf2");
  ASSERT_TRUE(builder.Write(file));

  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  const uint64_t fileBytes = ReadWhole(file);
  QueryPerformanceCounter(&t1);

  TAbstractSFDevice device;
  ASSERT_TRUE(device.Open(0));
  int32_t handle = 0;
  LARGE_INTEGER l0;
  QueryPerformanceCounter(&l0);
  ASSERT_TRUE(device.LoadPreset(0, 0, 0, 0, file, handle)) << device.LastError();
  QueryPerformanceCounter(&t2);
  uint32_t total = 0, free = 0;
  ASSERT_TRUE(device.QueryMemory(total, free));
  EXPECT_EQ(total - free, builder.PresetSampleBytes(0));

  const double read = Seconds(t0, t1);
  const double load = Seconds(l0, t2);
  std::cout << "[ figure ] file " << fileBytes << " bytes: sequential read " << read * 1000 << " ms, preset load "
            << load * 1000 << " ms (" << (read > 0 ? load / read : 0) << "x)" << std::endl;
  RecordProperty("sequential_read_ms", static_cast<int>(read * 1000));
  RecordProperty("preset_load_ms", static_cast<int>(load * 1000));
}
