#pragma once
// TphdrChunk: the preset headers of an SF2 file ("phdr" inside "LIST" "pdta").
#include <cstdint>
#include <string>
#include <vector>

#include "LISTpdta_subchunk.h"
#include "none_marker.h"

#pragma pack(push, 1)
struct SF2PresetHeader {
  char achPresetName[20];  // NUL-terminated when shorter than 20
  uint16_t wPreset;        // program number
  uint16_t wBank;          // 128 for percussion
  uint16_t wPresetBagNdx;
  uint32_t dwLibrary;
  uint32_t dwGenre;
  uint32_t dwMorphology;
};
#pragma pack(pop)
static_assert(sizeof(SF2PresetHeader) == 38, "SF2 preset header record is 38 bytes");

class TphdrChunk : public TLISTpdtaSubchunk {
 public:
  TphdrChunk() { TphdrChunk::InitPath(); }

  std::vector<SF2PresetHeader> Presets;  // the records before "EOP"

  bool Load(std::istream& stream, int64_t pos) override;
  void InitPath() override;
  void ReadData() override;
  bool WriteData(std::ostream& stream) override;

  // The name of the first record with this bank and program, else NoneMarker.
  std::string GetPresetName(int bank, int program) const;
  // The record's name bytes up to the first NUL; NoneMarker for an index with no record.
  std::string GetPresetNameAt(size_t index) const;

 protected:
  uint64_t DataBytes() const override { return uint64_t(Presets.size()) * sizeof(SF2PresetHeader); }
};
