#include "sf2_checker.h"

#include <fstream>
#include <iterator>

namespace sf2check {

namespace {

const uint32_t kZeroPoints = 46;

uint16_t U16(const std::string& b, size_t pos) {
  return uint16_t(uint8_t(b[pos]) | uint8_t(b[pos + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t pos) { return uint32_t(U16(b, pos)) | uint32_t(U16(b, pos + 2)) << 16; }

std::string Name20(const std::string& b, size_t pos) {
  std::string name = b.substr(pos, 20);
  size_t nul = name.find('\0');
  return nul == std::string::npos ? name : name.substr(0, nul);
}

struct Chunk {
  std::string ID;
  size_t Data = 0;  // after the 8-byte header
  uint32_t Size = 0;
};

class Checker {
 public:
  explicit Checker(const std::string& bytes) : B(bytes) {}

  SoundFont Run() {
    if (B.size() < 12 || B.compare(0, 4, "RIFF") != 0 || B.compare(8, 4, "sfbk") != 0) {
      Fail("not a RIFF sfbk file");
      return std::move(F);
    }
    if (U32(B, 4) != B.size() - 8) Fail("RIFF size " + std::to_string(U32(B, 4)) + " is not file size - 8");
    std::vector<Chunk> lists = Children(12, B.size(), "RIFF");
    const char* order[] = {"INFO", "sdta", "pdta"};
    if (lists.size() != 3) Fail("RIFF holds " + std::to_string(lists.size()) + " chunks, not 3 lists");
    for (size_t i = 0; i < lists.size() && i < 3; ++i) {
      if (lists[i].ID != "LIST" || lists[i].Size < 4 || B.compare(lists[i].Data, 4, order[i]) != 0) {
        Fail(std::string("list ") + order[i] + " missing or out of order");
        return std::move(F);
      }
    }
    if (lists.size() < 3) return std::move(F);
    ReadInfo(lists[0]);
    ReadSamples(lists[1]);
    ReadPdta(lists[2]);
    return std::move(F);
  }

 private:
  const std::string& B;
  SoundFont F;
  std::vector<int16_t> Points;

  void Fail(const std::string& text) { F.Errors.push_back(text); }

  std::vector<Chunk> Children(size_t pos, size_t end, const std::string& parent) {
    std::vector<Chunk> chunks;
    while (pos < end) {
      if (end - pos < 8) {
        Fail(parent + ": trailing bytes");
        break;
      }
      Chunk c{B.substr(pos, 4), pos + 8, U32(B, pos + 4)};
      if (c.Size > end - c.Data) {
        Fail(parent + ": chunk " + c.ID + " runs past its parent");
        break;
      }
      if (c.Size % 2) Fail(parent + ": chunk " + c.ID + " has an odd size");
      chunks.push_back(c);
      pos = c.Data + c.Size + (c.Size % 2);
    }
    return chunks;
  }

  std::vector<Chunk> ListChildren(const Chunk& list) {
    return Children(list.Data + 4, list.Data + list.Size, B.substr(list.Data, 4));
  }

  void ReadInfo(const Chunk& list) {
    for (const Chunk& c : ListChildren(list)) {
      if (c.ID == "ifil") {
        if (c.Size != 4) Fail("ifil is not 4 bytes");
        else F.VersionMajor = U16(B, c.Data), F.VersionMinor = U16(B, c.Data + 2);
        continue;
      }
      std::string text = B.substr(c.Data, c.Size);
      if (text.empty() || text.find('\0') == std::string::npos) Fail("INFO " + c.ID + " is not terminated");
      F.Info[c.ID] = text.substr(0, text.find('\0'));
    }
    for (const char* id : {"isng", "INAM"})
      if (!F.Info.count(id)) Fail(std::string("INFO lacks ") + id);
    if (F.VersionMajor != 2) Fail("ifil missing or its major version is not 2");
  }

  void ReadSamples(const Chunk& list) {
    for (const Chunk& c : ListChildren(list)) {
      if (c.ID != "smpl") continue;
      Points.resize(c.Size / 2);
      for (size_t i = 0; i < Points.size(); ++i) Points[i] = int16_t(U16(B, c.Data + 2 * i));
    }
  }

  // A record chunk of the pdta: whole records, the last one the terminal record.
  bool Records(const Chunk& c, size_t recordSize, size_t& count) {
    count = c.Size / recordSize;
    if (c.Size % recordSize) Fail(c.ID + " does not hold whole records");
    if (count == 0) Fail(c.ID + " lacks its terminal record");
    return count > 0;
  }

  // Bag indices rise and end within the bags; zones are the runs between them.
  void CheckRising(const std::string& what, const std::vector<uint16_t>& index, size_t limit) {
    for (size_t i = 1; i < index.size(); ++i)
      if (index[i] < index[i - 1]) Fail(what + " indices fall at record " + std::to_string(i));
    if (!index.empty() && index.back() > limit) Fail(what + " index beyond its chunk");
  }

  void ReadPdta(const Chunk& list) {
    std::vector<Chunk> c = ListChildren(list);
    const char* ids[] = {"phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr"};
    const size_t sizes[] = {38, 4, 10, 4, 22, 4, 10, 4, 46};
    if (c.size() != 9) Fail("pdta holds " + std::to_string(c.size()) + " chunks, not nine");
    size_t n[9] = {};
    for (size_t i = 0; i < 9; ++i) {
      if (i >= c.size() || c[i].ID != ids[i]) {
        Fail(std::string("pdta chunk ") + ids[i] + " missing or out of order");
        return;
      }
      if (!Records(c[i], sizes[i], n[i])) return;
    }
    const Chunk &phdr = c[0], &pbag = c[1], &pgen = c[3], &inst = c[4], &ibag = c[5], &igen = c[7], &shdr = c[8];
    if (Name20(B, phdr.Data + (n[0] - 1) * 38) != "EOP") Fail("last preset is not EOP");
    if (Name20(B, inst.Data + (n[4] - 1) * 22) != "EOI") Fail("last instrument is not EOI");
    if (Name20(B, shdr.Data + (n[8] - 1) * 46) != "EOS") Fail("last sample is not EOS");

    std::vector<uint16_t> presetBags, pbagGens, pbagMods, instBags, ibagGens, ibagMods;
    for (size_t i = 0; i < n[0]; ++i) presetBags.push_back(U16(B, phdr.Data + i * 38 + 24));
    for (size_t i = 0; i < n[1]; ++i) {
      pbagGens.push_back(U16(B, pbag.Data + i * 4));
      pbagMods.push_back(U16(B, pbag.Data + i * 4 + 2));
    }
    for (size_t i = 0; i < n[4]; ++i) instBags.push_back(U16(B, inst.Data + i * 22 + 20));
    for (size_t i = 0; i < n[5]; ++i) {
      ibagGens.push_back(U16(B, ibag.Data + i * 4));
      ibagMods.push_back(U16(B, ibag.Data + i * 4 + 2));
    }
    CheckRising("preset bag", presetBags, n[1] - 1);
    CheckRising("preset generator", pbagGens, n[3] - 1);
    CheckRising("preset modulator", pbagMods, n[2] - 1);
    CheckRising("instrument bag", instBags, n[5] - 1);
    CheckRising("instrument generator", ibagGens, n[7] - 1);
    CheckRising("instrument modulator", ibagMods, n[6] - 1);
    if (!F.Errors.empty()) return;

    auto zones = [&](const std::vector<uint16_t>& bags, size_t record, const std::vector<uint16_t>& gens,
                     const Chunk& genChunk, uint16_t lastOper, size_t targets, const std::string& owner) {
      std::vector<Zone> result;
      for (size_t bag = bags[record]; bag < bags[record + 1]; ++bag) {
        Zone zone;
        for (size_t g = gens[bag]; g < gens[bag + 1]; ++g)
          zone.Generators.push_back({U16(B, genChunk.Data + g * 4), int16_t(U16(B, genChunk.Data + g * 4 + 2))});
        for (size_t g = 0; g < zone.Generators.size(); ++g) {
          if (zone.Generators[g].Oper != lastOper) continue;
          if (g + 1 != zone.Generators.size()) Fail(owner + ": generator " + std::to_string(lastOper) + " not last");
          if (uint16_t(zone.Generators[g].Amount) >= targets) Fail(owner + ": zone points beyond its targets");
        }
        result.push_back(zone);
      }
      return result;
    };
    for (size_t i = 0; i + 1 < n[0]; ++i) {
      Preset p;
      p.Name = Name20(B, phdr.Data + i * 38);
      p.Program = U16(B, phdr.Data + i * 38 + 20);
      p.Bank = U16(B, phdr.Data + i * 38 + 22);
      p.Zones = zones(presetBags, i, pbagGens, pgen, GenInstrument, n[4] - 1, "preset " + p.Name);
      F.Presets.push_back(p);
    }
    for (size_t i = 0; i + 1 < n[4]; ++i) {
      Instrument in;
      in.Name = Name20(B, inst.Data + i * 22);
      in.Zones = zones(instBags, i, ibagGens, igen, GenSampleId, n[8] - 1, "instrument " + in.Name);
      F.Instruments.push_back(in);
    }
    for (size_t i = 0; i + 1 < n[8]; ++i) {
      size_t at = shdr.Data + i * 46;
      Sample s;
      s.Name = Name20(B, at);
      s.Start = U32(B, at + 20);
      s.End = U32(B, at + 24);
      uint32_t loopStart = U32(B, at + 28), loopEnd = U32(B, at + 32);
      s.SampleRate = U32(B, at + 36);
      s.Link = U16(B, at + 42);
      s.Type = U16(B, at + 44);
      const std::string who = "sample " + s.Name;
      if (s.Start >= s.End || uint64_t(s.End) + kZeroPoints > Points.size()) {
        Fail(who + ": points outside smpl or without room for 46 zero points");
      } else {
        s.Points.assign(Points.begin() + s.Start, Points.begin() + s.End);
        for (uint32_t z = s.End; z < s.End + kZeroPoints; ++z)
          if (Points[z] != 0) {
            Fail(who + ": the 46 points after it are not zero");
            break;
          }
      }
      if (loopStart < s.Start || loopEnd > s.End || loopStart > loopEnd) Fail(who + ": loop outside the sample");
      F.Samples.push_back(s);
    }
    for (size_t i = 0; i < F.Samples.size(); ++i) {
      const Sample& s = F.Samples[i];
      if (s.Type == 1) continue;
      if ((s.Type != 2 && s.Type != 4) || s.Link >= F.Samples.size()) {
        Fail("sample " + s.Name + ": bad type or link");
        continue;
      }
      const Sample& other = F.Samples[s.Link];
      if (other.Type != (s.Type == 2 ? 4 : 2) || other.Link != i) Fail("sample " + s.Name + ": link not both ways");
    }
  }
};

}  // namespace

int Zone::Get(uint16_t oper, int fallback) const {
  for (const Generator& g : Generators)
    if (g.Oper == oper) return g.Amount;
  return fallback;
}

const Preset* SoundFont::Find(int bank, int program) const {
  for (const Preset& p : Presets)
    if (p.Bank == bank && p.Program == program) return &p;
  return nullptr;
}

std::vector<SoundFont::Played> SoundFont::PlayedBy(const Preset& preset) const {
  std::vector<Played> played;
  for (const Zone& pz : preset.Zones) {
    int inst = pz.Get(GenInstrument, -1);
    if (inst < 0 || size_t(inst) >= Instruments.size()) continue;
    for (const Zone& iz : Instruments[inst].Zones) {
      int sample = iz.Get(GenSampleId, -1);
      if (sample >= 0 && size_t(sample) < Samples.size()) played.push_back({&Instruments[inst], &iz, &Samples[sample]});
    }
  }
  return played;
}

SoundFont Check(const std::string& bytes) { return Checker(bytes).Run(); }

SoundFont CheckFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SoundFont f;
    f.Errors.push_back("cannot open " + path);
    return f;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Check(bytes);
}

}  // namespace sf2check
