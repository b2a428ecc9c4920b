// The part of an .sf2 file a card needs to load one preset: its header, its zones, the
// instruments they name, and the sample headers those instruments play.
#include <fstream>
#include <cstring>
#include <set>

#include "riff_body.h"
#include "sample_source.h"

namespace simcard {

namespace {

constexpr uint16_t GenInstrument = 41;
constexpr uint16_t GenSampleID = 53;

// One "pdta" record table; the last record of each is the terminal one.
struct Table {
  std::vector<uint8_t> body;
  size_t recordSize = 0;
  size_t Count() const { return body.size() / recordSize; }
  const uint8_t* At(size_t i) const { return body.data() + i * recordSize; }
};

bool LoadTable(std::istream& in, TChunk& pdta, const char* id, size_t recordSize, Table& table) {
  TChunk chunk;
  if (!FindChild(pdta, id, "", chunk) || !ReadBody(in, chunk, table.body)) return false;
  table.recordSize = recordSize;
  return table.Count() >= 2;  // at least one record and the terminal one
}

// Generator range [first, last) of bag i of a bag table whose generator index is at offset 0.
bool BagGenerators(const Table& bags, size_t i, const Table& gens, size_t& first, size_t& last) {
  if (i + 1 >= bags.Count()) return false;
  first = U16(bags.At(i));
  last = U16(bags.At(i + 1));
  return first <= last && last <= gens.Count();
}

// Calls f(amount) for every generator with the given operator in the bags [bagFirst, bagLast).
template <typename F>
bool ForGenerators(const Table& bags, size_t bagFirst, size_t bagLast, const Table& gens, uint16_t oper, F f) {
  if (bagFirst > bagLast || bagLast >= bags.Count()) return false;
  for (size_t b = bagFirst; b < bagLast; ++b) {
    size_t first = 0, last = 0;
    if (!BagGenerators(bags, b, gens, first, last)) return false;
    for (size_t g = first; g < last; ++g) {
      if (U16(gens.At(g)) == oper && !f(U16(gens.At(g) + 2))) return false;
    }
  }
  return true;
}

}  // namespace

LoadStatus MeasureSf2Preset(const std::string& file, uint16_t bank, uint16_t program, SampleSource& source) {
  source = SampleSource();
  std::ifstream in(file, std::ios::binary);
  if (!in) return LoadStatus::NoFile;
  TChunk riff;
  if (!riff.ReadHeader(in, 0) || riff.ID != "RIFF" || riff.ListType != "sfbk") return LoadStatus::Damaged;
  TChunk pdta, sdta, smpl;
  if (!FindChild(riff, "LIST", "pdta", pdta) || !FindChild(riff, "LIST", "sdta", sdta) ||
      !FindChild(sdta, "smpl", "", smpl)) {
    return LoadStatus::Damaged;
  }
  Table phdr, pbag, pgen, inst, ibag, igen, shdr;
  if (!LoadTable(in, pdta, "phdr", 38, phdr) || !LoadTable(in, pdta, "pbag", 4, pbag) ||
      !LoadTable(in, pdta, "pgen", 4, pgen) || !LoadTable(in, pdta, "inst", 22, inst) ||
      !LoadTable(in, pdta, "ibag", 4, ibag) || !LoadTable(in, pdta, "igen", 4, igen) ||
      !LoadTable(in, pdta, "shdr", 46, shdr)) {
    return LoadStatus::Damaged;
  }

  size_t preset = phdr.Count();
  for (size_t i = 0; i + 1 < phdr.Count(); ++i) {
    if (U16(phdr.At(i) + 20) == program && U16(phdr.At(i) + 22) == bank) {
      preset = i;
      break;
    }
  }
  if (preset == phdr.Count()) return LoadStatus::NoPreset;
  const char* name = reinterpret_cast<const char*>(phdr.At(preset));
  source.name.assign(name, strnlen(name, 20));

  std::set<uint16_t> samples;
  auto addSample = [&](uint16_t sample) {
    if (sample + 1u >= shdr.Count()) return false;
    samples.insert(sample);
    return true;
  };
  auto addInstrument = [&](uint16_t instrument) {
    if (instrument + 1u >= inst.Count()) return false;
    return ForGenerators(ibag, U16(inst.At(instrument) + 20), U16(inst.At(instrument + 1) + 20), igen, GenSampleID,
                         addSample);
  };
  if (!ForGenerators(pbag, U16(phdr.At(preset) + 24), U16(phdr.At(preset + 1) + 24), pgen, GenInstrument,
                     addInstrument)) {
    return LoadStatus::Damaged;
  }

  const uint64_t smplBytes = smpl.Size;
  for (uint16_t sample : samples) {
    const uint32_t start = U32(shdr.At(sample) + 20);
    const uint32_t end = U32(shdr.At(sample) + 24);
    if (end < start || static_cast<uint64_t>(end) * 2 > smplBytes) return LoadStatus::Damaged;
    source.ranges.push_back({static_cast<uint64_t>(smpl.DataPos) + static_cast<uint64_t>(start) * 2,
                             static_cast<uint64_t>(end - start) * 2});
  }
  return LoadStatus::Loaded;
}

}  // namespace simcard
