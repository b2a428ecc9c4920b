#pragma once
// The winmm MIDI entry points the ports use, as one table. It is winmm until a program or a test
// binds another table (a stand-in bus, a fault-injecting wrapper).
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

struct TMidiApi {
  UINT(WINAPI* InGetNumDevs)();
  MMRESULT(WINAPI* InGetDevCapsA)(UINT_PTR deviceId, LPMIDIINCAPSA caps, UINT size);
  MMRESULT(WINAPI* InOpen)(LPHMIDIIN handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
  MMRESULT(WINAPI* InClose)(HMIDIIN handle);
  MMRESULT(WINAPI* InStart)(HMIDIIN handle);
  MMRESULT(WINAPI* InStop)(HMIDIIN handle);
  // Driver messages to an input device (the loopback ports' companion driver listens to these).
  MMRESULT(WINAPI* InMessage)(HMIDIIN handle, UINT msg, DWORD_PTR param1, DWORD_PTR param2);
  MMRESULT(WINAPI* Connect)(HMIDI input, HMIDIOUT output, LPVOID reserved);
  MMRESULT(WINAPI* Disconnect)(HMIDI input, HMIDIOUT output, LPVOID reserved);
  UINT(WINAPI* OutGetNumDevs)();
  MMRESULT(WINAPI* OutGetDevCapsA)(UINT_PTR deviceId, LPMIDIOUTCAPSA caps, UINT size);
  MMRESULT(WINAPI* OutOpen)(LPHMIDIOUT handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
  MMRESULT(WINAPI* OutClose)(HMIDIOUT handle);
  MMRESULT(WINAPI* OutShortMsg)(HMIDIOUT handle, DWORD msg);
};

// The table in use; winmm until bound otherwise.
const TMidiApi& MidiApi();
void SetMidiApi(const TMidiApi& api);  // the table is copied
// Binds a table that lives as long as the program (not copied).
void UseMidiApi(const TMidiApi& api);

const TMidiApi& WinmmMidiApi();

// Results of the port classes.
enum : unsigned {
  MIDI_RESULT_OK = 0,
  MIDI_RESULT_BAD_INDEX = 2,
  MIDI_RESULT_NO_SUCH_NAME = 3,
  MIDI_RESULT_CALL_FAILED = 100,
};

// Keeps r as the port's last result; MIDI_RESULT_CALL_FAILED unless it is success.
unsigned MidiResult(MMRESULT r, uint32_t& lastResult);

// Name and lookup of a device through the bound table, shared by both port classes.
// A device's name is its product name, at most 32 characters (never read past the caps field).
unsigned MidiDeviceName(bool output, int index, std::string& name, uint32_t& lastResult);
// Every device's name in device order, "<index> <name>" when numbered; a device whose capabilities cannot
// be read is left out.
void MidiDeviceNames(bool output, std::vector<std::string>& names, bool numbered, uint32_t& lastResult);
// The last device whose name equals name exactly.
unsigned MidiDeviceIndexOf(bool output, const std::string& name, int& index, uint32_t& lastResult);
