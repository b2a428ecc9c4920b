#include "sf2_preset_walk.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr uint16_t GenInstrument = 41;
constexpr uint16_t GenSampleID = 53;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A chunk's body: [Data, End) of the file.
struct TBody {
  uint64_t Data = 0;
  uint64_t End = 0;
};

class TReader {
 public:
  explicit TReader(std::istream& in) : FIn(in) {
    FIn.clear();
    FIn.seekg(0, std::ios::end);
    const std::streamoff size = FIn.tellg();
    FSize = size > 0 ? uint64_t(size) : 0;
  }

  uint64_t Size() const { return FSize; }

  bool Read(uint64_t pos, void* buffer, uint64_t count) {
    if (pos > FSize || count > FSize - pos) return false;
    FIn.clear();
    if (!FIn.seekg(std::streamoff(pos))) return false;
    FIn.read(static_cast<char*>(buffer), std::streamsize(count));
    const bool whole = uint64_t(FIn.gcount()) == count;
    FIn.clear();
    return whole;
  }

  // The body of the first child of parent with this ID (and list type, when given). A child that
  // runs past its parent breaks the chain of chunks: whatever follows it cannot be found.
  bool FindChild(const TBody& parent, const char* id, const char* listType, TBody& child) {
    uint64_t pos = parent.Data;
    while (pos <= parent.End && parent.End - pos >= 8) {
      uint8_t header[12];
      if (!Read(pos, header, 8)) return false;
      const uint64_t end = pos + 8 + U32(header + 4);
      if (end > parent.End) return false;
      if (std::memcmp(header, id, 4) == 0) {
        if (!listType) {
          child = {pos + 8, end};
          return true;
        }
        if (end - pos >= 12 && Read(pos + 8, header + 8, 4) && std::memcmp(header + 8, listType, 4) == 0) {
          child = {pos + 12, end};
          return true;
        }
      }
      pos = end;
    }
    return false;
  }

 private:
  std::istream& FIn;
  uint64_t FSize = 0;
};

// One record table of the pdta list; its last record is the terminal one.
struct TTable {
  std::vector<uint8_t> Bytes;
  size_t RecordSize = 1;
  size_t Count() const { return Bytes.size() / RecordSize; }
  const uint8_t* At(size_t i) const { return Bytes.data() + i * RecordSize; }
};

bool LoadTable(TReader& reader, const TBody& pdta, const char* id, size_t recordSize, TTable& table) {
  TBody body;
  if (!reader.FindChild(pdta, id, nullptr, body)) return false;
  // The body lies inside the file (FindChild checked it), so this never asks for more than the file holds.
  table.Bytes.resize(size_t(body.End - body.Data));
  table.RecordSize = recordSize;
  if (!table.Bytes.empty() && !reader.Read(body.Data, table.Bytes.data(), table.Bytes.size())) return false;
  return table.Count() >= 2;  // a record and the terminal one
}

// The generators [first, last) of bag b: its own index up to the next bag's.
bool BagGenerators(const TTable& bags, size_t b, const TTable& gens, size_t& first, size_t& last) {
  if (b + 1 >= bags.Count()) return false;
  first = U16(bags.At(b));
  last = U16(bags.At(b + 1));
  return first <= last && last <= gens.Count();
}

// Calls f(amount) for each generator with the operator in the bags [bagFirst, bagLast); stops
// with false at the first bad index or when f answers false.
template <typename F>
bool ForGenerators(const TTable& bags, size_t bagFirst, size_t bagLast, const TTable& gens, uint16_t oper, F f) {
  if (bagFirst > bagLast || bagLast >= bags.Count()) return false;
  for (size_t b = bagFirst; b < bagLast; ++b) {
    size_t first = 0, last = 0;
    if (!BagGenerators(bags, b, gens, first, last)) return false;
    for (size_t g = first; g < last; ++g)
      if (U16(gens.At(g)) == oper && !f(U16(gens.At(g) + 2))) return false;
  }
  return true;
}

}  // namespace

uint64_t TPresetSamples::Bytes() const {
  uint64_t bytes = 0;
  for (const TSampleSpan& span : Samples) bytes += span.Length;
  return bytes;
}

TPresetWalkResult WalkSf2Preset(std::istream& in, uint16_t bank, uint16_t program, TPresetSamples& preset) {
  preset = TPresetSamples();
  TReader reader(in);
  uint8_t riff[12];
  if (!reader.Read(0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "sfbk", 4) != 0)
    return TPresetWalkResult::Damaged;
  // The form's own size is not trusted further than the file goes; its children are.
  const TBody form = {12, std::min<uint64_t>(8 + uint64_t(U32(riff + 4)), reader.Size())};
  TBody sdta, smpl, pdta;
  if (!reader.FindChild(form, "LIST", "sdta", sdta) || !reader.FindChild(sdta, "smpl", nullptr, smpl) ||
      !reader.FindChild(form, "LIST", "pdta", pdta))
    return TPresetWalkResult::Damaged;

  TTable phdr, pbag, pgen, inst, ibag, igen, shdr;
  if (!LoadTable(reader, pdta, "phdr", 38, phdr) || !LoadTable(reader, pdta, "pbag", 4, pbag) ||
      !LoadTable(reader, pdta, "pgen", 4, pgen) || !LoadTable(reader, pdta, "inst", 22, inst) ||
      !LoadTable(reader, pdta, "ibag", 4, ibag) || !LoadTable(reader, pdta, "igen", 4, igen) ||
      !LoadTable(reader, pdta, "shdr", 46, shdr))
    return TPresetWalkResult::Damaged;

  size_t found = phdr.Count() - 1;
  for (size_t i = 0; i + 1 < phdr.Count(); ++i) {
    if (U16(phdr.At(i) + 20) == program && U16(phdr.At(i) + 22) == bank) {
      found = i;
      break;
    }
  }
  if (found + 1 == phdr.Count()) return TPresetWalkResult::NoPreset;

  std::set<uint16_t> samples;
  auto addSample = [&](uint16_t sample) {
    if (size_t(sample) + 1 >= shdr.Count()) return false;
    samples.insert(sample);
    return true;
  };
  // Zones may name an instrument many times; its zones are walked once.
  std::set<uint16_t> instruments;
  auto addInstrument = [&](uint16_t instrument) {
    if (size_t(instrument) + 1 >= inst.Count()) return false;
    if (!instruments.insert(instrument).second) return true;
    return ForGenerators(ibag, U16(inst.At(instrument) + 20), U16(inst.At(instrument + 1) + 20), igen, GenSampleID,
                         addSample);
  };
  if (!ForGenerators(pbag, U16(phdr.At(found) + 24), U16(phdr.At(found + 1) + 24), pgen, GenInstrument,
                     addInstrument))
    return TPresetWalkResult::Damaged;

  const uint64_t smplBytes = smpl.End - smpl.Data;
  for (uint16_t sample : samples) {
    const uint64_t start = U32(shdr.At(sample) + 20);
    const uint64_t end = U32(shdr.At(sample) + 24);
    if (end < start || end * 2 > smplBytes) {
      preset.Samples.clear();
      return TPresetWalkResult::Damaged;
    }
    preset.Samples.push_back({smpl.Data + start * 2, (end - start) * 2});
  }
  const char* name = reinterpret_cast<const char*>(phdr.At(found));
  preset.Name.assign(name, strnlen(name, 20));
  return TPresetWalkResult::Found;
}
