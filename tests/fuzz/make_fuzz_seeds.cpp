// Writes small SF2 files from the test builder into the folder given, as the fuzzer's seeds.
#include <cstdio>
#include <fstream>
#include <string>

#include "sf2_builder.h"
#include "sf2_damage.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  bool ok = true;

  sf2test::Sf2Builder one;
  one.AddPresetWithSamples("Piano", 0, 0, {16});
  ok &= one.Write(folder + "/one.sf2");

  sf2test::Sf2Builder kit;
  kit.AddPresetWithSamples("Strings", 0, 48, {8, 12});
  kit.AddPresetWithSamples("Standard Kit", 128, 0, {4, 4, 4});
  kit.AddPresetWithSamples("A name of twenty ch.", 5, 127, {});
  ok &= kit.Write(folder + "/kit.sf2");

  sf2test::Sf2Builder many;
  uint32_t shared = many.AddSample("shared", 4);
  for (int i = 0; i < 40; ++i) many.AddPreset("P" + std::to_string(i), uint16_t(i % 3), uint16_t(i), {shared});
  ok &= many.Write(folder + "/many.sf2");

  // Damaged copies as users meet them: cut short, or with a lying preset header size.
  int n = 0;
  for (const sf2test::Sf2DamagedCopy& copy : sf2test::DamagedCopies(kit)) {
    std::ofstream out(folder + "/damaged" + std::to_string(n++) + ".sf2", std::ios::binary);
    out.write(copy.Bytes.data(), std::streamsize(copy.Bytes.size()));
    ok &= bool(out);
  }

  return ok ? 0 : 1;
}
