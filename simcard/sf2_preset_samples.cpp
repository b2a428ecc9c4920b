// The part of an .sf2 file a card needs to load one preset, as the shared preset walk finds it.
#include <fstream>

#include "sample_source.h"
#include "sf2_preset_walk.h"

namespace simcard {

LoadStatus MeasureSf2Preset(const std::string& file, uint16_t bank, uint16_t program, SampleSource& source) {
  source = SampleSource();
  std::ifstream in(file, std::ios::binary);
  if (!in) return LoadStatus::NoFile;
  TPresetSamples preset;
  switch (WalkSf2Preset(in, bank, program, preset)) {
    case TPresetWalkResult::Found: break;
    case TPresetWalkResult::NoPreset: return LoadStatus::NoPreset;
    case TPresetWalkResult::Damaged: return LoadStatus::Damaged;
  }
  source.name = preset.Name;
  for (const TSampleSpan& span : preset.Samples) source.ranges.push_back({span.Offset, span.Length});
  return LoadStatus::Loaded;
}

}  // namespace simcard
