#pragma once
// The MIDI mapper's current instrument, whose route serves the Winamp plug-in's requests.
#include <string>

// HKCU "...\Multimedia\MIDIMap" value "CurrentInstrument", then the friendly name stored for that
// instrument under HKLM "...\MediaResources\MIDI\" (the instrument name itself when there is none).
// Empty when no instrument is set. The system's keys are only read, never written.
std::string MidiMapperInputName();
