#pragma once
// Our declarations of what the program uses of the SoundFont Manager library "SFMAN32.DLL":
// the entry that hands out an API table per version, the records those tables exchange, and
// the byte offsets of the table slots we call. Nothing here goes beyond what the program needs.
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sfman {

constexpr const char* LibraryName = "SFMAN32.DLL";
constexpr const char* EntryName = "SFManager";
constexpr const char* RegisterDeviceName = "SF_RegisterDevice";
constexpr const char* UnRegisterDeviceName = "SF_UnRegisterDevice";
// The AudioHQ cache limit of a device (the sample memory the manager may take): no table slot of
// either API carries it, so it goes through two plain exports found by name. A library without
// them answers 500 through GetProcAddress instead of a call into an unknown table slot.
constexpr const char* GetCacheLimitName = "SF_GetCacheLimit";
constexpr const char* SetCacheLimitName = "SF_SetCacheLimit";

constexpr uint32_t GeneralApiVersion = 0x10001;
constexpr uint32_t TenKApiVersion = 0x50000;

constexpr uint16_t DrumBank = 32768;
constexpr size_t PathChars = 1023;

#pragma pack(push, 1)
// Bank and program of a preset in a device (the drum-kit bank is 32768), or of a preset in a file.
struct SFLocation {
  uint16_t bank;
  uint16_t program;
};
static_assert(sizeof(SFLocation) == 4, "location is two words");

// A file name or a preset name with its length; the text holds at most 1023 characters.
struct SFPathBuffer {
  uint32_t length;
  char text[PathChars + 1];
};
static_assert(sizeof(SFPathBuffer) == 1028, "length + 1024 characters");

// Capabilities of a device of the general API; the name lies in bytes 22 to 61.
struct SFDevCaps {
  uint32_t structSize;
  uint32_t deviceType;
  uint8_t reserved[14];
  char name[40];
  uint8_t pad[2];
};
static_assert(offsetof(SFDevCaps, name) == 22, "caps name at byte 22");
static_assert(sizeof(SFDevCaps) == 64, "caps record size");

// One loaded item of a 10k-family device: the handle and where it sits.
struct SF10kItem {
  int32_t handle;
  SFLocation location;
};
static_assert(sizeof(SF10kItem) == 8, "item record size");

// The 40-byte record with which a driver library is registered as a SoundFont device.
struct DriverRecord {
  char fileName[20];
  char entryName[20];
};
static_assert(sizeof(DriverRecord) == 40, "driver registration record is 40 bytes");
#pragma pack(pop)

// "SFManager"(version, out table): 0 when the version is served.
using EntryProc = int32_t(__cdecl*)(uint32_t version, void** table);
// "SF_RegisterDevice" / "SF_UnRegisterDevice": C calling convention, the caller removes the argument.
using RegisterProc = int32_t(__cdecl*)(const DriverRecord* record);
using GetCacheLimitProc = int32_t(__cdecl*)(uint16_t device, uint32_t* bytes);
using SetCacheLimitProc = int32_t(__cdecl*)(uint16_t device, uint32_t bytes);

// Table slots are given as byte offsets into a table of 4-byte entries; on a 64-bit build the
// entries are pointer-sized, so a slot is found by its offset divided by 4.
constexpr size_t SlotIndex(size_t byteOffset) { return byteOffset / 4; }

template <typename Proc>
Proc Slot(void* table, size_t byteOffset) {
  return reinterpret_cast<Proc>(static_cast<void**>(table)[SlotIndex(byteOffset)]);
}

// General API (version 0x10001).
namespace general {
constexpr size_t GetNumDevs = 0x00, GetDevCaps = 0x04, Open = 0x10, Close = 0x14, QueryMemory = 0x1C,
                 LoadPreset = 0x3C, GetPresetName = 0x40, ClearPreset = 0x44, LoadWave = 0x48;
constexpr size_t TableSlots = 0x4C / 4;
using GetNumDevsProc = int32_t(WINAPI*)(uint16_t* count);
using GetDevCapsProc = int32_t(WINAPI*)(uint16_t index, SFDevCaps* caps);
using DeviceProc = int32_t(WINAPI*)(uint16_t device);
using QueryMemoryProc = int32_t(WINAPI*)(uint16_t device, uint32_t* total, uint32_t* free);
using LoadPresetProc = int32_t(WINAPI*)(uint16_t device, const SFLocation* source, const SFLocation* target,
                                        const SFPathBuffer* file);
using GetPresetNameProc = int32_t(WINAPI*)(uint16_t device, const SFLocation* location, SFPathBuffer* name);
using ClearPresetProc = int32_t(WINAPI*)(uint16_t device, const SFLocation* location);
using LoadWaveProc = int32_t(WINAPI*)(uint16_t device, const SFLocation* location, const SFPathBuffer* file);
}  // namespace general

// 10k-family API (version 0x50000).
namespace tenk {
constexpr size_t QueryFree = 0x18, ClearItem = 0x20, FirstItem = 0x24, NextItem = 0x28, LoadPreset = 0x34,
                 ItemName = 0x3C, LoadWave = 0x48, QueryDevice = 0x60;
constexpr size_t TableSlots = 0x64 / 4;
using QueryDeviceProc = int32_t(WINAPI*)(uint32_t device, uint32_t* total);
using QueryFreeProc = int32_t(WINAPI*)(uint32_t device, uint32_t zero, uint32_t* scratch, uint32_t* free);
using ClearItemProc = int32_t(WINAPI*)(uint32_t device, int32_t handle);
using FirstItemProc = int32_t(WINAPI*)(uint32_t device, uint16_t bank, SF10kItem* item);
using NextItemProc = int32_t(WINAPI*)(uint32_t device, int32_t previous, SF10kItem* item);
using LoadPresetProc = int32_t(WINAPI*)(uint32_t device, const SFLocation* source, const SFLocation* target,
                                        const SFPathBuffer* file, int32_t* handle);
using ItemNameProc = int32_t(WINAPI*)(uint32_t device, int32_t handle, SFPathBuffer* name);
using LoadWaveProc = int32_t(WINAPI*)(uint32_t device, const SFLocation* location, const SFPathBuffer* file);
}  // namespace tenk

inline SFLocation MakeLocation(int32_t bank, int32_t program) {
  return {static_cast<uint16_t>(bank), static_cast<uint16_t>(program)};
}

// An export of a library as the procedure type it is called through; null when missing.
template <typename Proc>
Proc ExportOf(HMODULE library, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Fills a path or name buffer; longer texts are cut at 1023 characters.
inline void FillPathBuffer(SFPathBuffer& buffer, const char* text) {
  size_t n = 0;
  while (text[n] != '\0' && n < PathChars) {
    buffer.text[n] = text[n];
    ++n;
  }
  buffer.text[n] = '\0';
  buffer.length = static_cast<uint32_t>(n);
}

inline SFPathBuffer MakePath(const std::string& file) {
  SFPathBuffer buffer;
  FillPathBuffer(buffer, file.c_str());
  return buffer;
}

}  // namespace sfman
