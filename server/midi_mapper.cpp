#include "midi_mapper.h"

#include <windows.h>

#include <vector>

namespace {

bool ReadStringValue(HKEY root, const std::string& path, const char* name, std::string& value) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok) {
    std::vector<char> data(size + 1, '\0');
    ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS;
    if (ok) value.assign(data.data());  // up to the first NUL, stored with or without one
  }
  RegCloseKey(key);
  return ok;
}

}  // namespace

std::string MidiMapperInputName() {
  std::string instrument;
  if (!ReadStringValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Multimedia\\MIDIMap",
                       "CurrentInstrument", instrument) ||
      instrument.empty())
    return std::string();
  std::string friendly;
  if (ReadStringValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\MediaResources\\MIDI\\" + instrument,
                      "FriendlyName", friendly))
    return friendly;
  return instrument;
}
