#pragma once
// A MIDI input port over the bound winmm table. Messages arrive on the system's multimedia
// thread through OnMessage.
#include <cstdint>
#include <string>
#include <vector>

#include "midi_api.h"
#include "osc_midi_message.h"

class TOSC_MIDIInput {
 public:
  TOSC_MIDIInput();
  // Stops when started, closes when open. A derived class whose OnMessage uses its own members
  // must stop and close in its own destructor: callbacks may run until the port is closed.
  virtual ~TOSC_MIDIInput();
  TOSC_MIDIInput(const TOSC_MIDIInput&) = delete;
  TOSC_MIDIInput& operator=(const TOSC_MIDIInput&) = delete;

  // Runs on the multimedia thread and owns message; this one frees it.
  virtual void OnMessage(TOSC_MIDIMessage* message);

  unsigned GetNumDevs();
  unsigned GetDeviceName(int index, std::string& name);
  // Emptied, then one entry per device: its name, or its index, a blank and its name.
  void GetDeviceNames(std::vector<std::string>& names, bool numbered);
  unsigned IndexOf(const std::string& name, int& index);
  unsigned Open(int index);
  unsigned Close();
  unsigned Start();
  unsigned Stop();
  unsigned Connect(HMIDIOUT output);
  unsigned Disconnect(HMIDIOUT output);

  uint32_t DeviceIndex = 0;
  HMIDIIN Handle = nullptr;
  uint32_t LastResult = 0;
  TOSC_MIDIInput* SelfRef;  // its address is the callback's instance value
  uint8_t Opened = 0;
  uint8_t Started = 0;

 private:
  static void CALLBACK Callback(HMIDIIN handle, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
  unsigned Result(MMRESULT r);
};
