#pragma once
// The edit engine's SoundFont in memory: presets, instruments and samples as objects that point
// at one another (file indices exist only while reading or writing). The points of a file that is
// read stay in it; a copy takes the points it plays into memory, so it no longer needs the file.
// Points are never changed once made, so copies of a copy share them.
// Standard C++ only: the fuzz target builds it natively.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sfedit {

// SF2 generator operators the engine itself looks at.
constexpr uint16_t GenInstrument = 41;
constexpr uint16_t GenKeyRange = 43;
constexpr uint16_t GenVelRange = 44;
constexpr uint16_t GenSampleID = 53;
constexpr uint16_t GenCount = 61;  // operators 0..60 are defined

// sfSampleType bits.
constexpr uint16_t SampleMono = 1, SampleRight = 2, SampleLeft = 4, SampleLinked = 8, SampleRom = 0x8000;

// Sample points read from where they are kept.
class TSamplePoints {
 public:
  virtual ~TSamplePoints() = default;
  virtual uint64_t Count() const = 0;
  virtual bool InMemory() const = 0;
  // false when the points [first, first + count) cannot be had.
  virtual bool Read(uint64_t first, size_t count, int16_t* out) const = 0;
};

// Points held in memory (an imported wave).
class TMemoryPoints : public TSamplePoints {
 public:
  explicit TMemoryPoints(std::vector<int16_t> points) : FPoints(std::move(points)) {}
  uint64_t Count() const override { return FPoints.size(); }
  bool InMemory() const override { return true; }
  bool Read(uint64_t first, size_t count, int16_t* out) const override;

 private:
  std::vector<int16_t> FPoints;
};

// The "smpl" chunk of an opened file: points are read when a copy is written.
class TFilePoints : public TSamplePoints {
 public:
  TFilePoints(std::shared_ptr<std::istream> stream, uint64_t dataPos, uint64_t count)
      : FStream(std::move(stream)), FDataPos(dataPos), FCount(count) {}
  uint64_t Count() const override { return FCount; }
  bool InMemory() const override { return false; }
  bool Read(uint64_t first, size_t count, int16_t* out) const override;

 private:
  std::shared_ptr<std::istream> FStream;
  uint64_t FDataPos;
  uint64_t FCount;
};

struct TGenerator {
  uint16_t Oper;
  uint16_t Amount;
};

struct TModulator {
  uint8_t Bytes[10];  // carried as they are
};

struct TSample {
  std::string Name;
  std::shared_ptr<const TSamplePoints> Points;
  uint64_t Start = 0;  // points [Start, End) of Points
  uint64_t End = 0;
  int64_t LoopStart = 0;  // relative to Start
  int64_t LoopEnd = 0;
  uint32_t SampleRate = 22050;
  uint8_t OriginalPitch = 60;
  int8_t PitchCorrection = 0;
  uint16_t Type = SampleMono;
  TSample* Link = nullptr;  // the other channel of a stereo pair
  uint64_t Length() const { return End - Start; }
};

// A zone without a sample (instrument) is the global zone; it may only come first. Generators are
// kept without the sample's (instrument's) ID generator, which writing puts last.
struct TInstrumentZone {
  std::vector<TGenerator> Generators;
  std::vector<TModulator> Modulators;
  TSample* Sample = nullptr;
};

struct TInstrument {
  std::string Name;
  std::vector<std::unique_ptr<TInstrumentZone>> Zones;
};

struct TPresetZone {
  std::vector<TGenerator> Generators;
  std::vector<TModulator> Modulators;
  TInstrument* Instrument = nullptr;
};

struct TPreset {
  std::string Name;
  uint16_t Program = 0;
  uint16_t Bank = 0;
  uint32_t Library = 0, Genre = 0, Morphology = 0;
  std::vector<std::unique_ptr<TPresetZone>> Zones;
};

struct TSoundFont {
  uint16_t VersionMajor = 2, VersionMinor = 1;
  std::map<std::string, std::string> Info;  // INFO text chunks by ID
  std::vector<std::unique_ptr<TPreset>> Presets;
  std::vector<std::unique_ptr<TInstrument>> Instruments;
  std::vector<std::unique_ptr<TSample>> Samples;

  void SetDefaults();
  TPreset* FindPreset(uint16_t bank, uint16_t program) const;
  // A new copy of preset (from any SoundFont, this one too) with its own instruments and samples,
  // replacing a preset at bank:program; null (and nothing changed) when points cannot be read.
  TPreset* CopyPreset(const TPreset& preset, uint16_t bank, uint16_t program, const std::string& name);
  // Takes the preset out; false when it is not one of ours.
  bool RemovePreset(const TPreset* preset);
};

// Names are kept as the file holds them: at most 20 characters, nothing after a NUL.
std::string CutName(const std::string& name);
void SetGenerator(std::vector<TGenerator>& generators, uint16_t oper, uint16_t amount);

}  // namespace sfedit
