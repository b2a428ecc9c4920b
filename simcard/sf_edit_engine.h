#pragma once
// The edit engine behind the stand-in "sfedt32.dll": SoundFonts in memory reached through numbered
// handles, every entry point of the table as a method with the table's arguments and results.
// A handle is checked for its kind and its SoundFont before use, so a stale or foreign handle is
// an answer, never a crash. Not thread-safe: the library serialises the calls.
// Standard C++ only: the fuzz target builds it natively.
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sf_edit_engine_api.h"
#include "sf_edit_model.h"

namespace sfedit {

class TEditEngine {
 public:
  // Puts a finished file in place of the target; std::rename unless set.
  std::function<bool(const std::string& from, const std::string& to)> ReplaceFile;
  // Bytes a save may write before it fails as on a full disk (an injected fault).
  uint64_t SaveByteLimit = UINT64_MAX;

  Result Create(Handle* sf);
  Result SetUp(Handle sf, int32_t options);
  Result SetInfo(Handle sf, uint32_t field, const char* text);
  Result Save(Handle sf, const char* fileName);
  Result Open(const char* fileName, Handle* sf);
  // Reading a SoundFont from a stream of ours (the fuzz target): as Open then Read.
  Result OpenStream(std::shared_ptr<std::istream> stream, Handle* sf);
  Result Read(Handle sf);
  Result Release(Handle sf);
  Result Close(Handle sf);

  Result FindPreset(Handle sf, int32_t bank, int32_t program, Handle* preset);
  Result AddPreset(Handle sf, const char* name, int32_t bank, int32_t program, Handle source, Handle* preset);
  Result CopyPreset(Handle source, Handle preset, Handle target, int32_t bank, int32_t program, const char* name,
                    Handle* copy);

  Result FirstSample(Handle sf, Handle* walk);
  Result NextSample(Handle sf, Handle* walk);
  Result SampleAt(Handle sf, Handle walk, Handle* sample);
  Result SampleName(Handle sf, Handle sample, char* buffer, uint32_t size);
  Result RenameSample(Handle sf, Handle sample, const char* name);
  Result FirstInstrument(Handle sf, Handle* walk);
  Result NextInstrument(Handle sf, Handle* walk);
  Result InstrumentAt(Handle sf, Handle walk, Handle* instrument);
  Result InstrumentName(Handle sf, Handle instrument, char* buffer, uint32_t size);
  Result RenameInstrument(Handle sf, Handle instrument, const char* name);

  Result ImportWave(Handle sf, const char* fileName, const char* sampleName, Handle* sample);
  Result RightSample(Handle sf, Handle sample, Handle* right);
  Result AddInstrument(Handle sf, const char* name, Handle* instrument);
  Result AddZone(Handle sf, Handle instrument, Handle sample, Handle* zone);
  Result AddRightZone(Handle sf, Handle instrument, Handle sample, Handle* zone);
  Result SetGenerator(Handle sf, Handle zone, uint16_t generator, int16_t amount);

  // The SoundFont behind a handle, for tests and the fuzz target; null when there is none.
  const TSoundFont* SoundFontOf(Handle sf) const;

 private:
  enum class TKind { Preset, Instrument, Sample, Zone, SampleWalk, InstrumentWalk };

  struct TEntry {
    TKind Kind;
    Handle SoundFont;
    void* Object;  // the preset, instrument or sample; the instrument of a zone
    size_t Index;  // the zone's index, the walk's position
  };

  struct TOpenSoundFont {
    TSoundFont Data;
    std::shared_ptr<std::istream> File;  // of an opened file until it is released
    bool Read = true;
    std::vector<Handle> Handles;                       // every handle given for it
    std::map<const void*, Handle> ObjectHandles;       // one handle per preset, instrument, sample
  };

  Handle NewHandle();
  Handle NewSoundFont(std::unique_ptr<TOpenSoundFont> sf);
  Handle NewEntry(Handle sf, TKind kind, void* object, size_t index = 0);
  Handle ObjectHandle(Handle sf, TKind kind, void* object);
  TOpenSoundFont* Find(Handle sf);
  Result ReadySoundFont(Handle sf, TOpenSoundFont*& open);
  TEntry* FindEntry(Handle sf, Handle item, TKind kind);
  void Forget(Handle sf, const void* object);
  Result Walk(Handle sf, Handle* walk, bool first, TKind kind, Result end);
  Result ItemAt(Handle sf, Handle walk, TKind walkKind, TKind itemKind, Handle* item);
  Result AddZoneFor(Handle sf, Handle instrument, Handle sample, bool right, Handle* zone);

  std::unordered_map<Handle, std::unique_ptr<TOpenSoundFont>> FSoundFonts;
  std::unordered_map<Handle, TEntry> FEntries;
  std::unordered_set<Handle> FClosed;  // SoundFonts closed: releasing them is no fault
  Handle FNext = 1;
};

}  // namespace sfedit
