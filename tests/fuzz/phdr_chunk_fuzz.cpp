// libFuzzer target for the preset-header reader: any bytes as an SF2 file. Besides the sanitizers'
// findings it stops on broken promises: the stream's position kept, records only from inside the
// chunk, and a write-back that changes the bank fields and nothing else.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "phdr_chunk.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::stringstream stream(original, std::ios::in | std::ios::out | std::ios::binary);
  const std::streamoff start = std::streamoff(size / 2);
  stream.seekg(start);

  // A chunk named by its position: whatever lies there, records come only from inside it.
  if (size >= 2) {
    TphdrChunk direct;
    const int64_t pos = int64_t((data[0] | data[1] << 8) % size);
    if (direct.Load(stream, pos)) {
      Check(uint64_t(direct.Presets.size()) * 38 <= direct.Size);
      Check(uint64_t(direct.DataPos) + direct.Presets.size() * 38 <= size);
    }
    Check(stream.tellg() == start);
  }

  TphdrChunk phdr;
  const bool found = phdr.Load(stream, -1);
  Check(stream.tellg() == start);
  if (!found) {
    Check(phdr.Presets.empty());
    Check(phdr.GetPresetName(0, 0) == NoneMarker);
    TphdrChunk other;
    other.Presets.resize(1);
    Check(!other.Save(stream, -1));
    Check(stream.str() == original);
    return 0;
  }

  const uint64_t records = phdr.Presets.size();
  Check(records * 38 <= phdr.Size);
  Check(uint64_t(phdr.DataPos) + records * 38 <= size);
  for (size_t i = 0; i < phdr.Presets.size(); ++i) {
    const std::string name = phdr.GetPresetNameAt(i);
    Check(name.size() <= 20 && name != "EOP");
    const SF2PresetHeader& h = phdr.Presets[i];
    Check(phdr.GetPresetName(h.wBank, h.wPreset).size() <= 20);
  }

  for (SF2PresetHeader& h : phdr.Presets) h.wBank = uint16_t(h.wBank ^ 0xA5C3);
  Check(phdr.Save(stream, -1));
  const std::string written = stream.str();
  Check(written.size() == original.size());
  for (size_t i = 0; i < written.size(); ++i) {
    const int64_t offset = int64_t(i) - phdr.DataPos;
    const bool bankByte = offset >= 0 && uint64_t(offset) < records * 38 && (offset % 38 == 22 || offset % 38 == 23);
    if (!bankByte) Check(written[i] == original[i]);
  }

  TphdrChunk again;
  Check(again.Load(stream, -1));
  Check(again.Presets.size() == records);
  for (size_t i = 0; i < again.Presets.size(); ++i)
    Check(std::memcmp(&again.Presets[i], &phdr.Presets[i], sizeof(SF2PresetHeader)) == 0);
  return 0;
}
