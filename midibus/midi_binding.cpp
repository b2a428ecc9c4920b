#include "midi_binding.h"

#include <windows.h>

#include "midi_api.h"
#include "virtual_midi_bus.h"

bool BindMidiApiFromEnvironment() {
  char value[32] = {};
  DWORD n = GetEnvironmentVariableA("TARNBEL_MIDI", value, sizeof value);
  bool useBus = n > 0 && n < sizeof value && lstrcmpiA(value, "virtual") == 0;
  if (useBus) {
    TVirtualMidiBus::ConfigureFromEnvironment();
    UseMidiApi(VirtualMidiApi());
  } else {
    UseMidiApi(WinmmMidiApi());
  }
  return useBus;
}
