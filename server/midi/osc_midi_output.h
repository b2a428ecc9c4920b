#pragma once
// A MIDI output port over the bound winmm table.
#include <cstdint>
#include <string>
#include <vector>

#include "midi_api.h"

class TOSC_MIDIOutput {
 public:
  TOSC_MIDIOutput() = default;
  ~TOSC_MIDIOutput();  // closes when open
  TOSC_MIDIOutput(const TOSC_MIDIOutput&) = delete;
  TOSC_MIDIOutput& operator=(const TOSC_MIDIOutput&) = delete;

  unsigned GetNumDevs();
  unsigned GetDeviceName(int index, std::string& name);
  // Emptied, then one entry per device: its name, or its index, a blank and its name.
  void GetDeviceNames(std::vector<std::string>& names, bool numbered);
  unsigned IndexOf(const std::string& name, int& index);
  unsigned Open(int index);
  unsigned Close();
  // Sends status + data1 * 256 + data2 * 65536.
  unsigned ShortMsg(uint8_t status, uint8_t data1, uint8_t data2);

  uint32_t DeviceIndex = 0;
  HMIDIOUT Handle = nullptr;
  uint32_t LastResult = 0;
  uint8_t Opened = 0;

 private:
  unsigned Result(MMRESULT r);
};
