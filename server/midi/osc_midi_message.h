#pragma once
// One MIDI short message as an input port delivers it. Whoever holds it frees it.
#include <cstdint>

class TOSC_MIDIMessage {
 public:
  TOSC_MIDIMessage() = default;
  TOSC_MIDIMessage(uint32_t timestamp, uint8_t status, uint8_t data1, uint8_t data2)
      : Timestamp(timestamp), Status(status), Data1(data1), Data2(data2) {}
  // From the packed form of the input callback: status in the low byte, then data1, then data2.
  static TOSC_MIDIMessage* FromPacked(uint32_t packed, uint32_t timestamp);

  uint32_t Timestamp = 0;  // milliseconds, as the driver gives them
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;

  bool IsNote() const { return Status < 0xA0; }
  bool IsNoteOn() const { return Status >= 0x90 && Status <= 0x9F && Data2 != 0; }
  bool IsBankSelect() const { return Status >= 0xB0 && Status <= 0xBF && Data1 == 0; }
  bool IsProgramChange() const { return Status >= 0xC0 && Status <= 0xCF; }
  int Channel() const { return Status & 15; }
};
