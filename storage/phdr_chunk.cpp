#include "phdr_chunk.h"

#include <cstring>

namespace {

std::string NameOf(const SF2PresetHeader& header) {
  const char* name = header.achPresetName;
  return std::string(name, strnlen(name, sizeof header.achPresetName));
}

}  // namespace

void TphdrChunk::InitPath() {
  TLISTpdtaSubchunk::InitPath();
  Path[1] = "phdr";
  ListTypes[1].clear();
}

bool TphdrChunk::Load(std::istream& stream, int64_t pos) {
  Presets.clear();  // a file without the chunk leaves no records from an earlier load
  return TLISTpdtaSubchunk::Load(stream, pos);
}

void TphdrChunk::ReadData() {
  Presets.clear();
  if (!Stream) return;
  // Whole records only: the last one must start at or before DataPos + Size - 38, and one cut
  // short by the stream's end is not kept.
  // One seek, then sequential reads: the stream's buffer serves many records per file read.
  const int64_t end = DataPos + int64_t(Size) - int64_t(sizeof(SF2PresetHeader));
  std::istream& in = *Stream;
  in.clear();
  if (!in.seekg(DataPos)) {
    in.clear();
    return;
  }
  for (int64_t pos = DataPos; pos <= end; pos += sizeof(SF2PresetHeader)) {
    SF2PresetHeader header;
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header)) break;
    if (NameOf(header) == "EOP") break;
    Presets.push_back(header);
  }
  in.clear();
}

bool TphdrChunk::WriteData(std::ostream& stream) {
  stream.clear();
  if (!stream.seekp(DataPos)) return false;
  for (const SF2PresetHeader& header : Presets)
    if (!stream.write(reinterpret_cast<const char*>(&header), sizeof header)) return false;
  return true;
}

std::string TphdrChunk::GetPresetName(int bank, int program) const {
  for (size_t i = 0; i < Presets.size(); ++i)
    if (Presets[i].wBank == bank && Presets[i].wPreset == program) return GetPresetNameAt(i);
  return NoneMarker;
}

std::string TphdrChunk::GetPresetNameAt(size_t index) const {
  return index < Presets.size() ? NameOf(Presets[index]) : NoneMarker;
}
