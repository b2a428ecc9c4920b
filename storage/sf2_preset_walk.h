#pragma once
// The part of an .sf2 file that one preset plays: its header, its zones, the instruments they
// name and the samples those instruments play, with where each sample's data lies in the file.
// Every chunk, table and index is checked against the file before it is used, so a damaged file
// comes out as damaged and nothing is read (or allocated) beyond what the file holds.
// Standard C++ only: the fuzz target builds it natively.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

enum class TPresetWalkResult { Found, Damaged, NoPreset };

struct TSampleSpan {
  uint64_t Offset;  // from the file's start
  uint64_t Length;  // bytes
};

struct TPresetSamples {
  std::string Name;
  std::vector<TSampleSpan> Samples;  // each sample the preset plays, once, in sample order
  uint64_t Bytes() const;
};

// Walks preset bank:program (the first header with both) of the SF2 file in the stream.
// The stream's position is not kept.
TPresetWalkResult WalkSf2Preset(std::istream& in, uint16_t bank, uint16_t program, TPresetSamples& preset);
