#include "sf_edit_model.h"

#include <algorithm>
#include <cstring>

namespace sfedit {

bool TMemoryPoints::Read(uint64_t first, size_t count, int16_t* out) const {
  if (first > FPoints.size() || count > FPoints.size() - first) return false;
  std::copy_n(FPoints.begin() + static_cast<std::ptrdiff_t>(first), count, out);
  return true;
}

bool TFilePoints::Read(uint64_t first, size_t count, int16_t* out) const {
  if (first > FCount || count > FCount - first) return false;
  std::vector<uint8_t> bytes(count * 2);
  FStream->clear();
  if (!FStream->seekg(static_cast<std::streamoff>(FDataPos + first * 2))) return false;
  FStream->read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const bool whole = static_cast<size_t>(FStream->gcount()) == bytes.size();
  FStream->clear();
  if (!whole) return false;
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return true;
}

namespace {

bool TakeIntoMemory(TSample& sample) {
  if (sample.Points->InMemory()) return true;
  std::vector<int16_t> points(static_cast<size_t>(sample.Length()));
  if (!sample.Points->Read(sample.Start, points.size(), points.data())) return false;
  sample.Points = std::make_shared<TMemoryPoints>(std::move(points));
  sample.End -= sample.Start;
  sample.Start = 0;
  return true;
}

}  // namespace

void TSoundFont::SetDefaults() {
  VersionMajor = 2;
  VersionMinor = 1;
  Info.clear();
  Info["isng"] = "EMU8000";
  Info["INAM"] = "Untitled";
}

TPreset* TSoundFont::FindPreset(uint16_t bank, uint16_t program) const {
  for (const auto& preset : Presets) {
    if (preset->Bank == bank && preset->Program == program) return preset.get();
  }
  return nullptr;
}

TPreset* TSoundFont::CopyPreset(const TPreset& preset, uint16_t bank, uint16_t program, const std::string& name) {
  // Within one copy an instrument or sample that several zones share stays shared; nothing is
  // ever matched with what this SoundFont holds already.
  std::map<const TInstrument*, TInstrument*> instruments;
  std::map<const TSample*, TSample*> samples;
  std::vector<std::unique_ptr<TInstrument>> newInstruments;
  std::vector<std::unique_ptr<TSample>> newSamples;
  std::vector<const TSample*> sampleSources;  // of each new sample

  auto copySample = [&](const TSample* source) {
    TSample*& copy = samples[source];
    if (copy == nullptr) {
      newSamples.push_back(std::make_unique<TSample>(*source));
      sampleSources.push_back(source);
      copy = newSamples.back().get();
      copy->Link = nullptr;
    }
    return copy;
  };
  auto copyInstrument = [&](const TInstrument* source) {
    TInstrument*& copy = instruments[source];
    if (copy != nullptr) return copy;
    newInstruments.push_back(std::make_unique<TInstrument>());
    copy = newInstruments.back().get();
    copy->Name = source->Name;
    for (const auto& zone : source->Zones) {
      auto z = std::make_unique<TInstrumentZone>(*zone);
      if (zone->Sample != nullptr) z->Sample = copySample(zone->Sample);
      copy->Zones.push_back(std::move(z));
    }
    return copy;
  };

  auto copy = std::make_unique<TPreset>();
  copy->Name = CutName(name.empty() ? preset.Name : name);
  copy->Bank = bank;
  copy->Program = program;
  copy->Library = preset.Library;
  copy->Genre = preset.Genre;
  copy->Morphology = preset.Morphology;
  for (const auto& zone : preset.Zones) {
    auto z = std::make_unique<TPresetZone>(*zone);
    if (zone->Instrument != nullptr) z->Instrument = copyInstrument(zone->Instrument);
    copy->Zones.push_back(std::move(z));
  }
  // A stereo pair travels whole, so both halves keep their link.
  for (size_t i = 0; i < newSamples.size(); ++i) {
    const TSample* source = sampleSources[i];
    if (source->Link == nullptr) continue;
    TSample* partner = copySample(source->Link);
    newSamples[i]->Link = partner;
    partner->Link = newSamples[i].get();
  }
  for (auto& s : newSamples) {
    if (!TakeIntoMemory(*s)) return nullptr;
  }

  if (TPreset* old = FindPreset(bank, program)) RemovePreset(old);
  for (auto& s : newSamples) Samples.push_back(std::move(s));
  for (auto& i : newInstruments) Instruments.push_back(std::move(i));
  Presets.push_back(std::move(copy));
  return Presets.back().get();
}

bool TSoundFont::RemovePreset(const TPreset* preset) {
  for (auto it = Presets.begin(); it != Presets.end(); ++it) {
    if (it->get() == preset) {
      Presets.erase(it);
      return true;
    }
  }
  return false;
}

std::string CutName(const std::string& name) {
  const size_t nul = name.find('\0');
  return name.substr(0, std::min<size_t>(std::min(nul, name.size()), 20));
}

void SetGenerator(std::vector<TGenerator>& generators, uint16_t oper, uint16_t amount) {
  for (TGenerator& g : generators) {
    if (g.Oper == oper) {
      g.Amount = amount;
      return;
    }
  }
  generators.push_back({oper, amount});
}

}  // namespace sfedit
