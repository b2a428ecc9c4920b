// libFuzzer target for the preset walk that the card stand-in and the device layer share: any bytes
// as an SF2 file. Besides the sanitizers' findings (and any allocation larger than the file, which
// the run's malloc limit turns into one) it stops on broken promises: samples only from inside the
// sample data, the same answer twice, and nothing left behind by a failed walk.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "sf2_preset_walk.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void WalkOnce(const std::string& bytes, uint16_t bank, uint16_t program) {
  std::istringstream in(bytes, std::ios::binary);
  TPresetSamples preset;
  const TPresetWalkResult result = WalkSf2Preset(in, bank, program, preset);
  if (result != TPresetWalkResult::Found) {
    Check(preset.Samples.empty() && preset.Name.empty());
    return;
  }
  Check(preset.Name.size() <= 20);
  for (const TSampleSpan& span : preset.Samples) {
    Check(span.Offset >= 12);
    Check(span.Length <= bytes.size() && span.Offset <= bytes.size() - span.Length);
  }
  std::istringstream again(bytes, std::ios::binary);
  TPresetSamples second;
  Check(WalkSf2Preset(again, bank, program, second) == result);
  Check(second.Bytes() == preset.Bytes() && second.Name == preset.Name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WalkOnce(bytes, 0, 0);
  WalkOnce(bytes, 128, 0);
  // A preset named by the input's own bytes, so fuzzed headers are found too.
  if (size >= 4) WalkOnce(bytes, uint16_t(data[0] | data[1] << 8) % 129, uint16_t(data[2] | data[3] << 8) % 128);
  return 0;
}
