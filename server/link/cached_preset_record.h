#pragma once
// CachedPresetRecord: one preset of a SoundFont manager thread's cache as the server sends it to the
// monitor (count x 806 bytes, nothing between the records), and as the tools program builds it for its lists.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "none_marker.h"  // the mapping name of preview presets

#pragma pack(push, 1)
struct CachedPresetRecord {
  uint8_t Loading;           // 0: the cache entry is being loaded (0/1)
  uint8_t Removing;          // 1: the cache entry is being removed (0/1)
  int32_t Bank;              // 2: 32768 = drum kits from the server; the tools program's own records use 128
  int32_t Program;           // 6
  uint8_t PresetName[256];   // 10: length byte, then up to 255 characters
  uint32_t LastUsed;         // 266: tick count of the last use
  uint32_t Unused270;        // 270: not filled by the server; readers ignore it
  uint32_t EntryId;          // 274
  int32_t Channel;           // 278: 0-15, -1 = none
  uint8_t SourceFile[256];   // 282
  uint8_t MappingName[256];  // 538: NoneMarker for a preview preset
  int32_t SourceBank;        // 794: 128 = drum kits, 200 = a wave
  int32_t SourcePreset;      // 798
  uint32_t Unused802;        // 802: no meaning to the receiver
};
#pragma pack(pop)
static_assert(sizeof(CachedPresetRecord) == 806, "CachedPresetRecord is 806 bytes");
static_assert(offsetof(CachedPresetRecord, Loading) == 0 && offsetof(CachedPresetRecord, Removing) == 1 &&
                  offsetof(CachedPresetRecord, Bank) == 2 && offsetof(CachedPresetRecord, Program) == 6 &&
                  offsetof(CachedPresetRecord, PresetName) == 10 && offsetof(CachedPresetRecord, LastUsed) == 266 &&
                  offsetof(CachedPresetRecord, Unused270) == 270 && offsetof(CachedPresetRecord, EntryId) == 274 &&
                  offsetof(CachedPresetRecord, Channel) == 278 && offsetof(CachedPresetRecord, SourceFile) == 282 &&
                  offsetof(CachedPresetRecord, MappingName) == 538 &&
                  offsetof(CachedPresetRecord, SourceBank) == 794 &&
                  offsetof(CachedPresetRecord, SourcePreset) == 798 && offsetof(CachedPresetRecord, Unused802) == 802,
              "CachedPresetRecord's fields lie where the monitor reads them");

const size_t CachedPresetRecordSize = sizeof(CachedPresetRecord);

// Short strings: a length byte and up to 255 characters; longer texts are cut, and reads never go past
// the field whatever its length byte says.
void SetShortString(uint8_t (&field)[256], const std::string& value);
std::string GetShortString(const uint8_t (&field)[256]);

// A record with the numbers the tools program does not know set to -1 (loading and removal flags 0,
// strings empty, bank and program 0).
CachedPresetRecord EmptyPresetRecord();

class TMappingInactiveItem;
// A record for a mapping entry: flags 0, bank and program of the target, the stored name (a wave entry's
// whole text), source file empty and -1 in the numbers a mapping does not know. The mapping name and the
// field at offset 270 are left as they are.
void FillPresetRecord(const TMappingInactiveItem& item, CachedPresetRecord& record);

// Byte forms, little-endian whatever the host: the payload is count x 806 bytes. Decoding takes only whole
// records; a trailing part of a record is ignored.
std::vector<uint8_t> EncodeCachedPresetRecords(const std::vector<CachedPresetRecord>& records);
std::vector<CachedPresetRecord> DecodeCachedPresetRecords(const void* data, size_t size);
