// The MIDI mapper's instrument as the server finds it in the system's registry keys.
#include <gtest/gtest.h>
#include <windows.h>

#include "midi_mapper.h"
#include "midi_mapper_instrument.h"
#include "registry_test_support.h"

TEST(MidiMapper, FriendlyNameOfTheCurrentInstrumentElseTheInstrumentItself) {
  testsupport::MidiMapperInstrument instrument("tarnbel test synth", "");
  EXPECT_EQ(MidiMapperInputName(), "tarnbel test synth");  // no friendly name stored

  instrument.SetFriendlyName("SB Live! MIDI Synth");
  EXPECT_EQ(MidiMapperInputName(), "SB Live! MIDI Synth");

  // No instrument chosen: no route can be the mapper's, and nothing is written to the system's keys.
  instrument.ClearCurrent();
  EXPECT_EQ(MidiMapperInputName(), "");
  EXPECT_FALSE(testsupport::ValueExists(testsupport::MidiMapKeyPath, "CurrentInstrument"));
}
