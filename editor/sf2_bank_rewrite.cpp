#include "sf2_bank_rewrite.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "str_to_int.h"

namespace {

constexpr int64_t RecordBytes = 38;
constexpr int64_t BankOffset = 22;  // wBank inside a record

struct TChunkHeader {
  char ID[4];
  uint32_t Size;
};

bool ReadAt(std::istream& in, int64_t pos, void* buffer, size_t count) {
  in.clear();
  if (!in.seekg(pos)) return false;
  in.read(static_cast<char*>(buffer), std::streamsize(count));
  return size_t(in.gcount()) == count;
}

uint32_t Little32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool HeaderAt(std::istream& in, int64_t pos, TChunkHeader& header) {
  unsigned char bytes[8];
  if (!ReadAt(in, pos, bytes, sizeof bytes)) return false;
  std::memcpy(header.ID, bytes, 4);
  header.Size = Little32(bytes + 4);
  return true;
}

bool IsId(const char* id, const char* expected) { return std::memcmp(id, expected, 4) == 0; }

// One walk over the chunks: the first "pdta" list's "phdr", and every "phdr" counted wherever it stands.
class TChunkWalk {
 public:
  TChunkWalk(std::istream& in, TPresetHeaderLayout& layout) : FIn(in), FLayout(layout) {}

  // The chunks between start and end, children of a list at level 0 too. False for a chunk past end.
  bool Walk(int64_t start, int64_t end, int level, bool inPdta) {
    for (int64_t pos = start; pos < end;) {
      TChunkHeader header;
      if (end - pos < 8 || !HeaderAt(FIn, pos, header)) return false;
      const int64_t next = pos + 8 + int64_t(header.Size);
      if (next > end) return false;
      if (IsId(header.ID, "phdr")) {
        ++FPresetHeaderChunks;
        if (inPdta && FFirstPdta && FLayout.HeadersPos < 0) {
          FLayout.HeadersPos = pos + 8;
          FHeadersSize = header.Size;
        }
      } else if (IsId(header.ID, "LIST") && level == 0) {
        char listType[4];
        if (header.Size < 4 || !ReadAt(FIn, pos + 8, listType, 4)) return false;
        const bool pdta = IsId(listType, "pdta");
        FFirstPdta = pdta && !FSeenPdta;
        FSeenPdta = FSeenPdta || pdta;
        if (!Walk(pos + 12, next, 1, pdta)) return false;
        FFirstPdta = false;
      }
      pos = next;
    }
    return true;
  }

  TSf2Damage CheckRecords() {
    if (FPresetHeaderChunks > 1) return TSf2Damage::TwoPresetHeaders;
    if (FLayout.HeadersPos < 0) return TSf2Damage::NoPresetHeaders;
    if (FHeadersSize % RecordBytes != 0) return TSf2Damage::PartialRecord;
    FLayout.Records = FHeadersSize / RecordBytes;
    if (FLayout.Records == 0) return TSf2Damage::NoTerminal;
    // The names, read a block of records at a time.
    constexpr uint64_t PerRead = 1024;
    std::vector<char> block;
    for (uint64_t first = 0; first < FLayout.Records; first += PerRead) {
      const uint64_t count = std::min(PerRead, FLayout.Records - first);
      block.resize(size_t(count * RecordBytes));
      if (!ReadAt(FIn, FLayout.HeadersPos + int64_t(first) * RecordBytes, block.data(), block.size()))
        return TSf2Damage::ChunkOutside;
      for (uint64_t i = 0; i < count; ++i) {
        const char* name = block.data() + i * RecordBytes;
        const bool terminal = strnlen(name, 20) == 3 && std::memcmp(name, "EOP", 3) == 0;
        const bool last = first + i == FLayout.Records - 1;
        if (terminal && !last) return TSf2Damage::EarlyTerminal;
        if (!terminal && last) return TSf2Damage::NoTerminal;
      }
    }
    return TSf2Damage::None;
  }

 private:
  std::istream& FIn;
  TPresetHeaderLayout& FLayout;
  int FPresetHeaderChunks = 0;
  uint32_t FHeadersSize = 0;
  bool FSeenPdta = false;
  bool FFirstPdta = false;
};

}  // namespace

TPresetHeaderLayout CheckPresetHeaders(std::istream& in) {
  TPresetHeaderLayout layout;
  in.clear();
  if (!in.seekg(0, std::ios::end)) return layout;
  layout.FileSize = int64_t(in.tellg());
  unsigned char start[12];
  if (layout.FileSize < 12 || !ReadAt(in, 0, start, sizeof start) ||
      !IsId(reinterpret_cast<char*>(start), "RIFF") || !IsId(reinterpret_cast<char*>(start + 8), "sfbk"))
    return layout;
  const int64_t riffEnd = 8 + int64_t(Little32(start + 4));
  TChunkWalk walk(in, layout);
  if (riffEnd < 12 || riffEnd > layout.FileSize || !walk.Walk(12, riffEnd, 0, false)) {
    layout.Damage = TSf2Damage::ChunkOutside;
    return layout;
  }
  layout.Damage = walk.CheckRecords();
  return layout;
}

std::string DamageText(TSf2Damage damage) {
  switch (damage) {
    case TSf2Damage::None: return "";
    case TSf2Damage::NotSoundFont: return "it is not a SoundFont file";
    case TSf2Damage::ChunkOutside: return "a chunk runs past its parent or the file";
    case TSf2Damage::NoPresetHeaders: return "it has no preset headers";
    case TSf2Damage::PartialRecord: return "its preset headers are not whole records";
    case TSf2Damage::NoTerminal: return "its preset headers do not end with \"EOP\"";
    case TSf2Damage::EarlyTerminal: return "its preset headers hold \"EOP\" before their end";
    case TSf2Damage::TwoPresetHeaders: return "it has more than one preset header chunk";
  }
  return "it is damaged";
}

void SetBankInBlock(char* block, size_t size, uint64_t fileOffset, const TPresetHeaderLayout& layout, uint16_t bank) {
  if (layout.Damage != TSf2Damage::None || layout.Presets() == 0 || size == 0) return;
  const char bytes[2] = {char(bank & 0xFF), char(bank >> 8)};
  const uint64_t headers = uint64_t(layout.HeadersPos);
  const uint64_t blockEnd = fileOffset + size;
  // The first record whose bank field may reach into the block.
  uint64_t first = 0;
  if (fileOffset > headers + BankOffset + 1) first = (fileOffset - headers - BankOffset - 1) / RecordBytes;
  for (uint64_t record = first; record < layout.Presets(); ++record) {
    const uint64_t field = headers + record * RecordBytes + BankOffset;
    if (field >= blockEnd) break;
    for (uint64_t b = 0; b < 2; ++b)
      if (field + b >= fileOffset && field + b < blockEnd) block[field + b - fileOffset] = bytes[b];
  }
}

bool ParseBankNumber(const std::string& text, uint16_t& bank) {
  int32_t value = 0;
  if (!TryStrToInt(text, value) || value < 0 || value > 65535) return false;
  bank = uint16_t(value);
  return true;
}
