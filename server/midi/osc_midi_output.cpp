#include "osc_midi_output.h"

TOSC_MIDIOutput::~TOSC_MIDIOutput() {
  if (Opened) Close();
}

unsigned TOSC_MIDIOutput::Result(MMRESULT r) { return MidiResult(r, LastResult); }

unsigned TOSC_MIDIOutput::GetNumDevs() { return MidiApi().OutGetNumDevs(); }

unsigned TOSC_MIDIOutput::GetDeviceName(int index, std::string& name) {
  return MidiDeviceName(true, index, name, LastResult);
}

void TOSC_MIDIOutput::GetDeviceNames(std::vector<std::string>& names, bool numbered) {
  MidiDeviceNames(true, names, numbered, LastResult);
}

unsigned TOSC_MIDIOutput::IndexOf(const std::string& name, int& index) {
  return MidiDeviceIndexOf(true, name, index, LastResult);
}

unsigned TOSC_MIDIOutput::Open(int index) {
  if (index < 0 || static_cast<unsigned>(index) >= GetNumDevs()) return MIDI_RESULT_BAD_INDEX;
  if (Opened) {
    unsigned r = Close();
    if (r != MIDI_RESULT_OK) return r;
  }
  HMIDIOUT handle = nullptr;
  unsigned r = Result(MidiApi().OutOpen(&handle, static_cast<UINT>(index), 0, 0, CALLBACK_NULL));
  if (r != MIDI_RESULT_OK) return r;
  Handle = handle;
  DeviceIndex = static_cast<uint32_t>(index);
  Opened = 1;
  return MIDI_RESULT_OK;
}

unsigned TOSC_MIDIOutput::Close() {
  if (!Opened) return MIDI_RESULT_OK;
  unsigned r = Result(MidiApi().OutClose(Handle));
  if (r != MIDI_RESULT_OK) return r;
  Opened = 0;
  Handle = nullptr;
  return MIDI_RESULT_OK;
}

unsigned TOSC_MIDIOutput::ShortMsg(uint8_t status, uint8_t data1, uint8_t data2) {
  DWORD packed = static_cast<DWORD>(status) | (static_cast<DWORD>(data1) << 8) | (static_cast<DWORD>(data2) << 16);
  return Result(MidiApi().OutShortMsg(Handle, packed));
}
