#pragma once
// What a load takes from a file: the preset's name and where its sample data lies.
#include <cstdint>
#include <string>
#include <vector>

namespace simcard {

enum class LoadStatus { Loaded, NoFile, Damaged, NoPreset, DoesNotFit, UnsupportedWave };

struct SampleRange {
  uint64_t offset;  // from the file's start
  uint64_t length;  // bytes
};

struct SampleSource {
  std::string name;
  std::vector<SampleRange> ranges;
  uint64_t Bytes() const;
};

// Reads every range of the source, as the card's transfer of the samples would.
// false when the file cannot be read to the end of a range.
bool ReadSampleData(const std::string& file, const SampleSource& source);

// The name and sample data of the preset bank:program of an .sf2 file; each sample that its
// instruments use counts once.
LoadStatus MeasureSf2Preset(const std::string& file, uint16_t bank, uint16_t program, SampleSource& source);

// The sample data of a .wav file: 8- or 16-bit PCM, mono or stereo; other formats are unsupported.
LoadStatus MeasureWave(const std::string& file, SampleSource& source);

}  // namespace simcard
