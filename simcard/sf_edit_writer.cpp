#include "sf_edit_writer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace sfedit {

namespace {

constexpr uint64_t ZeroPointsAfterSample = 46;
constexpr uint64_t MaxIndex = 0xFFFF;  // the largest index a 16-bit field holds
constexpr uint64_t MaxSize = 0xFFFFFFFF;
constexpr size_t PointsPerBlock = 1 << 16;

// INFO text chunks in the order the format gives, with the longest text each may hold.
struct TInfoText {
  const char* ID;
  size_t MaxChars;
};
const TInfoText InfoOrder[] = {{"isng", 255}, {"INAM", 255}, {"irom", 255}, {"ICRD", 255}, {"IENG", 255},
                               {"IPRD", 255}, {"ICOP", 255}, {"ICMT", 65535}, {"ISFT", 255}};

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutName(std::string& out, const std::string& name) {
  std::string field = CutName(name);
  field.resize(20, '\0');
  out += field;
}

void PutChunk(std::string& out, const char* id, const std::string& body) {
  out.append(id, 4);
  Put32(out, static_cast<uint32_t>(body.size()));
  out += body;
  if (body.size() % 2) out += '\0';
}

// Range generators must come first, in this order; the target's ID generator comes last.
std::vector<TGenerator> Ordered(const std::vector<TGenerator>& generators) {
  std::vector<TGenerator> ordered;
  for (uint16_t first : {GenKeyRange, GenVelRange}) {
    for (const TGenerator& g : generators) {
      if (g.Oper == first) {
        ordered.push_back(g);
        break;
      }
    }
  }
  for (const TGenerator& g : generators) {
    if (g.Oper != GenKeyRange && g.Oper != GenVelRange && g.Oper != GenInstrument && g.Oper != GenSampleID)
      ordered.push_back(g);
  }
  return ordered;
}

// Everything but the sample points, laid out with the file's indices.
struct TLayout {
  std::string Info;  // body of LIST INFO, after its list type
  std::string Pdta;  // body of LIST pdta, after its list type
  uint64_t SmplPoints = 0;
  std::vector<uint64_t> SampleStart;  // in the file's points
};

// One bag with its generators and modulators.
template <typename Zone>
void PutZone(const Zone& zone, uint16_t idOper, uint32_t targetIndex, bool hasTarget, std::string& bags,
             std::string& gens, std::string& mods, uint64_t& genCount, uint64_t& modCount) {
  Put16(bags, static_cast<uint16_t>(genCount));
  Put16(bags, static_cast<uint16_t>(modCount));
  for (const TGenerator& g : Ordered(zone.Generators)) {
    Put16(gens, g.Oper);
    Put16(gens, g.Amount);
    ++genCount;
  }
  if (hasTarget) {
    Put16(gens, idOper);
    Put16(gens, static_cast<uint16_t>(targetIndex));
    ++genCount;
  }
  for (const TModulator& m : zone.Modulators) {
    mods.append(reinterpret_cast<const char*>(m.Bytes), 10);
    ++modCount;
  }
}

Result Lay(const TSoundFont& sf, TLayout& layout) {
  if (sf.Instruments.size() > MaxIndex || sf.Samples.size() > MaxIndex) return ResultTooComplex;
  std::unordered_map<const TInstrument*, uint32_t> instrumentIndex;
  std::unordered_map<const TSample*, uint32_t> sampleIndex;
  for (size_t i = 0; i < sf.Instruments.size(); ++i) instrumentIndex[sf.Instruments[i].get()] = uint32_t(i);
  for (size_t i = 0; i < sf.Samples.size(); ++i) sampleIndex[sf.Samples[i].get()] = uint32_t(i);

  // INFO.
  std::string& info = layout.Info;
  std::string version;
  Put16(version, sf.VersionMajor);
  Put16(version, sf.VersionMinor);
  PutChunk(info, "ifil", version);
  for (const TInfoText& field : InfoOrder) {
    auto it = sf.Info.find(field.ID);
    std::string text = it == sf.Info.end() ? std::string() : it->second.substr(0, field.MaxChars);
    if (text.empty()) {
      if (std::strcmp(field.ID, "isng") == 0) text = "EMU8000";
      else if (std::strcmp(field.ID, "INAM") == 0) text = "Untitled";
      else continue;
    }
    text += '\0';
    if (text.size() % 2) text += '\0';
    PutChunk(info, field.ID, text);
  }

  // Sample points: each sample, then its zero points.
  for (const auto& s : sf.Samples) {
    layout.SampleStart.push_back(layout.SmplPoints);
    layout.SmplPoints += s->Length() + ZeroPointsAfterSample;
    if (layout.SmplPoints * 2 > MaxSize) return ResultTooComplex;
  }

  std::string phdr, pbag, pmod, pgen, inst, ibag, imod, igen, shdr;
  uint64_t bagCount = 0, genCount = 0, modCount = 0;
  for (const auto& p : sf.Presets) {
    if (bagCount > MaxIndex) return ResultTooComplex;
    PutName(phdr, p->Name);
    Put16(phdr, p->Program);
    Put16(phdr, p->Bank);
    Put16(phdr, static_cast<uint16_t>(bagCount));
    Put32(phdr, p->Library);
    Put32(phdr, p->Genre);
    Put32(phdr, p->Morphology);
    for (const auto& z : p->Zones) {
      if (genCount > MaxIndex || modCount > MaxIndex) return ResultTooComplex;
      const bool target = z->Instrument != nullptr;
      PutZone(*z, GenInstrument, target ? instrumentIndex.at(z->Instrument) : 0, target, pbag, pgen, pmod,
              genCount, modCount);
      ++bagCount;
    }
  }
  if (bagCount > MaxIndex || genCount > MaxIndex || modCount > MaxIndex) return ResultTooComplex;
  PutName(phdr, "EOP");
  phdr.append(4, '\0');
  Put16(phdr, static_cast<uint16_t>(bagCount));
  phdr.append(12, '\0');
  Put16(pbag, static_cast<uint16_t>(genCount));
  Put16(pbag, static_cast<uint16_t>(modCount));
  pmod.append(10, '\0');
  pgen.append(4, '\0');

  bagCount = genCount = modCount = 0;
  for (const auto& i : sf.Instruments) {
    if (bagCount > MaxIndex) return ResultTooComplex;
    PutName(inst, i->Name);
    Put16(inst, static_cast<uint16_t>(bagCount));
    for (const auto& z : i->Zones) {
      if (genCount > MaxIndex || modCount > MaxIndex) return ResultTooComplex;
      const bool target = z->Sample != nullptr;
      PutZone(*z, GenSampleID, target ? sampleIndex.at(z->Sample) : 0, target, ibag, igen, imod, genCount,
              modCount);
      ++bagCount;
    }
  }
  if (bagCount > MaxIndex || genCount > MaxIndex || modCount > MaxIndex) return ResultTooComplex;
  PutName(inst, "EOI");
  Put16(inst, static_cast<uint16_t>(bagCount));
  Put16(ibag, static_cast<uint16_t>(genCount));
  Put16(ibag, static_cast<uint16_t>(modCount));
  imod.append(10, '\0');
  igen.append(4, '\0');

  for (size_t i = 0; i < sf.Samples.size(); ++i) {
    const TSample& s = *sf.Samples[i];
    const uint64_t start = layout.SampleStart[i], length = s.Length();
    PutName(shdr, s.Name);
    Put32(shdr, static_cast<uint32_t>(start));
    Put32(shdr, static_cast<uint32_t>(start + length));
    const int64_t len = static_cast<int64_t>(length);
    const int64_t loopStart = std::clamp<int64_t>(s.LoopStart, 0, len);
    const int64_t loopEnd = std::clamp<int64_t>(s.LoopEnd, loopStart, len);
    Put32(shdr, static_cast<uint32_t>(start + static_cast<uint64_t>(loopStart)));
    Put32(shdr, static_cast<uint32_t>(start + static_cast<uint64_t>(loopEnd)));
    Put32(shdr, s.SampleRate);
    shdr += static_cast<char>(s.OriginalPitch);
    shdr += static_cast<char>(s.PitchCorrection);
    uint16_t type = SampleMono, link = 0;
    if (s.Link != nullptr) {
      type = (s.Type & SampleRight) ? SampleRight : SampleLeft;
      link = static_cast<uint16_t>(sampleIndex.at(s.Link));
    }
    Put16(shdr, link);
    Put16(shdr, type);
  }
  PutName(shdr, "EOS");
  shdr.append(26, '\0');

  std::string& pdta = layout.Pdta;
  PutChunk(pdta, "phdr", phdr);
  PutChunk(pdta, "pbag", pbag);
  PutChunk(pdta, "pmod", pmod);
  PutChunk(pdta, "pgen", pgen);
  PutChunk(pdta, "inst", inst);
  PutChunk(pdta, "ibag", ibag);
  PutChunk(pdta, "imod", imod);
  PutChunk(pdta, "igen", igen);
  PutChunk(pdta, "shdr", shdr);

  const uint64_t riffSize = 4 + (12 + layout.Info.size()) + (12 + 8 + layout.SmplPoints * 2) + (12 + pdta.size());
  if (riffSize > MaxSize) return ResultTooComplex;
  return ResultOk;
}

// Counts what goes out and stops, as a full disk does, at the limit.
class TSink {
 public:
  TSink(std::ostream& out, uint64_t limit) : FOut(out), FLeft(limit) {}
  bool Put(const void* data, size_t size) {
    if (size > FLeft) {
      FOut.write(static_cast<const char*>(data), static_cast<std::streamsize>(FLeft));
      FLeft = 0;
      return false;
    }
    FLeft -= size;
    FOut.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(FOut);
  }
  bool Put(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }

 private:
  std::ostream& FOut;
  uint64_t FLeft;
};

std::string ListHeader(const char* listType, uint64_t bodySize) {
  std::string h = "LIST";
  Put32(h, static_cast<uint32_t>(4 + bodySize));
  h.append(listType, 4);
  return h;
}

}  // namespace

Result CheckWritable(const TSoundFont& sf) {
  TLayout layout;
  return Lay(sf, layout);
}

Result WriteSoundFont(const TSoundFont& sf, std::ostream& out, uint64_t byteLimit) {
  TLayout layout;
  if (const Result laid = Lay(sf, layout)) return laid;
  const uint64_t smplBytes = layout.SmplPoints * 2;
  std::string head = "RIFF";
  Put32(head, static_cast<uint32_t>(4 + (12 + layout.Info.size()) + (12 + 8 + smplBytes) + (12 + layout.Pdta.size())));
  head += "sfbk";
  head += ListHeader("INFO", layout.Info.size());
  head += layout.Info;
  head += ListHeader("sdta", 8 + smplBytes);
  head += "smpl";
  Put32(head, static_cast<uint32_t>(smplBytes));
  TSink sink(out, byteLimit);
  if (!sink.Put(head)) return ResultWriteFailed;

  std::vector<int16_t> points;
  std::string bytes;
  for (const auto& s : sf.Samples) {
    for (uint64_t done = 0; done < s->Length();) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(PointsPerBlock, s->Length() - done));
      points.resize(n);
      if (!s->Points->Read(s->Start + done, n, points.data())) return ResultNoFile;
      bytes.clear();
      for (int16_t p : points) Put16(bytes, static_cast<uint16_t>(p));
      if (!sink.Put(bytes)) return ResultWriteFailed;
      done += n;
    }
    if (!sink.Put(std::string(ZeroPointsAfterSample * 2, '\0'))) return ResultWriteFailed;
  }
  if (!sink.Put(ListHeader("pdta", layout.Pdta.size())) || !sink.Put(layout.Pdta)) return ResultWriteFailed;
  out.flush();
  return out ? ResultOk : ResultWriteFailed;
}

}  // namespace sfedit
