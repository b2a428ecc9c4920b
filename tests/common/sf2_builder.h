#pragma once
// Writes valid SoundFont 2 files for tests: INFO (ifil, isng, INAM), sdta/smpl with generated
// 16-bit mono sample data, and a pdta whose presets, bags, generators, instruments and sample
// headers are linked as a player expects. Each preset gets its own instrument with one zone per
// sample it plays. Standard C++ only: the native fuzz build uses it too.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace sf2test {

struct Sf2Sample {
  std::string Name;
  uint32_t Frames = 0;  // sample points; 46 zero points follow each sample in smpl
  uint32_t SampleRate = 22050;
  uint8_t OriginalPitch = 60;
};

struct Sf2Preset {
  std::string Name;
  uint16_t Bank = 0;  // 128: drum kits
  uint16_t Program = 0;
  std::vector<uint32_t> Samples;  // indices into the builder's samples
};

// Where a chunk landed in the file: Pos of its header, Size as written in it.
struct Sf2ChunkSpan {
  std::string ID;
  std::string ListType;  // for "RIFF" and "LIST"
  uint64_t Pos = 0;
  uint32_t Size = 0;
  uint64_t DataPos() const { return Pos + (ListType.empty() ? 8 : 12); }
  uint64_t End() const { return Pos + 8 + Size; }
};

class Sf2Builder {
 public:
  std::string BankName = "tarnbel test bank";  // INAM
  std::string SoundEngine = "EMU8000";         // isng
  uint16_t VersionMajor = 2;                   // ifil
  uint16_t VersionMinor = 1;

  uint32_t AddSample(const std::string& name, uint32_t frames);
  size_t AddPreset(const std::string& name, uint16_t bank, uint16_t program, std::vector<uint32_t> samples);
  // Adds one new sample per entry of frames, named after the preset, and a preset playing them.
  size_t AddPresetWithSamples(const std::string& name, uint16_t bank, uint16_t program,
                              const std::vector<uint32_t>& frames);

  const std::vector<Sf2Sample>& Samples() const { return FSamples; }
  const std::vector<Sf2Preset>& Presets() const { return FPresets; }
  // Sample data bytes a preset plays: 2 per frame of each distinct sample of its zones.
  uint64_t PresetSampleBytes(size_t presetIndex) const;
  uint64_t TotalSampleFrames() const;  // frames of all samples, without the zero points

  // Streams the file: memory stays small however much sample data there is.
  bool Write(const std::string& path) const;
  bool Write(std::ostream& out) const;
  std::string Build() const;
  // Every chunk of the file in file order, parents before their children.
  std::vector<Sf2ChunkSpan> Layout() const;

 private:
  struct TPieces;
  TPieces MakePieces() const;

  std::vector<Sf2Sample> FSamples;
  std::vector<Sf2Preset> FPresets;
};

}  // namespace sf2test
