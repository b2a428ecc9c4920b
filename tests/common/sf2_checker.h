#pragma once
// Reads an SF2 file on its own, strictly, for the writer's tests: every rule a player relies on that the
// file breaks is listed in Errors. Shares no code with the engine or the project's reader.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sf2check {

struct Generator {
  uint16_t Oper;
  int16_t Amount;
};

struct Zone {
  std::vector<Generator> Generators;
  // The amount of a generator, or fallback when the zone lacks it.
  int Get(uint16_t oper, int fallback) const;
};

struct Preset {
  std::string Name;
  uint16_t Program = 0, Bank = 0;
  std::vector<Zone> Zones;
};

struct Instrument {
  std::string Name;
  std::vector<Zone> Zones;
};

struct Sample {
  std::string Name;
  uint32_t Start = 0, End = 0, SampleRate = 0;
  uint16_t Link = 0, Type = 0;  // type 1 mono, 2 right, 4 left
  std::vector<int16_t> Points;
};

struct SoundFont {
  std::vector<std::string> Errors;
  std::map<std::string, std::string> Info;  // ids of INFO text chunks to their text
  uint16_t VersionMajor = 0, VersionMinor = 0;
  std::vector<Preset> Presets;        // without the terminal record
  std::vector<Instrument> Instruments;
  std::vector<Sample> Samples;

  const Preset* Find(int bank, int program) const;
  // The instrument zones a preset plays, with their instrument.
  struct Played {
    const Instrument* Inst;
    const Zone* Zone;
    const Sample* Sample;
  };
  std::vector<Played> PlayedBy(const Preset& preset) const;
};

SoundFont Check(const std::string& bytes);
SoundFont CheckFile(const std::string& path);

const uint16_t GenPan = 17;
const uint16_t GenInstrument = 41;
const uint16_t GenSampleId = 53;

}  // namespace sf2check
