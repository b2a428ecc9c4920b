#include "sf_edit_engine.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "sf_edit_reader.h"
#include "sf_edit_writer.h"

namespace sfedit {

namespace {

// INFO chunk IDs by field number, and the longest text each holds.
const char* InfoID(uint32_t field) {
  static const char* const ids[] = {nullptr, "isng", "irom", "IENG", "IPRD", "INAM", "ICOP", "ICMT", "ISFT", "ICRD"};
  return field < sizeof(ids) / sizeof(ids[0]) ? ids[field] : nullptr;
}

bool BankAndProgram(int32_t bank, int32_t program) { return bank >= 0 && bank <= 128 && program >= 0 && program <= 127; }

Result CopyName(const std::string& name, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return ResultBadArgument;
  const size_t n = std::min<size_t>(name.size(), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return ResultOk;
}

bool Exists(const std::string& fileName) { return std::ifstream(fileName, std::ios::binary).is_open(); }

}  // namespace

Handle TEditEngine::NewHandle() {
  // Numbers are never given out twice, so a stale handle cannot reach a new object.
  if (FNext == 0) return 0;
  return FNext++;
}

Handle TEditEngine::NewSoundFont(std::unique_ptr<TOpenSoundFont> sf) {
  const Handle h = NewHandle();
  if (h != 0) FSoundFonts[h] = std::move(sf);
  return h;
}

Handle TEditEngine::NewEntry(Handle sf, TKind kind, void* object, size_t index) {
  const Handle h = NewHandle();
  if (h == 0) return 0;
  FEntries[h] = {kind, sf, object, index};
  FSoundFonts[sf]->Handles.push_back(h);
  return h;
}

Handle TEditEngine::ObjectHandle(Handle sf, TKind kind, void* object) {
  TOpenSoundFont* open = Find(sf);
  auto it = open->ObjectHandles.find(object);
  if (it != open->ObjectHandles.end()) return it->second;
  const Handle h = NewEntry(sf, kind, object);
  if (h != 0) open->ObjectHandles[object] = h;
  return h;
}

TEditEngine::TOpenSoundFont* TEditEngine::Find(Handle sf) {
  auto it = FSoundFonts.find(sf);
  return it == FSoundFonts.end() ? nullptr : it->second.get();
}

const TSoundFont* TEditEngine::SoundFontOf(Handle sf) const {
  auto it = FSoundFonts.find(sf);
  return it == FSoundFonts.end() ? nullptr : &it->second->Data;
}

Result TEditEngine::ReadySoundFont(Handle sf, TOpenSoundFont*& open) {
  open = Find(sf);
  if (open == nullptr) return ResultBadHandle;
  return open->Read ? ResultOk : ResultNotRead;
}

TEditEngine::TEntry* TEditEngine::FindEntry(Handle sf, Handle item, TKind kind) {
  auto it = FEntries.find(item);
  if (it == FEntries.end() || it->second.Kind != kind || it->second.SoundFont != sf) return nullptr;
  return &it->second;
}

void TEditEngine::Forget(Handle sf, const void* object) {
  TOpenSoundFont* open = Find(sf);
  auto it = open->ObjectHandles.find(object);
  if (it == open->ObjectHandles.end()) return;
  FEntries.erase(it->second);
  open->ObjectHandles.erase(it);
}

// ---- SoundFonts ----

Result TEditEngine::Create(Handle* sf) {
  if (sf == nullptr) return ResultBadArgument;
  *sf = 0;
  auto open = std::make_unique<TOpenSoundFont>();
  open->Data.SetDefaults();
  *sf = NewSoundFont(std::move(open));
  return *sf != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::SetUp(Handle sf, int32_t options) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (options != SetUpDefaults) return ResultBadArgument;
  open->Data.SetDefaults();
  return ResultOk;
}

Result TEditEngine::SetInfo(Handle sf, uint32_t field, const char* text) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  const char* id = InfoID(field);
  if (id == nullptr || text == nullptr) return ResultBadArgument;
  std::string value = text;
  if (value.empty()) {
    open->Data.Info.erase(id);
  } else {
    open->Data.Info[id] = value.substr(0, field == InfoComment ? 65535 : InfoChars);
  }
  return ResultOk;
}

Result TEditEngine::Save(Handle sf, const char* fileName) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (fileName == nullptr || *fileName == '\0') return ResultBadArgument;
  if (const Result r = CheckWritable(open->Data)) return r;
  // Written beside the target under a name of its own, put in place only when whole.
  const std::string target = fileName;
  std::string beside = target + ".~sfe";
  for (int n = 1; Exists(beside) && n < 1000; ++n) beside = target + ".~sfe" + std::to_string(n);
  Result result = ResultOk;
  {
    std::ofstream out(beside, std::ios::binary | std::ios::trunc);
    if (!out) return ResultWriteFailed;
    result = WriteSoundFont(open->Data, out, SaveByteLimit);
    out.close();
    if (result == ResultOk && !out) result = ResultWriteFailed;
  }
  if (result == ResultOk) {
    const bool replaced = ReplaceFile ? ReplaceFile(beside, target) : std::rename(beside.c_str(), target.c_str()) == 0;
    if (!replaced) result = ResultWriteFailed;
  }
  if (result != ResultOk) std::remove(beside.c_str());
  return result;
}

Result TEditEngine::Open(const char* fileName, Handle* sf) {
  if (fileName == nullptr || sf == nullptr) return ResultBadArgument;
  *sf = 0;
  auto file = std::make_shared<std::ifstream>(fileName, std::ios::binary);
  if (!file->is_open()) return ResultNoFile;
  return OpenStream(file, sf);
}

Result TEditEngine::OpenStream(std::shared_ptr<std::istream> stream, Handle* sf) {
  if (sf == nullptr) return ResultBadArgument;
  auto open = std::make_unique<TOpenSoundFont>();
  open->File = std::move(stream);
  open->Read = false;
  *sf = NewSoundFont(std::move(open));
  return *sf != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::Read(Handle sf) {
  TOpenSoundFont* open = Find(sf);
  if (open == nullptr) return ResultBadHandle;
  if (open->Read) return ResultOk;
  if (!open->File) return ResultNoFile;
  const Result r = ReadSoundFont(open->File, open->Data);
  if (r == ResultOk) open->Read = true;
  return r;
}

Result TEditEngine::Release(Handle sf) {
  TOpenSoundFont* open = Find(sf);
  if (open == nullptr) return FClosed.count(sf) ? ResultOk : ResultBadHandle;
  // Samples still in the file can no longer be copied: the file is let go of for good.
  if (auto* file = dynamic_cast<std::ifstream*>(open->File.get())) file->close();
  open->File.reset();
  return ResultOk;
}

Result TEditEngine::Close(Handle sf) {
  TOpenSoundFont* open = Find(sf);
  if (open == nullptr) return ResultBadHandle;
  for (Handle h : open->Handles) FEntries.erase(h);
  FSoundFonts.erase(sf);
  FClosed.insert(sf);
  return ResultOk;
}

// ---- presets ----

Result TEditEngine::FindPreset(Handle sf, int32_t bank, int32_t program, Handle* preset) {
  if (preset == nullptr) return ResultBadArgument;
  *preset = 0;
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (bank < 0 || bank > 0xFFFF || program < 0 || program > 0xFFFF) return ResultBadArgument;
  TPreset* found = open->Data.FindPreset(static_cast<uint16_t>(bank), static_cast<uint16_t>(program));
  if (found == nullptr) return ResultFailed;
  *preset = ObjectHandle(sf, TKind::Preset, found);
  return *preset != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::AddPreset(Handle sf, const char* name, int32_t bank, int32_t program, Handle source,
                              Handle* preset) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (name == nullptr || !BankAndProgram(bank, program)) return ResultBadArgument;
  TSoundFont& data = open->Data;
  TInstrument* instrument = nullptr;
  if (TEntry* e = FindEntry(sf, source, TKind::Instrument)) {
    instrument = static_cast<TInstrument*>(e->Object);
  } else if (TEntry* s = FindEntry(sf, source, TKind::Sample)) {
    auto* sample = static_cast<TSample*>(s->Object);
    auto made = std::make_unique<TInstrument>();
    made->Name = sample->Name;
    made->Zones.push_back(std::make_unique<TInstrumentZone>());
    made->Zones.back()->Sample = sample;
    data.Instruments.push_back(std::move(made));
    instrument = data.Instruments.back().get();
  } else {
    return ResultBadHandle;
  }
  if (TPreset* old = data.FindPreset(static_cast<uint16_t>(bank), static_cast<uint16_t>(program))) {
    Forget(sf, old);
    data.RemovePreset(old);
  }
  auto made = std::make_unique<TPreset>();
  made->Name = CutName(name);
  made->Bank = static_cast<uint16_t>(bank);
  made->Program = static_cast<uint16_t>(program);
  made->Zones.push_back(std::make_unique<TPresetZone>());
  made->Zones.back()->Instrument = instrument;
  data.Presets.push_back(std::move(made));
  const Handle h = ObjectHandle(sf, TKind::Preset, data.Presets.back().get());
  if (preset != nullptr) *preset = h;
  return h != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::CopyPreset(Handle source, Handle preset, Handle target, int32_t bank, int32_t program,
                               const char* name, Handle* copy) {
  if (copy != nullptr) *copy = 0;
  TOpenSoundFont* from = nullptr;
  TOpenSoundFont* to = nullptr;
  if (const Result r = ReadySoundFont(source, from)) return r;
  if (const Result r = ReadySoundFont(target, to)) return r;
  TEntry* e = FindEntry(source, preset, TKind::Preset);
  if (e == nullptr) return ResultBadHandle;
  if (!BankAndProgram(bank, program)) return ResultBadArgument;
  const auto b = static_cast<uint16_t>(bank), p = static_cast<uint16_t>(program);
  TPreset* old = to->Data.FindPreset(b, p);
  TPreset* made = to->Data.CopyPreset(*static_cast<TPreset*>(e->Object), b, p, name ? name : "");
  if (made == nullptr) return ResultNoFile;
  if (old != nullptr) Forget(target, old);  // the copy took its place
  const Handle h = ObjectHandle(target, TKind::Preset, made);
  if (copy != nullptr) *copy = h;
  return h != 0 ? ResultOk : ResultNoMemory;
}

// ---- walks and names ----

Result TEditEngine::Walk(Handle sf, Handle* walk, bool first, TKind kind, Result end) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (walk == nullptr) return ResultBadArgument;
  const size_t count =
      kind == TKind::SampleWalk ? open->Data.Samples.size() : open->Data.Instruments.size();
  if (first) {
    if (count == 0) return end;
    const Handle h = NewEntry(sf, kind, nullptr, 0);
    if (h == 0) return ResultNoMemory;
    *walk = h;
    return ResultOk;
  }
  TEntry* e = FindEntry(sf, *walk, kind);
  if (e == nullptr) return ResultBadHandle;
  if (e->Index + 1 >= count) return end;
  ++e->Index;
  return ResultOk;
}

Result TEditEngine::ItemAt(Handle sf, Handle walk, TKind walkKind, TKind itemKind, Handle* item) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (item == nullptr) return ResultBadArgument;
  TEntry* e = FindEntry(sf, walk, walkKind);
  if (e == nullptr) return ResultBadHandle;
  void* object = nullptr;
  if (walkKind == TKind::SampleWalk && e->Index < open->Data.Samples.size()) {
    object = open->Data.Samples[e->Index].get();
  } else if (walkKind == TKind::InstrumentWalk && e->Index < open->Data.Instruments.size()) {
    object = open->Data.Instruments[e->Index].get();
  }
  if (object == nullptr) return ResultBadHandle;
  *item = ObjectHandle(sf, itemKind, object);
  return *item != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::FirstSample(Handle sf, Handle* walk) {
  return Walk(sf, walk, true, TKind::SampleWalk, ResultNoMoreSamples);
}
Result TEditEngine::NextSample(Handle sf, Handle* walk) {
  return Walk(sf, walk, false, TKind::SampleWalk, ResultNoMoreSamples);
}
Result TEditEngine::FirstInstrument(Handle sf, Handle* walk) {
  return Walk(sf, walk, true, TKind::InstrumentWalk, ResultNoMoreInstruments);
}
Result TEditEngine::NextInstrument(Handle sf, Handle* walk) {
  return Walk(sf, walk, false, TKind::InstrumentWalk, ResultNoMoreInstruments);
}
Result TEditEngine::SampleAt(Handle sf, Handle walk, Handle* sample) {
  return ItemAt(sf, walk, TKind::SampleWalk, TKind::Sample, sample);
}
Result TEditEngine::InstrumentAt(Handle sf, Handle walk, Handle* instrument) {
  return ItemAt(sf, walk, TKind::InstrumentWalk, TKind::Instrument, instrument);
}

Result TEditEngine::SampleName(Handle sf, Handle sample, char* buffer, uint32_t size) {
  TEntry* e = FindEntry(sf, sample, TKind::Sample);
  if (e == nullptr) return ResultBadHandle;
  return CopyName(static_cast<TSample*>(e->Object)->Name, buffer, size);
}

Result TEditEngine::InstrumentName(Handle sf, Handle instrument, char* buffer, uint32_t size) {
  TEntry* e = FindEntry(sf, instrument, TKind::Instrument);
  if (e == nullptr) return ResultBadHandle;
  return CopyName(static_cast<TInstrument*>(e->Object)->Name, buffer, size);
}

Result TEditEngine::RenameSample(Handle sf, Handle sample, const char* name) {
  TEntry* e = FindEntry(sf, sample, TKind::Sample);
  if (e == nullptr) return ResultBadHandle;
  if (name == nullptr) return ResultBadArgument;
  static_cast<TSample*>(e->Object)->Name = CutName(name);
  return ResultOk;
}

Result TEditEngine::RenameInstrument(Handle sf, Handle instrument, const char* name) {
  TEntry* e = FindEntry(sf, instrument, TKind::Instrument);
  if (e == nullptr) return ResultBadHandle;
  if (name == nullptr) return ResultBadArgument;
  static_cast<TInstrument*>(e->Object)->Name = CutName(name);
  return ResultOk;
}

// ---- building ----

Result TEditEngine::ImportWave(Handle sf, const char* fileName, const char* sampleName, Handle* sample) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (fileName == nullptr || sampleName == nullptr || sample == nullptr) return ResultBadArgument;
  *sample = 0;
  std::ifstream in(fileName, std::ios::binary);
  if (!in.is_open()) return ResultNoFile;
  TWave wave;
  if (const Result r = ReadWave(in, wave)) return r;
  auto make = [&](std::vector<int16_t>& points, uint16_t type) {
    auto s = std::make_unique<TSample>();
    s->Name = CutName(sampleName);
    s->End = points.size();
    s->LoopEnd = static_cast<int64_t>(points.size());
    s->SampleRate = wave.SampleRate;
    s->Type = type;
    s->Points = std::make_shared<TMemoryPoints>(std::move(points));
    return s;
  };
  auto left = make(wave.Left, wave.Stereo ? SampleLeft : SampleMono);
  TSample* first = left.get();
  open->Data.Samples.push_back(std::move(left));
  if (wave.Stereo) {
    auto right = make(wave.Right, SampleRight);
    right->Link = first;
    first->Link = right.get();
    open->Data.Samples.push_back(std::move(right));
  }
  *sample = ObjectHandle(sf, TKind::Sample, first);
  return *sample != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::RightSample(Handle sf, Handle sample, Handle* right) {
  if (right == nullptr) return ResultBadArgument;
  *right = 0;
  TEntry* e = FindEntry(sf, sample, TKind::Sample);
  if (e == nullptr) return ResultBadHandle;
  auto* s = static_cast<TSample*>(e->Object);
  if (s->Link == nullptr || (s->Type & SampleLeft) == 0) return ResultFailed;
  *right = ObjectHandle(sf, TKind::Sample, s->Link);
  return *right != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::AddInstrument(Handle sf, const char* name, Handle* instrument) {
  TOpenSoundFont* open = nullptr;
  if (const Result r = ReadySoundFont(sf, open)) return r;
  if (name == nullptr || instrument == nullptr) return ResultBadArgument;
  open->Data.Instruments.push_back(std::make_unique<TInstrument>());
  open->Data.Instruments.back()->Name = CutName(name);
  *instrument = ObjectHandle(sf, TKind::Instrument, open->Data.Instruments.back().get());
  return *instrument != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::AddZoneFor(Handle sf, Handle instrument, Handle sample, bool right, Handle* zone) {
  TEntry* i = FindEntry(sf, instrument, TKind::Instrument);
  TEntry* s = FindEntry(sf, sample, TKind::Sample);
  if (i == nullptr || s == nullptr) return ResultBadHandle;
  auto* played = static_cast<TSample*>(s->Object);
  if (right && (played->Link == nullptr || (played->Type & SampleRight) == 0)) return ResultFailed;
  auto* target = static_cast<TInstrument*>(i->Object);
  target->Zones.push_back(std::make_unique<TInstrumentZone>());
  target->Zones.back()->Sample = played;
  const Handle h = NewEntry(sf, TKind::Zone, target->Zones.back().get());
  if (zone != nullptr) *zone = h;
  return h != 0 ? ResultOk : ResultNoMemory;
}

Result TEditEngine::AddZone(Handle sf, Handle instrument, Handle sample, Handle* zone) {
  return AddZoneFor(sf, instrument, sample, false, zone);
}

Result TEditEngine::AddRightZone(Handle sf, Handle instrument, Handle sample, Handle* zone) {
  return AddZoneFor(sf, instrument, sample, true, zone);
}

Result TEditEngine::SetGenerator(Handle sf, Handle zone, uint16_t generator, int16_t amount) {
  TEntry* e = FindEntry(sf, zone, TKind::Zone);
  if (e == nullptr) return ResultBadHandle;
  if (generator >= GenCount || generator == GenInstrument || generator == GenSampleID) return ResultBadArgument;
  sfedit::SetGenerator(static_cast<TInstrumentZone*>(e->Object)->Generators, generator,
                       static_cast<uint16_t>(amount));
  return ResultOk;
}

}  // namespace sfedit
