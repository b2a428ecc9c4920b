#include "cached_preset_record.h"

#include <cstring>

#include "tarnbel_mapping.h"


void SetShortString(uint8_t (&field)[256], const std::string& value) {
  size_t length = value.size() < 255 ? value.size() : 255;
  std::memset(field, 0, sizeof field);
  field[0] = static_cast<uint8_t>(length);
  std::memcpy(field + 1, value.data(), length);
}

std::string GetShortString(const uint8_t (&field)[256]) {
  return std::string(reinterpret_cast<const char*>(field + 1), field[0]);
}

CachedPresetRecord EmptyPresetRecord() {
  CachedPresetRecord record;
  std::memset(&record, 0, sizeof record);
  record.LastUsed = 0xFFFFFFFFu;
  record.EntryId = 0xFFFFFFFFu;
  record.Channel = -1;
  record.SourceBank = -1;
  record.SourcePreset = -1;
  return record;
}

void FillPresetRecord(const TMappingInactiveItem& item, CachedPresetRecord& record) {
  record.Loading = 0;
  record.Removing = 0;
  record.Bank = static_cast<int32_t>(item.TargetBank);
  record.Program = static_cast<int32_t>(item.TargetProgram);
  SetShortString(record.PresetName, item.Name);
  record.LastUsed = 0xFFFFFFFFu;
  record.EntryId = 0xFFFFFFFFu;
  record.Channel = -1;
  record.SourceBank = -1;
  record.SourcePreset = -1;
  SetShortString(record.SourceFile, "");
}

namespace {
class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : FOut(out) {}
  void U8(uint8_t v) { FOut.push_back(v); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) FOut.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(const uint8_t (&field)[256]) { FOut.insert(FOut.end(), field, field + 256); }

 private:
  std::vector<uint8_t>& FOut;
};

class Reader {
 public:
  explicit Reader(const uint8_t* p) : FP(p) {}
  uint8_t U8() { return *FP++; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(FP[i]) << (8 * i);
    FP += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  void Bytes(uint8_t (&field)[256]) {
    std::memcpy(field, FP, 256);
    FP += 256;
  }

 private:
  const uint8_t* FP;
};
}  // namespace

std::vector<uint8_t> EncodeCachedPresetRecords(const std::vector<CachedPresetRecord>& records) {
  std::vector<uint8_t> out;
  out.reserve(records.size() * CachedPresetRecordSize);
  Writer w(out);
  for (const CachedPresetRecord& r : records) {
    w.U8(r.Loading);
    w.U8(r.Removing);
    w.I32(r.Bank);
    w.I32(r.Program);
    w.Bytes(r.PresetName);
    w.U32(r.LastUsed);
    w.U32(r.Unused270);
    w.U32(r.EntryId);
    w.I32(r.Channel);
    w.Bytes(r.SourceFile);
    w.Bytes(r.MappingName);
    w.I32(r.SourceBank);
    w.I32(r.SourcePreset);
    w.U32(r.Unused802);
  }
  return out;
}

std::vector<CachedPresetRecord> DecodeCachedPresetRecords(const void* data, size_t size) {
  std::vector<CachedPresetRecord> records;
  if (data == nullptr) return records;
  size_t count = size / CachedPresetRecordSize;
  records.resize(count);
  Reader r(static_cast<const uint8_t*>(data));
  for (CachedPresetRecord& rec : records) {
    rec.Loading = r.U8();
    rec.Removing = r.U8();
    rec.Bank = r.I32();
    rec.Program = r.I32();
    r.Bytes(rec.PresetName);
    rec.LastUsed = r.U32();
    rec.Unused270 = r.U32();
    rec.EntryId = r.U32();
    rec.Channel = r.I32();
    r.Bytes(rec.SourceFile);
    r.Bytes(rec.MappingName);
    rec.SourceBank = r.I32();
    rec.SourcePreset = r.I32();
    rec.Unused802 = r.U32();
  }
  return records;
}
