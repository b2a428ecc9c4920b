#include "sf_edit_reader.h"

#include <algorithm>
#include <cstring>

namespace sfedit {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// INFO text chunks the engine keeps (not the ROM's: its samples come without ROM points).
const char* const InfoTexts[] = {"isng", "INAM", "ICRD", "IENG", "IPRD", "ICOP", "ICMT", "ISFT"};
constexpr uint32_t MaxInfoText = 65536;

// A chunk's body: [Data, End) of the file.
struct TBody {
  uint64_t Data = 0;
  uint64_t End = 0;
  uint64_t Size() const { return End - Data; }
};

struct TChild {
  char ID[4];
  char ListType[4];
  TBody Body;
};

class TFile {
 public:
  explicit TFile(std::istream& in) : FIn(in) {
    FIn.clear();
    FIn.seekg(0, std::ios::end);
    const std::streamoff size = FIn.tellg();
    FSize = size > 0 ? static_cast<uint64_t>(size) : 0;
    FIn.clear();
  }

  uint64_t Size() const { return FSize; }

  bool Read(uint64_t pos, void* buffer, uint64_t count) {
    if (pos > FSize || count > FSize - pos) return false;
    if (count == 0) return true;
    FIn.clear();
    if (!FIn.seekg(static_cast<std::streamoff>(pos))) return false;
    FIn.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    const bool whole = static_cast<uint64_t>(FIn.gcount()) == count;
    FIn.clear();
    return whole;
  }

  bool ReadBody(const TBody& body, std::vector<uint8_t>& bytes) {
    bytes.assign(static_cast<size_t>(body.Size()), 0);
    return Read(body.Data, bytes.data(), bytes.size());
  }

  // Every child chunk of parent, in order. A child running past its parent is damage. Odd sizes
  // are followed by a pad byte, as RIFF has it (a missing last pad is forgiven).
  bool Children(const TBody& parent, std::vector<TChild>& children) {
    children.clear();
    uint64_t pos = parent.Data;
    while (parent.End - pos >= 8) {
      uint8_t header[12];
      if (!Read(pos, header, 8)) return false;
      const uint64_t end = pos + 8 + U32(header + 4);
      if (end > parent.End) return false;
      TChild child;
      std::memcpy(child.ID, header, 4);
      std::memset(child.ListType, 0, 4);
      child.Body = {pos + 8, end};
      if (std::memcmp(header, "LIST", 4) == 0) {
        if (end - pos < 12 || !Read(pos + 8, child.ListType, 4)) return false;
        child.Body.Data = pos + 12;
      }
      children.push_back(child);
      pos = end + (end - pos) % 2;
      if (pos >= parent.End) break;
    }
    return true;
  }

 private:
  std::istream& FIn;
  uint64_t FSize = 0;
};

const TChild* Find(const std::vector<TChild>& children, const char* id, const char* listType = nullptr) {
  for (const TChild& c : children) {
    if (std::memcmp(c.ID, id, 4) == 0 && (listType == nullptr || std::memcmp(c.ListType, listType, 4) == 0))
      return &c;
  }
  return nullptr;
}

// One record table of the pdta list; its last record is the terminal one.
struct TTable {
  std::vector<uint8_t> Bytes;
  size_t RecordSize = 1;
  size_t Count() const { return Bytes.size() / RecordSize; }
  size_t Items() const { return Count() - 1; }  // without the terminal record
  const uint8_t* At(size_t i) const { return Bytes.data() + i * RecordSize; }
};

bool LoadTable(TFile& file, const std::vector<TChild>& pdta, const char* id, size_t recordSize, TTable& table) {
  const TChild* chunk = Find(pdta, id);
  if (chunk == nullptr || chunk->Body.Size() % recordSize != 0) return false;
  table.RecordSize = recordSize;
  return file.ReadBody(chunk->Body, table.Bytes) && table.Count() >= 1;
}

std::string Name20(const uint8_t* p) {
  const char* name = reinterpret_cast<const char*>(p);
  return std::string(name, strnlen(name, 20));
}

// The zones of items whose bag indices lie at byte offset bagAt of their records: for each zone,
// its generators and modulators, with every index checked.
struct TRawZone {
  std::vector<TGenerator> Generators;
  std::vector<TModulator> Modulators;
};

bool ReadZones(const TTable& items, size_t bagAt, const TTable& bags, const TTable& gens, const TTable& mods,
               std::vector<std::vector<TRawZone>>& zones) {
  zones.assign(items.Items(), {});
  for (size_t i = 0; i < items.Items(); ++i) {
    const size_t first = U16(items.At(i) + bagAt);
    const size_t last = U16(items.At(i + 1) + bagAt);
    if (first > last || last > bags.Items()) return false;
    for (size_t b = first; b < last; ++b) {
      const size_t g0 = U16(bags.At(b)), g1 = U16(bags.At(b + 1));
      const size_t m0 = U16(bags.At(b) + 2), m1 = U16(bags.At(b + 1) + 2);
      if (g0 > g1 || g1 > gens.Items() || m0 > m1 || m1 > mods.Items()) return false;
      TRawZone zone;
      for (size_t g = g0; g < g1; ++g) zone.Generators.push_back({U16(gens.At(g)), U16(gens.At(g) + 2)});
      for (size_t m = m0; m < m1; ++m) {
        TModulator mod;
        std::memcpy(mod.Bytes, mods.At(m), 10);
        zone.Modulators.push_back(mod);
      }
      zones[i].push_back(std::move(zone));
    }
  }
  return true;
}

// Splits a zone's generators at its target's ID generator: what follows it is ignored, undefined
// operators are dropped. target is -1 for a zone without one.
void SplitZone(TRawZone& zone, uint16_t idOper, int32_t& target) {
  target = -1;
  std::vector<TGenerator> kept;
  for (const TGenerator& g : zone.Generators) {
    if (g.Oper == idOper) {
      target = g.Amount;
      break;
    }
    if (g.Oper < GenCount && g.Oper != GenInstrument && g.Oper != GenSampleID) kept.push_back(g);
  }
  zone.Generators = std::move(kept);
}

Result ReadPdta(TFile& file, const std::vector<TChild>& pdta, uint64_t points,
                const std::shared_ptr<const TSamplePoints>& smpl, TSoundFont& sf) {
  TTable phdr, pbag, pmod, pgen, inst, ibag, imod, igen, shdr;
  if (!LoadTable(file, pdta, "phdr", 38, phdr) || !LoadTable(file, pdta, "pbag", 4, pbag) ||
      !LoadTable(file, pdta, "pmod", 10, pmod) || !LoadTable(file, pdta, "pgen", 4, pgen) ||
      !LoadTable(file, pdta, "inst", 22, inst) || !LoadTable(file, pdta, "ibag", 4, ibag) ||
      !LoadTable(file, pdta, "imod", 10, imod) || !LoadTable(file, pdta, "igen", 4, igen) ||
      !LoadTable(file, pdta, "shdr", 46, shdr))
    return ResultDamagedFile;

  // Samples.
  for (size_t i = 0; i < shdr.Items(); ++i) {
    const uint8_t* r = shdr.At(i);
    auto s = std::make_unique<TSample>();
    s->Name = Name20(r);
    const uint64_t start = U32(r + 20), end = U32(r + 24);
    s->SampleRate = U32(r + 36);
    s->OriginalPitch = r[40];
    s->PitchCorrection = static_cast<int8_t>(r[41]);
    s->Type = U16(r + 44);
    if (s->Type & SampleRom) {
      // Points in a card's memory cannot travel: the sample comes without them.
      s->Type = SampleMono;
      s->Points = std::make_shared<TMemoryPoints>(std::vector<int16_t>());
    } else {
      if (start > end || end > points) return ResultDamagedFile;
      s->Points = smpl;
      s->Start = start;
      s->End = end;
      s->LoopStart = static_cast<int64_t>(U32(r + 28)) - static_cast<int64_t>(start);
      s->LoopEnd = static_cast<int64_t>(U32(r + 32)) - static_cast<int64_t>(start);
    }
    sf.Samples.push_back(std::move(s));
  }
  // Stereo pairs: only a link that both halves give, left with right.
  for (size_t i = 0; i < shdr.Items(); ++i) {
    const size_t j = U16(shdr.At(i) + 42);
    TSample& a = *sf.Samples[i];
    const uint16_t channel = a.Type & (SampleLeft | SampleRight);
    if (j < shdr.Items() && j != i && U16(shdr.At(j) + 42) == i &&
        (channel == SampleLeft || channel == SampleRight) &&
        (sf.Samples[j]->Type & (SampleLeft | SampleRight)) == (channel ^ (SampleLeft | SampleRight))) {
      a.Type = channel;
      a.Link = sf.Samples[j].get();
    } else {
      a.Type = SampleMono;
      a.Link = nullptr;
    }
  }

  // Instruments.
  std::vector<std::vector<TRawZone>> zones;
  if (!ReadZones(inst, 20, ibag, igen, imod, zones)) return ResultDamagedFile;
  for (size_t i = 0; i < inst.Items(); ++i) {
    auto instrument = std::make_unique<TInstrument>();
    instrument->Name = Name20(inst.At(i));
    for (size_t z = 0; z < zones[i].size(); ++z) {
      int32_t target = -1;
      SplitZone(zones[i][z], GenSampleID, target);
      if (target >= 0 && static_cast<size_t>(target) >= sf.Samples.size()) return ResultDamagedFile;
      if (target < 0 && z != 0) continue;  // only the first zone may be global
      auto zone = std::make_unique<TInstrumentZone>();
      zone->Generators = std::move(zones[i][z].Generators);
      zone->Modulators = std::move(zones[i][z].Modulators);
      zone->Sample = target >= 0 ? sf.Samples[static_cast<size_t>(target)].get() : nullptr;
      instrument->Zones.push_back(std::move(zone));
    }
    sf.Instruments.push_back(std::move(instrument));
  }

  // Presets.
  if (!ReadZones(phdr, 24, pbag, pgen, pmod, zones)) return ResultDamagedFile;
  for (size_t i = 0; i < phdr.Items(); ++i) {
    const uint8_t* r = phdr.At(i);
    auto preset = std::make_unique<TPreset>();
    preset->Name = Name20(r);
    preset->Program = U16(r + 20);
    preset->Bank = U16(r + 22);
    preset->Library = U32(r + 26);
    preset->Genre = U32(r + 30);
    preset->Morphology = U32(r + 34);
    for (size_t z = 0; z < zones[i].size(); ++z) {
      int32_t target = -1;
      SplitZone(zones[i][z], GenInstrument, target);
      if (target >= 0 && static_cast<size_t>(target) >= sf.Instruments.size()) return ResultDamagedFile;
      if (target < 0 && z != 0) continue;
      auto zone = std::make_unique<TPresetZone>();
      zone->Generators = std::move(zones[i][z].Generators);
      zone->Modulators = std::move(zones[i][z].Modulators);
      zone->Instrument = target >= 0 ? sf.Instruments[static_cast<size_t>(target)].get() : nullptr;
      preset->Zones.push_back(std::move(zone));
    }
    sf.Presets.push_back(std::move(preset));
  }
  return ResultOk;
}

Result ReadAll(const std::shared_ptr<std::istream>& stream, TSoundFont& sf) {
  TFile file(*stream);
  uint8_t riff[12];
  if (!file.Read(0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "sfbk", 4) != 0)
    return ResultDamagedFile;
  // The form's own size is not trusted further than the file goes; its children are, so a file
  // cut short still fails where its chunks run past the end.
  const uint64_t formEnd = std::min<uint64_t>(8 + static_cast<uint64_t>(U32(riff + 4)), file.Size());
  if (formEnd < 12) return ResultDamagedFile;
  std::vector<TChild> form, info, sdta, pdta;
  if (!file.Children({12, formEnd}, form)) return ResultDamagedFile;
  const TChild* infoList = Find(form, "LIST", "INFO");
  const TChild* sdtaList = Find(form, "LIST", "sdta");
  const TChild* pdtaList = Find(form, "LIST", "pdta");
  if (infoList == nullptr || sdtaList == nullptr || pdtaList == nullptr) return ResultDamagedFile;
  if (!file.Children(infoList->Body, info) || !file.Children(sdtaList->Body, sdta) ||
      !file.Children(pdtaList->Body, pdta))
    return ResultDamagedFile;

  const TChild* ifil = Find(info, "ifil");
  uint8_t version[4];
  if (ifil == nullptr || ifil->Body.Size() != 4 || !file.Read(ifil->Body.Data, version, 4)) return ResultDamagedFile;
  sf.VersionMajor = U16(version);
  sf.VersionMinor = U16(version + 2);
  for (const char* id : InfoTexts) {
    const TChild* text = Find(info, id);
    if (text == nullptr) continue;
    std::vector<uint8_t> bytes;
    TBody body = text->Body;
    body.End = body.Data + std::min<uint64_t>(body.Size(), MaxInfoText);
    if (!file.ReadBody(body, bytes)) return ResultDamagedFile;
    const std::string raw(bytes.begin(), bytes.end());
    sf.Info[id] = raw.substr(0, raw.find('\0'));
  }

  uint64_t points = 0;
  std::shared_ptr<const TSamplePoints> smpl;
  if (const TChild* chunk = Find(sdta, "smpl")) {
    points = chunk->Body.Size() / 2;
    smpl = std::make_shared<TFilePoints>(stream, chunk->Body.Data, points);
  } else {
    smpl = std::make_shared<TMemoryPoints>(std::vector<int16_t>());
  }
  return ReadPdta(file, pdta, points, smpl, sf);
}

}  // namespace

Result ReadSoundFont(const std::shared_ptr<std::istream>& stream, TSoundFont& sf) {
  const Result result = ReadAll(stream, sf);
  if (result != ResultOk) sf = TSoundFont();
  return result;
}

Result ReadWave(std::istream& in, TWave& wave) {
  wave = TWave();
  TFile file(in);
  uint8_t riff[12];
  if (!file.Read(0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return ResultUnsupportedWave;
  // The form's size is not trusted further than the file goes; its chunks are.
  const uint64_t formEnd = std::min<uint64_t>(8 + static_cast<uint64_t>(U32(riff + 4)), file.Size());
  std::vector<TChild> chunks;
  if (formEnd < 12 || !file.Children({12, formEnd}, chunks)) return ResultUnsupportedWave;
  const TChild* fmt = Find(chunks, "fmt ");
  const TChild* data = Find(chunks, "data");
  if (fmt == nullptr || data == nullptr || fmt->Body.Size() < 16) return ResultUnsupportedWave;
  uint8_t f[40] = {};
  if (!file.Read(fmt->Body.Data, f, std::min<uint64_t>(fmt->Body.Size(), sizeof(f)))) return ResultUnsupportedWave;
  uint16_t tag = U16(f);
  const uint16_t channels = U16(f + 2), blockAlign = U16(f + 12), bits = U16(f + 14);
  // WAVE_FORMAT_EXTENSIBLE names its format in the first word of its sub-format.
  if (tag == 0xFFFE && fmt->Body.Size() >= 40 && U16(f + 16) >= 22) tag = U16(f + 24);
  wave.SampleRate = U32(f + 4);
  if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
      blockAlign != channels * bits / 8 || wave.SampleRate == 0)
    return ResultUnsupportedWave;
  const uint64_t frames = data->Body.Size() / blockAlign;
  if (frames == 0 || frames > UINT32_MAX) return ResultUnsupportedWave;
  std::vector<uint8_t> bytes;
  if (!file.ReadBody({data->Body.Data, data->Body.Data + frames * blockAlign}, bytes)) return ResultUnsupportedWave;
  wave.Stereo = channels == 2;
  wave.Left.resize(static_cast<size_t>(frames));
  if (wave.Stereo) wave.Right.resize(static_cast<size_t>(frames));
  const size_t bytesPerPoint = bits / 8;
  for (size_t i = 0; i < frames; ++i) {
    for (size_t c = 0; c < channels; ++c) {
      const uint8_t* p = bytes.data() + (i * channels + c) * bytesPerPoint;
      const int16_t v = bits == 8 ? static_cast<int16_t>((p[0] - 128) * 256) : static_cast<int16_t>(U16(p));
      (c == 0 ? wave.Left : wave.Right)[i] = v;
    }
  }
  return ResultOk;
}

}  // namespace sfedit
