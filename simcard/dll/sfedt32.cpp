// Stand-in for the SoundFont Edit Engine library "sfedt32.dll": the export "SFEditEngine" hands out
// the table of the engine's entry points for version 0x10000. Calls are serialised and, when the
// config names a log file, each call that opens, builds, copies or saves is appended to it as a line
// "Name arguments -> result", so tests can count what a writer did.
#include <windows.h>

#include <fstream>
#include <mutex>
#include <sstream>

#include "export_guard.h"
#include "export_hiding.h"
#include "sf_edit_engine.h"
#include "sf_edit_engine_api.h"
#include "sim_config.h"

using namespace sfedit;
using namespace simcard;

namespace {

HMODULE self = nullptr;
SimConfig config;
std::mutex engineLock;
TEditEngine engine;
void* table[slot::TableSlots];

// A save that fails "midway" stops after the file's first bytes.
constexpr uint64_t FailingSaveBytes = 12;

void Log(const std::string& line) {
  if (config.sfedtLog.empty()) return;
  std::ofstream out(config.sfedtLog, std::ios::binary | std::ios::app);
  out << line << "\r\n";
}

std::string Text(const char* text) { return text == nullptr ? std::string("(null)") : std::string(text); }

// Runs one entry under the engine's lock; no exception leaves the library.
template <typename F>
int32_t Call(F f) {
  return AnswerOrFail<int32_t>(ResultFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(engineLock);
    return f();
  });
}

// Runs one entry and logs it with its arguments and result.
template <typename F>
int32_t Logged(const std::string& call, F f) {
  return Call([&]() -> int32_t {
    const int32_t result = f();
    Log(call + " -> " + std::to_string(result));
    return result;
  });
}

std::string Args(std::initializer_list<std::string> args) {
  std::string joined;
  for (const std::string& a : args) joined += " " + a;
  return joined;
}

std::string N(int64_t v) { return std::to_string(v); }
Handle Out(const Handle* h) { return h == nullptr ? 0 : *h; }

int32_t SFE_CALL EdCreate(Handle* sf) {
  return Call([&]() -> int32_t {
    if (config.sfedt.createFails && sf != nullptr) *sf = 0;
    const int32_t r = config.sfedt.createFails ? ResultFailed : engine.Create(sf);
    Log("Create -> " + N(r) + " sf " + N(Out(sf)));
    return r;
  });
}

int32_t SFE_CALL EdSetInfo(Handle sf, uint32_t field, const char* text) {
  return Logged("SetInfo" + Args({N(sf), N(field), Text(text)}), [&] { return engine.SetInfo(sf, field, text); });
}

int32_t SFE_CALL EdSave(Handle sf, const char* fileName) {
  return Logged("Save" + Args({N(sf), Text(fileName)}), [&] {
    engine.SaveByteLimit = config.sfedt.saveFails ? FailingSaveBytes : UINT64_MAX;
    return engine.Save(sf, fileName);
  });
}

int32_t SFE_CALL EdOpen(const char* fileName, Handle* sf) {
  return Call([&]() -> int32_t {
    const int32_t r = engine.Open(fileName, sf);
    Log("Open " + Text(fileName) + " -> " + N(r) + " sf " + N(Out(sf)));
    return r;
  });
}

int32_t SFE_CALL EdRead(Handle sf) {
  return Logged("Read" + Args({N(sf)}), [&] { return engine.Read(sf); });
}
int32_t SFE_CALL EdRelease(Handle sf) {
  return Logged("Release" + Args({N(sf)}), [&] { return engine.Release(sf); });
}
int32_t SFE_CALL EdClose(Handle sf) {
  return Logged("Close" + Args({N(sf)}), [&] { return engine.Close(sf); });
}
int32_t SFE_CALL EdSetUp(Handle sf, int32_t options) {
  return Logged("SetUp" + Args({N(sf), N(options)}), [&] { return engine.SetUp(sf, options); });
}

int32_t SFE_CALL EdFindPreset(Handle sf, int32_t bank, int32_t program, Handle* preset) {
  return Logged("FindPreset" + Args({N(sf), N(bank), N(program)}),
                [&] { return engine.FindPreset(sf, bank, program, preset); });
}

int32_t SFE_CALL EdAddPreset(Handle sf, const char* name, int32_t bank, int32_t program, Handle source,
                             Handle* preset) {
  return Logged("AddPreset" + Args({N(sf), Text(name), N(bank), N(program)}),
                [&] { return engine.AddPreset(sf, name, bank, program, source, preset); });
}

int32_t SFE_CALL EdCopyPreset(Handle source, Handle preset, Handle target, int32_t bank, int32_t program,
                              const char* name, Handle* copy) {
  return Logged("CopyPreset" + Args({N(source), N(target), N(bank), N(program), Text(name)}),
                [&] { return engine.CopyPreset(source, preset, target, bank, program, name, copy); });
}

int32_t SFE_CALL EdFirstSample(Handle sf, Handle* walk) {
  return Call([&] { return engine.FirstSample(sf, walk); });
}
int32_t SFE_CALL EdNextSample(Handle sf, Handle* walk) {
  return Call([&] { return engine.NextSample(sf, walk); });
}
int32_t SFE_CALL EdSampleAt(Handle sf, Handle walk, Handle* sample) {
  return Call([&] { return engine.SampleAt(sf, walk, sample); });
}
int32_t SFE_CALL EdSampleName(Handle sf, Handle sample, char* buffer, uint32_t size) {
  return Call([&] { return engine.SampleName(sf, sample, buffer, size); });
}
int32_t SFE_CALL EdRenameSample(Handle sf, Handle sample, const char* name) {
  return Call([&] { return engine.RenameSample(sf, sample, name); });
}
int32_t SFE_CALL EdFirstInstrument(Handle sf, Handle* walk) {
  return Call([&] { return engine.FirstInstrument(sf, walk); });
}
int32_t SFE_CALL EdNextInstrument(Handle sf, Handle* walk) {
  return Call([&] { return engine.NextInstrument(sf, walk); });
}
int32_t SFE_CALL EdInstrumentAt(Handle sf, Handle walk, Handle* instrument) {
  return Call([&] { return engine.InstrumentAt(sf, walk, instrument); });
}
int32_t SFE_CALL EdInstrumentName(Handle sf, Handle instrument, char* buffer, uint32_t size) {
  return Call([&] { return engine.InstrumentName(sf, instrument, buffer, size); });
}
int32_t SFE_CALL EdRenameInstrument(Handle sf, Handle instrument, const char* name) {
  return Call([&] { return engine.RenameInstrument(sf, instrument, name); });
}

int32_t SFE_CALL EdImportWave(Handle sf, const char* fileName, const char* sampleName, Handle* sample) {
  return Logged("ImportWave" + Args({N(sf), Text(fileName), Text(sampleName)}), [&]() -> int32_t {
    if (config.sfedt.importFails) return ResultUnsupportedWave;
    return engine.ImportWave(sf, fileName, sampleName, sample);
  });
}

int32_t SFE_CALL EdRightSample(Handle sf, Handle sample, Handle* right) {
  return Call([&] { return engine.RightSample(sf, sample, right); });
}
int32_t SFE_CALL EdAddInstrument(Handle sf, const char* name, Handle* instrument) {
  return Logged("AddInstrument" + Args({N(sf), Text(name)}),
                [&] { return engine.AddInstrument(sf, name, instrument); });
}
int32_t SFE_CALL EdAddZone(Handle sf, Handle instrument, Handle sample, Handle* zone) {
  return Call([&] { return engine.AddZone(sf, instrument, sample, zone); });
}
int32_t SFE_CALL EdAddRightZone(Handle sf, Handle instrument, Handle sample, Handle* zone) {
  return Call([&] { return engine.AddRightZone(sf, instrument, sample, zone); });
}
int32_t SFE_CALL EdSetGenerator(Handle sf, Handle zone, uint16_t generator, int16_t amount) {
  return Logged("SetGenerator" + Args({N(sf), N(generator), N(amount)}),
                [&] { return engine.SetGenerator(sf, zone, generator, amount); });
}

int32_t SFE_CALL Unused() { return ResultFailed; }

void Put(size_t offset, void* proc) { table[SlotIndex(offset)] = proc; }

template <typename Proc>
void* P(Proc proc) {
  return reinterpret_cast<void*>(proc);
}

void BuildTable() {
  for (void*& entry : table) entry = P(&Unused);
  Put(slot::Create, P(&EdCreate));
  Put(slot::SetInfo, P(&EdSetInfo));
  Put(slot::Save, P(&EdSave));
  Put(slot::Open, P(&EdOpen));
  Put(slot::Release, P(&EdRelease));
  Put(slot::Close, P(&EdClose));
  Put(slot::Read, P(&EdRead));
  Put(slot::FindPreset, P(&EdFindPreset));
  Put(slot::SampleAt, P(&EdSampleAt));
  Put(slot::AddPreset, P(&EdAddPreset));
  Put(slot::SampleName, P(&EdSampleName));
  Put(slot::FirstSample, P(&EdFirstSample));
  Put(slot::NextSample, P(&EdNextSample));
  Put(slot::AddInstrument, P(&EdAddInstrument));
  Put(slot::RenameSample, P(&EdRenameSample));
  Put(slot::AddZone, P(&EdAddZone));
  Put(slot::AddRightZone, P(&EdAddRightZone));
  Put(slot::SetGenerator, P(&EdSetGenerator));
  Put(slot::FirstInstrument, P(&EdFirstInstrument));
  Put(slot::NextInstrument, P(&EdNextInstrument));
  Put(slot::InstrumentAt, P(&EdInstrumentAt));
  Put(slot::InstrumentName, P(&EdInstrumentName));
  Put(slot::RightSample, P(&EdRightSample));
  Put(slot::RenameInstrument, P(&EdRenameInstrument));
  Put(slot::ImportWave, P(&EdImportWave));
  Put(slot::SetUp, P(&EdSetUp));
  Put(slot::CopyPreset, P(&EdCopyPreset));
}

bool Refused(uint32_t version) {
  for (uint32_t refused : config.sfedt.refusedVersions) {
    if (refused == version) return true;
  }
  return false;
}

// The finished file takes the target's place in one step; an existing target stays whole until then.
bool ReplaceTarget(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

extern "C" {

int32_t SFE_CALL SFEditEngine(uint32_t version, void** entries) {
  return Logged("SFEditEngine" + Args({N(version)}), [&]() -> int32_t {
    if (entries == nullptr) return ResultBadArgument;
    if (version != ApiVersion || Refused(version)) return ResultFailed;
    *entries = table;
    return ResultOk;
  });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // A library that cannot set itself up (or is told to) refuses to load.
  return AnswerOrFail<BOOL>(FALSE, [&]() -> BOOL {
    self = instance;
    config = ReadSimConfig(self);
    if (config.sfedt.refuseLoad) return FALSE;
    engine.ReplaceFile = ReplaceTarget;
    BuildTable();
    for (const std::string& name : config.sfedt.hiddenExports) HideExport(self, name.c_str());
    return TRUE;
  });
}

}  // extern "C"
