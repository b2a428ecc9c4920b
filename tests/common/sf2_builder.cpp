#include "sf2_builder.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

namespace sf2test {

namespace {

// Generator operators the builder links with.
const uint16_t kGenInstrument = 41;
const uint16_t kGenKeyRange = 43;
const uint16_t kGenSampleId = 53;
const uint16_t kGenSampleModes = 54;
const uint32_t kZeroPointsAfterSample = 46;
const uint16_t kSampleTypeMono = 1;

void Put16(std::string& out, uint16_t v) {
  out += char(v & 0xFF);
  out += char(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

void PutName20(std::string& out, const std::string& name) {
  std::string field = name.substr(0, 20);
  field.resize(20, '\0');
  out += field;
}

// Zero-terminated and padded to an even length, as INFO strings are stored.
std::string InfoString(const std::string& text) {
  std::string s = text + '\0';
  if (s.size() % 2) s += '\0';
  return s;
}

// Subchunks of one list body, with their positions relative to the body's start.
struct TListBody {
  std::string Bytes;
  std::vector<Sf2ChunkSpan> Spans;
  void Add(const std::string& id, const std::string& data) {
    Sf2ChunkSpan span;
    span.ID = id;
    span.Pos = Bytes.size();
    span.Size = uint32_t(data.size());
    Spans.push_back(span);
    Bytes += id;
    Put32(Bytes, span.Size);
    Bytes += data;
  }
};

std::string ListHeader(const std::string& listType, uint64_t bodySize) {
  std::string h = "LIST";
  Put32(h, uint32_t(4 + bodySize));
  return h + listType;
}

}  // namespace

struct Sf2Builder::TPieces {
  TListBody Info;
  TListBody Pdta;
  uint64_t SmplBytes = 0;
  std::vector<uint32_t> SampleStarts;  // in sample points from the start of smpl
  uint64_t RiffSize() const { return 4 + (12 + Info.Bytes.size()) + (12 + 8 + SmplBytes) + (12 + Pdta.Bytes.size()); }
  uint64_t SdtaPos() const { return 12 + 12 + Info.Bytes.size(); }
  uint64_t PdtaPos() const { return SdtaPos() + 12 + 8 + SmplBytes; }
};

uint32_t Sf2Builder::AddSample(const std::string& name, uint32_t frames) {
  Sf2Sample sample;
  sample.Name = name;
  sample.Frames = frames;
  FSamples.push_back(sample);
  return uint32_t(FSamples.size() - 1);
}

size_t Sf2Builder::AddPreset(const std::string& name, uint16_t bank, uint16_t program,
                             std::vector<uint32_t> samples) {
  Sf2Preset preset;
  preset.Name = name;
  preset.Bank = bank;
  preset.Program = program;
  preset.Samples = std::move(samples);
  FPresets.push_back(preset);
  return FPresets.size() - 1;
}

size_t Sf2Builder::AddPresetWithSamples(const std::string& name, uint16_t bank, uint16_t program,
                                        const std::vector<uint32_t>& frames) {
  std::vector<uint32_t> samples;
  for (size_t i = 0; i < frames.size(); ++i) samples.push_back(AddSample(name + " " + std::to_string(i), frames[i]));
  return AddPreset(name, bank, program, samples);
}

uint64_t Sf2Builder::PresetSampleBytes(size_t presetIndex) const {
  const Sf2Preset& preset = FPresets.at(presetIndex);
  std::set<uint32_t> distinct(preset.Samples.begin(), preset.Samples.end());
  uint64_t bytes = 0;
  for (uint32_t s : distinct) bytes += 2 * uint64_t(FSamples.at(s).Frames);
  return bytes;
}

uint64_t Sf2Builder::TotalSampleFrames() const {
  uint64_t frames = 0;
  for (const Sf2Sample& s : FSamples) frames += s.Frames;
  return frames;
}

Sf2Builder::TPieces Sf2Builder::MakePieces() const {
  TPieces p;
  std::string ifil;
  Put16(ifil, VersionMajor);
  Put16(ifil, VersionMinor);
  p.Info.Add("ifil", ifil);
  p.Info.Add("isng", InfoString(SoundEngine));
  p.Info.Add("INAM", InfoString(BankName));

  uint64_t points = 0;
  for (const Sf2Sample& s : FSamples) {
    p.SampleStarts.push_back(uint32_t(points));
    points += uint64_t(s.Frames) + kZeroPointsAfterSample;
  }
  p.SmplBytes = 2 * points;

  // Preset i has one zone whose only generator selects instrument i; instrument i has one zone
  // per sample: key range, loop mode, and the sample last, as a zone requires.
  const uint16_t presetCount = uint16_t(FPresets.size());
  std::string phdr, pbag, pgen, inst, ibag, igen, shdr;
  uint16_t zone = 0;
  for (uint16_t i = 0; i < presetCount; ++i) {
    const Sf2Preset& preset = FPresets[i];
    PutName20(phdr, preset.Name);
    Put16(phdr, preset.Program);
    Put16(phdr, preset.Bank);
    Put16(phdr, i);
    Put32(phdr, 0);
    Put32(phdr, 0);
    Put32(phdr, 0);
    Put16(pbag, i);
    Put16(pbag, 0);
    Put16(pgen, kGenInstrument);
    Put16(pgen, i);
    PutName20(inst, preset.Name);
    Put16(inst, zone);
    for (uint32_t sample : preset.Samples) {
      Put16(ibag, uint16_t(3 * zone));
      Put16(ibag, 0);
      Put16(igen, kGenKeyRange);
      Put16(igen, 0x7F00);  // keys 0..127
      Put16(igen, kGenSampleModes);
      Put16(igen, 1);  // loop continuously
      Put16(igen, kGenSampleId);
      Put16(igen, uint16_t(sample));
      ++zone;
    }
  }
  PutName20(phdr, "EOP");
  Put16(phdr, 0);
  Put16(phdr, 0);
  Put16(phdr, presetCount);
  phdr += std::string(12, '\0');
  Put16(pbag, presetCount);
  Put16(pbag, 0);
  pgen += std::string(4, '\0');
  PutName20(inst, "EOI");
  Put16(inst, zone);
  Put16(ibag, uint16_t(3 * zone));
  Put16(ibag, 0);
  igen += std::string(4, '\0');

  for (size_t i = 0; i < FSamples.size(); ++i) {
    const Sf2Sample& s = FSamples[i];
    const uint32_t start = p.SampleStarts[i];
    PutName20(shdr, s.Name);
    Put32(shdr, start);
    Put32(shdr, start + s.Frames);
    Put32(shdr, start + s.Frames / 4);
    Put32(shdr, start + s.Frames - s.Frames / 4);
    Put32(shdr, s.SampleRate);
    shdr += char(s.OriginalPitch);
    shdr += '\0';  // pitch correction
    Put16(shdr, 0);  // no linked sample
    Put16(shdr, kSampleTypeMono);
  }
  PutName20(shdr, "EOS");
  shdr += std::string(26, '\0');

  const std::string emptyModulators(10, '\0');
  p.Pdta.Add("phdr", phdr);
  p.Pdta.Add("pbag", pbag);
  p.Pdta.Add("pmod", emptyModulators);
  p.Pdta.Add("pgen", pgen);
  p.Pdta.Add("inst", inst);
  p.Pdta.Add("ibag", ibag);
  p.Pdta.Add("imod", emptyModulators);
  p.Pdta.Add("igen", igen);
  p.Pdta.Add("shdr", shdr);
  return p;
}

bool Sf2Builder::Write(std::ostream& out) const {
  const TPieces p = MakePieces();
  if (p.RiffSize() > 0xFFFFFFFFull) return false;

  std::string head = "RIFF";
  Put32(head, uint32_t(p.RiffSize()));
  head += "sfbk";
  head += ListHeader("INFO", p.Info.Bytes.size());
  head += p.Info.Bytes;
  head += ListHeader("sdta", 8 + p.SmplBytes);
  head += "smpl";
  Put32(head, uint32_t(p.SmplBytes));
  out.write(head.data(), std::streamsize(head.size()));

  // A sawtooth of 256 points: the block holds whole periods, so every sample is written as
  // repeats of one block.
  const size_t kBlockPoints = 1 << 19;
  std::unique_ptr<char[]> block(new char[2 * kBlockPoints]);
  for (size_t i = 0; i < kBlockPoints; ++i) {
    const uint16_t v = uint16_t((i & 0xFF) << 8) ^ 0x8000;
    block[2 * i] = char(v & 0xFF);
    block[2 * i + 1] = char(v >> 8);
  }
  const std::string zeros(2 * kZeroPointsAfterSample, '\0');
  for (const Sf2Sample& s : FSamples) {
    for (uint64_t left = s.Frames; left > 0;) {
      const size_t n = size_t(std::min<uint64_t>(left, kBlockPoints));
      out.write(block.get(), std::streamsize(2 * n));
      left -= n;
    }
    out.write(zeros.data(), std::streamsize(zeros.size()));
  }

  const std::string tail = ListHeader("pdta", p.Pdta.Bytes.size()) + p.Pdta.Bytes;
  out.write(tail.data(), std::streamsize(tail.size()));
  return bool(out);
}

bool Sf2Builder::Write(const std::string& path) const {
  std::ofstream out;
  std::unique_ptr<char[]> buffer(new char[1 << 20]);
  out.rdbuf()->pubsetbuf(buffer.get(), 1 << 20);
  out.open(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  bool ok = Write(out);
  out.close();
  return ok && !out.fail();
}

std::string Sf2Builder::Build() const {
  std::ostringstream out;
  Write(out);
  return out.str();
}

std::vector<Sf2ChunkSpan> Sf2Builder::Layout() const {
  const TPieces p = MakePieces();
  std::vector<Sf2ChunkSpan> spans;
  auto list = [&spans](const std::string& id, const std::string& type, uint64_t pos, uint64_t size) {
    Sf2ChunkSpan s;
    s.ID = id;
    s.ListType = type;
    s.Pos = pos;
    s.Size = uint32_t(size);
    spans.push_back(s);
  };
  auto children = [&spans](const TListBody& body, uint64_t bodyPos) {
    for (Sf2ChunkSpan s : body.Spans) {
      s.Pos += bodyPos;
      spans.push_back(s);
    }
  };
  list("RIFF", "sfbk", 0, p.RiffSize());
  list("LIST", "INFO", 12, 4 + p.Info.Bytes.size());
  children(p.Info, 24);
  list("LIST", "sdta", p.SdtaPos(), 4 + 8 + p.SmplBytes);
  list("smpl", "", p.SdtaPos() + 12, p.SmplBytes);
  list("LIST", "pdta", p.PdtaPos(), 4 + p.Pdta.Bytes.size());
  children(p.Pdta, p.PdtaPos() + 12);
  return spans;
}

}  // namespace sf2test
