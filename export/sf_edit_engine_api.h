#pragma once
// Our declarations of what the tools program uses of the SoundFont Edit Engine library
// "sfedt32.dll": the export that hands out the table of entry points for a version, the byte
// offsets of the table slots the writer calls, their argument lists and the result codes it relies
// on. The stand-in engine and the wrapper both build on this one header.
//
// Handles are 32-bit numbers the engine gives out, never 0, and never given out twice in a process:
// a SoundFont ("sf"), a preset, an instrument, a sample, an instrument zone, and the positions of
// the sample and instrument walks are each their own kind of handle; a call given a handle of the
// wrong kind, or one that has ended, answers ResultBadHandle. Every handle other than a SoundFont
// belongs to the SoundFont it was given for and is only good together with it.
//
// Texts are NUL-terminated byte strings in the system code page; names of presets, instruments and
// samples hold at most 20 characters (longer ones are cut), INFO texts at most 255.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define SFE_CALL __stdcall
#else
#define SFE_CALL
#endif

namespace sfedit {

constexpr const char* LibraryName = "sfedt32.dll";
constexpr const char* EntryName = "SFEditEngine";
constexpr uint32_t ApiVersion = 0x10000;

using Handle = uint32_t;
constexpr size_t NameChars = 20;
constexpr size_t InfoChars = 255;

// Results of every entry point.
enum Result : int32_t {
  ResultOk = 0,
  ResultFailed = 1,          // the engine refused (also every injected fault)
  ResultBadHandle = 2,       // no such handle of that kind, or not of that SoundFont
  ResultBadArgument = 3,     // null pointer, zero-sized buffer, number out of range
  ResultNoMemory = 4,
  ResultNoFile = 100,        // a file cannot be opened
  ResultDamagedFile = 101,   // not a SoundFont 2 file, or damaged
  ResultUnsupportedWave = 102,  // not 8/16-bit PCM mono or stereo, or damaged
  ResultWriteFailed = 103,   // the file cannot be written whole (full disk, no access); nothing left behind
  ResultTooComplex = 104,    // counts or sizes beyond what an SF2 file can hold
  ResultNotRead = 105,       // the opened file has not been read yet
  ResultNoMoreSamples = 401,
  ResultNoMoreInstruments = 605,
};

// INFO fields set through SetInfo.
enum InfoField : uint32_t {
  InfoSoundEngine = 1,  // isng
  InfoRom = 2,          // irom
  InfoEngineer = 3,     // IENG
  InfoProduct = 4,      // IPRD
  InfoName = 5,         // INAM
  InfoCopyright = 6,    // ICOP
  InfoComment = 7,      // ICMT
  InfoSoftware = 8,     // ISFT
  InfoCreationDate = 9  // ICRD
};

// SF2 generators the writer sets on zones.
constexpr uint16_t GeneratorPan = 17;  // amount -500 (left) .. +500 (right), in 0.1 %

// The argument of SetUp that asks for every default.
constexpr int32_t SetUpDefaults = -1;

// "SFEditEngine"(version, out table): 0 when the version is served; table then points to the
// engine's table of entry points.
using EntryProc = int32_t(SFE_CALL*)(uint32_t version, void** table);

// Byte offsets of the slots in the table of 4-byte entries; on a 64-bit build the entries are
// pointer-sized, so a slot is found by its offset divided by 4.
namespace slot {
constexpr size_t Create = 0x000;            // CreateProc
constexpr size_t SetInfo = 0x008;           // SetInfoProc
constexpr size_t Save = 0x00C;              // SaveProc
constexpr size_t Open = 0x018;              // OpenProc
constexpr size_t Release = 0x01C;           // SoundFontProc
constexpr size_t Close = 0x020;             // SoundFontProc
constexpr size_t Read = 0x028;              // SoundFontProc
constexpr size_t FindPreset = 0x038;        // FindPresetProc
constexpr size_t SampleAt = 0x048;          // ItemAtProc
constexpr size_t AddPreset = 0x054;         // AddPresetProc
constexpr size_t SampleName = 0x060;        // GetNameProc
constexpr size_t FirstSample = 0x0FC;       // WalkProc (ResultNoMoreSamples at the end)
constexpr size_t NextSample = 0x100;        // WalkProc (ResultNoMoreSamples at the end)
constexpr size_t AddInstrument = 0x10C;     // AddInstrumentProc
constexpr size_t RenameSample = 0x118;      // SetNameProc
constexpr size_t AddZone = 0x11C;           // AddZoneProc
constexpr size_t AddRightZone = 0x150;      // AddZoneProc
constexpr size_t SetGenerator = 0x168;      // SetGeneratorProc
constexpr size_t FirstInstrument = 0x1AC;   // WalkProc (ResultNoMoreInstruments at the end)
constexpr size_t NextInstrument = 0x1B0;    // WalkProc (ResultNoMoreInstruments at the end)
constexpr size_t InstrumentAt = 0x1B4;      // ItemAtProc
constexpr size_t InstrumentName = 0x1B8;    // GetNameProc
constexpr size_t RightSample = 0x1BC;       // RightSampleProc
constexpr size_t RenameInstrument = 0x1D0;  // SetNameProc
constexpr size_t ImportWave = 0x1E8;        // ImportWaveProc
constexpr size_t SetUp = 0x1F4;             // SetUpProc
constexpr size_t CopyPreset = 0x200;        // CopyPresetProc
constexpr size_t TableSlots = 0x204 / 4;
}  // namespace slot

// Create: a new empty SoundFont with default INFO (ifil 2.1, isng "EMU8000", INAM "Untitled").
using CreateProc = int32_t(SFE_CALL*)(Handle* sf);
// SetInfo: sets an INFO field (InfoField) of sf to text; an empty text removes an optional field.
using SetInfoProc = int32_t(SFE_CALL*)(Handle sf, uint32_t field, const char* text);
// Save: writes sf as an SF2 file. The file is written beside the target and put in its place only
// when whole, so a failing save leaves an existing file as it was and no partial file.
using SaveProc = int32_t(SFE_CALL*)(Handle sf, const char* fileName);
// Open: a SoundFont on an .sf2 file (the file is opened, nothing read yet); Read then reads and
// checks it (ResultDamagedFile when it is not whole; the sf stays empty).
using OpenProc = int32_t(SFE_CALL*)(const char* fileName, Handle* sf);
// Read, Close, Release take the SoundFont alone. Close frees its content, ends it and every handle
// given for it; Release lets go of the file an opened sf holds (copies made from it keep what they
// need). Release of a SoundFont already closed answers ResultOk.
using SoundFontProc = int32_t(SFE_CALL*)(Handle sf);
// SetUp: gives a new sf its defaults; options SetUpDefaults (-1) for all of them.
using SetUpProc = int32_t(SFE_CALL*)(Handle sf, int32_t options);

// FindPreset: the preset of sf at bank (128: drum kits) and program; *preset = 0 (and
// ResultFailed) when there is none.
using FindPresetProc = int32_t(SFE_CALL*)(Handle sf, int32_t bank, int32_t program, Handle* preset);
// AddPreset: a new preset of sf at bank and program named name, with one zone playing source: an
// instrument of sf, or a sample of sf (the engine then adds an instrument on it, named as the sample).
// A preset already at bank:program of sf is replaced. Banks 0..128, programs 0..127.
using AddPresetProc = int32_t(SFE_CALL*)(Handle sf, const char* name, int32_t bank, int32_t program, Handle source,
                                         Handle* preset);
// CopyPreset: a deep copy of preset of source into target at bank and program, named name (empty:
// the preset's own name): its instruments and samples become new ones of target, never merged with
// any target already has, whatever their names. A preset already at bank:program of target is
// replaced; bank and program as for AddPreset (else ResultBadArgument). *copy receives the new
// preset (may be null). Points still in an opened file are read from it now (ResultNoFile when
// the file was released or is cut short).
using CopyPresetProc = int32_t(SFE_CALL*)(Handle source, Handle preset, Handle target, int32_t bank,
                                          int32_t program, const char* name, Handle* copy);

// Walks: First sets *walk to the position of the first sample (instrument) of sf; Next moves *walk
// on to the next one. At the end the walk answers ResultNoMoreSamples (ResultNoMoreInstruments)
// and leaves *walk as it was. Walks are in the order the items were added (a read file: its order).
using WalkProc = int32_t(SFE_CALL*)(Handle sf, Handle* walk);
// SampleAt / InstrumentAt: the sample (instrument) at a walk position.
using ItemAtProc = int32_t(SFE_CALL*)(Handle sf, Handle walk, Handle* item);
// SampleName / InstrumentName: the name into buffer of size bytes, NUL-terminated and cut to fit.
using GetNameProc = int32_t(SFE_CALL*)(Handle sf, Handle item, char* buffer, uint32_t size);
// RenameSample / RenameInstrument: a new name (cut to 20 characters).
using SetNameProc = int32_t(SFE_CALL*)(Handle sf, Handle item, const char* name);

// ImportWave: a .wav file (PCM, 8 or 16 bits, mono or stereo) as a new sample of sf named
// sampleName; *sample is the mono sample, or the left one of a stereo pair, whose right one
// RightSample gives. Anything else answers ResultUnsupportedWave (a file that cannot be opened
// ResultNoFile) and adds nothing.
using ImportWaveProc = int32_t(SFE_CALL*)(Handle sf, const char* fileName, const char* sampleName, Handle* sample);
// RightSample: ResultOk (0) and *right = the linked right sample when sample is the left one of a
// stereo pair; ResultFailed for a mono (or right) sample.
using RightSampleProc = int32_t(SFE_CALL*)(Handle sf, Handle sample, Handle* right);

// AddInstrument: a new instrument of sf named name, without zones.
using AddInstrumentProc = int32_t(SFE_CALL*)(Handle sf, const char* name, Handle* instrument);
// AddZone: a zone of instrument playing sample (mono or left). AddRightZone: the same for the
// right sample of a stereo pair (ResultFailed for any other sample). *zone receives the zone.
using AddZoneProc = int32_t(SFE_CALL*)(Handle sf, Handle instrument, Handle sample, Handle* zone);
// SetGenerator: sets generator (GeneratorPan, ...) of an instrument zone to a signed amount.
using SetGeneratorProc = int32_t(SFE_CALL*)(Handle sf, Handle zone, uint16_t generator, int16_t amount);

constexpr size_t SlotIndex(size_t byteOffset) { return byteOffset / 4; }

// The entry point at a slot of a table handed out by the engine, as the procedure type it is
// called through.
template <typename Proc>
Proc Slot(void* table, size_t byteOffset) {
  return reinterpret_cast<Proc>(static_cast<void**>(table)[SlotIndex(byteOffset)]);
}

}  // namespace sfedit
