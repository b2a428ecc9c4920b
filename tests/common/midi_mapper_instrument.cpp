#include "midi_mapper_instrument.h"

#include <windows.h>

namespace testsupport {

const char* const MidiMapKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Multimedia\\MIDIMap";

MidiMapperInstrument::MidiMapperInstrument(const std::string& instrument, const std::string& friendlyName)
    : FResourcesPath("SYSTEM\\CurrentControlSet\\Control\\MediaResources\\MIDI\\" + instrument),
      FSaved(ReadRaw(MidiMapKeyPath, "CurrentInstrument")) {
  WriteRawString(MidiMapKeyPath, "CurrentInstrument", instrument);
  if (!friendlyName.empty()) SetFriendlyName(friendlyName);
}

MidiMapperInstrument::~MidiMapperInstrument() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, MidiMapKeyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    if (FSaved.found)
      RegSetValueExA(key, "CurrentInstrument", 0, FSaved.type, FSaved.data.data(), static_cast<DWORD>(FSaved.data.size()));
    else
      RegDeleteValueA(key, "CurrentInstrument");
    RegCloseKey(key);
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, FResourcesPath.c_str());
}

void MidiMapperInstrument::SetFriendlyName(const std::string& friendlyName) {
  WriteRaw(FResourcesPath, "FriendlyName", REG_SZ, friendlyName.c_str(), static_cast<DWORD>(friendlyName.size() + 1),
           HKEY_LOCAL_MACHINE);
}

void MidiMapperInstrument::ClearCurrent() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, MidiMapKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, "CurrentInstrument");
  RegCloseKey(key);
}

}  // namespace testsupport
