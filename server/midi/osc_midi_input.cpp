#include "osc_midi_input.h"

TOSC_MIDIInput::TOSC_MIDIInput() : SelfRef(this) {}

TOSC_MIDIInput::~TOSC_MIDIInput() {
  if (Started) Stop();
  if (Opened) Close();
}

void TOSC_MIDIInput::OnMessage(TOSC_MIDIMessage* message) { delete message; }

unsigned TOSC_MIDIInput::Result(MMRESULT r) { return MidiResult(r, LastResult); }

unsigned TOSC_MIDIInput::GetNumDevs() { return MidiApi().InGetNumDevs(); }

unsigned TOSC_MIDIInput::GetDeviceName(int index, std::string& name) {
  return MidiDeviceName(false, index, name, LastResult);
}

void TOSC_MIDIInput::GetDeviceNames(std::vector<std::string>& names, bool numbered) {
  MidiDeviceNames(false, names, numbered, LastResult);
}

unsigned TOSC_MIDIInput::IndexOf(const std::string& name, int& index) {
  return MidiDeviceIndexOf(false, name, index, LastResult);
}

unsigned TOSC_MIDIInput::Open(int index) {
  if (Opened) {
    unsigned r = Close();
    if (r != MIDI_RESULT_OK) return r;
  }
  if (index < 0 || static_cast<unsigned>(index) >= GetNumDevs()) return MIDI_RESULT_BAD_INDEX;
  HMIDIIN handle = nullptr;
  unsigned r = Result(MidiApi().InOpen(&handle, static_cast<UINT>(index), reinterpret_cast<DWORD_PTR>(&Callback),
                                       reinterpret_cast<DWORD_PTR>(&SelfRef), CALLBACK_FUNCTION));
  if (r != MIDI_RESULT_OK) return r;
  Handle = handle;
  DeviceIndex = static_cast<uint32_t>(index);
  Opened = 1;
  return MIDI_RESULT_OK;
}

unsigned TOSC_MIDIInput::Close() {
  if (!Opened) return MIDI_RESULT_OK;
  unsigned r = Result(MidiApi().InClose(Handle));
  if (r != MIDI_RESULT_OK) return r;
  Opened = 0;
  // A closed port is stopped too; a stale flag would make the next Start after a reopen do nothing.
  Started = 0;
  Handle = nullptr;
  return MIDI_RESULT_OK;
}

unsigned TOSC_MIDIInput::Start() {
  if (Started) return MIDI_RESULT_OK;
  unsigned r = Result(MidiApi().InStart(Handle));
  if (r == MIDI_RESULT_OK) Started = 1;
  return r;
}

unsigned TOSC_MIDIInput::Stop() {
  if (!Started) return MIDI_RESULT_OK;
  unsigned r = Result(MidiApi().InStop(Handle));
  if (r == MIDI_RESULT_OK) Started = 0;
  return r;
}

unsigned TOSC_MIDIInput::Connect(HMIDIOUT output) {
  return Result(MidiApi().Connect(reinterpret_cast<HMIDI>(Handle), output, nullptr));
}

unsigned TOSC_MIDIInput::Disconnect(HMIDIOUT output) {
  return Result(MidiApi().Disconnect(reinterpret_cast<HMIDI>(Handle), output, nullptr));
}

void CALLBACK TOSC_MIDIInput::Callback(HMIDIIN, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2) {
  if (msg != MIM_DATA || instance == 0) return;
  try {
    TOSC_MIDIInput* self = *reinterpret_cast<TOSC_MIDIInput**>(instance);
    self->OnMessage(TOSC_MIDIMessage::FromPacked(static_cast<uint32_t>(param1), static_cast<uint32_t>(param2)));
  } catch (...) {
    // Nothing may unwind through the system's thread; the message is lost.
  }
}
