// The MIDI mapper's instrument as the server finds it in the system's registry keys.
#include <gtest/gtest.h>
#include <windows.h>

#include "midi_mapper.h"
#include "registry_test_support.h"

namespace {

const char* const kMidiMap = "Software\\Microsoft\\Windows\\CurrentVersion\\Multimedia\\MIDIMap";
const char* const kResources = "SYSTEM\\CurrentControlSet\\Control\\MediaResources\\MIDI\\tarnbel test synth";

// Puts the two system values back as they were.
class MidiMapperTest : public ::testing::Test {
 protected:
  void SetUp() override { Saved = testsupport::ReadRaw(kMidiMap, "CurrentInstrument"); }
  void TearDown() override {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMidiMap, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      if (Saved.found)
        RegSetValueExA(key, "CurrentInstrument", 0, Saved.type, Saved.data.data(), static_cast<DWORD>(Saved.data.size()));
      else
        RegDeleteValueA(key, "CurrentInstrument");
      RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kResources);
  }
  testsupport::RawValue Saved;
};

}  // namespace

TEST_F(MidiMapperTest, FriendlyNameOfTheCurrentInstrumentElseTheInstrumentItself) {
  testsupport::WriteRawString(kMidiMap, "CurrentInstrument", "tarnbel test synth");
  EXPECT_EQ(MidiMapperInputName(), "tarnbel test synth");  // no friendly name stored

  const char friendly[] = "SB Live! MIDI Synth";
  testsupport::WriteRaw(kResources, "FriendlyName", REG_SZ, friendly, sizeof(friendly), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(MidiMapperInputName(), "SB Live! MIDI Synth");

  // No instrument chosen: no route can be the mapper's, and nothing is written to the system's keys.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kMidiMap, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegDeleteValueA(key, "CurrentInstrument");
  RegCloseKey(key);
  EXPECT_EQ(MidiMapperInputName(), "");
  EXPECT_FALSE(testsupport::ValueExists(kMidiMap, "CurrentInstrument"));
}
