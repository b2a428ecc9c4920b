#pragma once
// Our declarations of what the program uses of a device-manager library with one command entry
// (the E-mu APS card's "EAPSMAN.DLL"): command numbers and the records they exchange.
#include <windows.h>
#include <cstddef>
#include <cstdint>

namespace aps {

constexpr const char* LibraryName = "EAPSMAN.DLL";
constexpr const char* EntryName = "EmuAPSManager";

// entry(handle, command, p1, p2) -> result. p1 and p2 carry numbers or addresses, so they are
// pointer-sized; handle is 0 for commands that need no open device.
using EntryProc = uint32_t(WINAPI*)(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2);

enum Command : uint32_t {
  CmdOpen = 101,
  CmdClose = 102,
  CmdGetNumDevs = 104,
  CmdGetDevCaps = 106,
  CmdLoadPreset = 206,
  CmdClearPreset = 207,
  CmdLoadWave = 209,
  CmdGetPresetName = 307,
  CmdQueryMemory = 308,
  CmdStatus = 312,
};

constexpr size_t FileChars = 1023;

#pragma pack(push, 1)
// Capabilities of a device; the name lies in bytes 26 to 57.
struct APSDevCaps {
  uint8_t header[26];
  char name[32];
  uint8_t rest[280];
};
static_assert(offsetof(APSDevCaps, name) == 26, "caps name at byte 26");
static_assert(sizeof(APSDevCaps) == 338, "caps record is 338 bytes");

// Preset load: source location in the file, destination location in the device, file name.
struct APSPresetLoad {
  uint16_t sourceBank;
  uint16_t sourceProgram;
  uint16_t bank;
  uint16_t program;
  char file[FileChars + 1];
};
static_assert(sizeof(APSPresetLoad) == 1032, "preset load record size");

// Wave load: destination location and file name.
struct APSWaveLoad {
  uint16_t bank;
  uint16_t program;
  char file[FileChars + 1];
};
static_assert(sizeof(APSWaveLoad) == 1028, "wave load record size");

// Answer of the name query: found is nonzero when a preset sits at the location.
struct APSPresetNameBlock {
  uint32_t found;
  char name[40];
};
static_assert(sizeof(APSPresetNameBlock) == 44, "name block size");
#pragma pack(pop)

// A device location travels as one 32-bit value: bank in the low word, program in the high word.
inline uint32_t PackLocation(uint16_t bank, uint16_t program) {
  return static_cast<uint32_t>(bank) | (static_cast<uint32_t>(program) << 16);
}
inline uint16_t LocationBank(UINT_PTR packed) { return static_cast<uint16_t>(packed & 0xFFFF); }
inline uint16_t LocationProgram(UINT_PTR packed) { return static_cast<uint16_t>((packed >> 16) & 0xFFFF); }

}  // namespace aps
