#include "osc_midi_message.h"

TOSC_MIDIMessage* TOSC_MIDIMessage::FromPacked(uint32_t packed, uint32_t timestamp) {
  return new TOSC_MIDIMessage(timestamp, static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>((packed >> 8) & 0xFF),
                              static_cast<uint8_t>((packed >> 16) & 0xFF));
}
