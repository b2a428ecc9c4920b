// libFuzzer target for the edit engine stand-in's reader and writer: any bytes as an SF2 file (and
// as a wave). Besides the sanitizers' findings it stops on broken promises: a file that reads has
// every zone, link and point inside itself; each of its presets copies; what is written reads
// again and writes the very same bytes; and the engine's walks and handles answer, never crash.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "sf_edit_engine.h"
#include "sf_edit_reader.h"
#include "sf_edit_writer.h"

using namespace sfedit;

namespace {

constexpr size_t MaxCopies = 8;  // each copy takes its points into memory

void Check(bool condition) {
  if (!condition) abort();
}

bool Owns(const TSoundFont& sf, const TSample* sample) {
  for (const auto& s : sf.Samples) {
    if (s.get() == sample) return true;
  }
  return false;
}

void CheckWhole(const TSoundFont& sf) {
  for (const auto& s : sf.Samples) {
    Check(s->Start <= s->End && s->End <= s->Points->Count());
    Check(s->Link == nullptr || (Owns(sf, s->Link) && s->Link->Link == s.get()));
    Check(s->Name.size() <= 20);
  }
  for (const auto& i : sf.Instruments) {
    for (size_t z = 0; z < i->Zones.size(); ++z) {
      Check(i->Zones[z]->Sample != nullptr ? Owns(sf, i->Zones[z]->Sample) : z == 0);
    }
  }
}

std::string Written(const TSoundFont& sf, Result& result) {
  std::ostringstream out;
  result = WriteSoundFont(sf, out);
  return out.str();
}

void RoundTrip(const std::string& bytes) {
  TSoundFont sf;
  if (ReadSoundFont(std::make_shared<std::istringstream>(bytes), sf) != ResultOk) {
    Check(sf.Presets.empty() && sf.Instruments.empty() && sf.Samples.empty());
    return;
  }
  CheckWhole(sf);
  TSoundFont copy;
  copy.SetDefaults();
  for (size_t i = 0; i < sf.Presets.size() && i < MaxCopies; ++i) {
    Check(copy.CopyPreset(*sf.Presets[i], uint16_t(i), uint16_t(i), "") != nullptr);
  }
  CheckWhole(copy);
  Check(copy.Presets.size() == std::min(sf.Presets.size(), MaxCopies));

  Result result = ResultOk;
  const std::string first = Written(copy, result);
  if (result != ResultOk) {
    Check(result == ResultTooComplex && first.empty());
    return;
  }
  TSoundFont again;
  Check(ReadSoundFont(std::make_shared<std::istringstream>(first), again) == ResultOk);
  CheckWhole(again);
  Check(again.Presets.size() == copy.Presets.size() && again.Samples.size() == copy.Samples.size());
  Check(Written(again, result) == first && result == ResultOk);
}

// The same bytes through the engine's handles, as the writer calls it.
void ThroughHandles(const std::string& bytes) {
  TEditEngine engine;
  Handle sf = 0, target = 0, walk = 0, item = 0, preset = 0;
  Check(engine.OpenStream(std::make_shared<std::istringstream>(bytes), &sf) == ResultOk);
  Check(engine.Create(&target) == ResultOk);
  if (engine.Read(sf) == ResultOk && engine.FindPreset(sf, 0, 0, &preset) == ResultOk) {
    Check(engine.CopyPreset(sf, preset, target, 0, 0, "copy", nullptr) == ResultOk);
  }
  char name[21];
  for (Handle h : {sf, target}) {
    size_t steps = 0;
    for (int32_t r = engine.FirstSample(h, &walk); r == ResultOk && steps < 64; r = engine.NextSample(h, &walk)) {
      Check(engine.SampleAt(h, walk, &item) == ResultOk && engine.SampleName(h, item, name, sizeof name) == ResultOk);
      Check(engine.RenameSample(h, item, "00000000000000000000") == ResultOk);
      ++steps;
    }
    for (int32_t r = engine.FirstInstrument(h, &walk); r == ResultOk && steps < 128;
         r = engine.NextInstrument(h, &walk)) {
      Check(engine.InstrumentAt(h, walk, &item) == ResultOk);
      ++steps;
    }
  }
  Check(engine.Close(sf) == ResultOk && engine.Release(sf) == ResultOk);
  Check(engine.FindPreset(sf, 0, 0, &preset) == ResultBadHandle && preset == 0);
  Check(engine.Close(target) == ResultOk);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RoundTrip(bytes);
  ThroughHandles(bytes);
  std::istringstream in(bytes);
  TWave wave;
  if (ReadWave(in, wave) == ResultOk) {
    Check(!wave.Left.empty() && wave.Left.size() <= size && (!wave.Stereo || wave.Right.size() == wave.Left.size()));
  }
  return 0;
}
