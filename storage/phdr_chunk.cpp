#include "phdr_chunk.h"

#include <algorithm>
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
  // short by the stream's end is not kept. The records are read in large blocks (one for any
  // usual bank) and, within a Load, without a seek: they follow the chunk's header.
  constexpr int64_t Record = int64_t(sizeof(SF2PresetHeader));
  constexpr int64_t RecordsPerRead = 1024;
  TChunkReader own(*Stream);
  TChunkReader& reader = FReader ? *FReader : own;
  const int64_t end = DataPos + int64_t(Size) - Record;
  std::vector<char> block;
  for (int64_t pos = DataPos; pos <= end;) {
    const int64_t records = std::min<int64_t>((end - pos) / Record + 1, RecordsPerRead);
    block.resize(size_t(records * Record));
    const size_t whole = reader.ReadUpTo(pos, block.data(), block.size()) / size_t(Record);
    for (size_t i = 0; i < whole; ++i) {
      SF2PresetHeader header;
      std::memcpy(&header, block.data() + i * size_t(Record), sizeof header);
      if (NameOf(header) == "EOP") return;
      Presets.push_back(header);
    }
    if (int64_t(whole) < records) return;
    pos += records * Record;
  }
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
