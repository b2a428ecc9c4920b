#include "midi_api.h"

#include <atomic>
#include <string>

namespace {
const TMidiApi kWinmm = {
    midiInGetNumDevs, midiInGetDevCapsA, midiInOpen,        midiInClose,       midiInStart,
    midiInStop,       midiInMessage,     midiConnect,       midiDisconnect,    midiOutGetNumDevs,
    midiOutGetDevCapsA, midiOutOpen,     midiOutClose,      midiOutShortMsg,
};

// Tables handed to SetMidiApi are kept for the program's life: a port may still be calling
// through the previous one on another thread.
std::atomic<const TMidiApi*> gCurrent{&kWinmm};
}  // namespace

const TMidiApi& MidiApi() { return *gCurrent.load(std::memory_order_acquire); }

void SetMidiApi(const TMidiApi& api) {
  if (&api == &kWinmm) {
    UseMidiApi(api);
    return;
  }
  gCurrent.store(new TMidiApi(api), std::memory_order_release);
}

void UseMidiApi(const TMidiApi& api) { gCurrent.store(&api, std::memory_order_release); }

const TMidiApi& WinmmMidiApi() { return kWinmm; }

namespace {
template <typename Caps>
std::string CapsName(const Caps& caps) {
  size_t n = 0;
  while (n < sizeof caps.szPname && caps.szPname[n] != '\0') ++n;
  return std::string(caps.szPname, n);
}
}  // namespace

unsigned MidiResult(MMRESULT r, uint32_t& lastResult) {
  lastResult = r;
  return r == MMSYSERR_NOERROR ? MIDI_RESULT_OK : MIDI_RESULT_CALL_FAILED;
}

unsigned MidiDeviceName(bool output, int index, std::string& name, uint32_t& lastResult) {
  const TMidiApi& api = MidiApi();
  UINT count = output ? api.OutGetNumDevs() : api.InGetNumDevs();
  if (index < 0 || static_cast<UINT>(index) >= count) return MIDI_RESULT_BAD_INDEX;
  MMRESULT r;
  if (output) {
    MIDIOUTCAPSA caps = {};
    r = api.OutGetDevCapsA(static_cast<UINT_PTR>(index), &caps, sizeof caps);
    if (r == MMSYSERR_NOERROR) name = CapsName(caps);
  } else {
    MIDIINCAPSA caps = {};
    r = api.InGetDevCapsA(static_cast<UINT_PTR>(index), &caps, sizeof caps);
    if (r == MMSYSERR_NOERROR) name = CapsName(caps);
  }
  return MidiResult(r, lastResult);
}

void MidiDeviceNames(bool output, std::vector<std::string>& names, bool numbered, uint32_t& lastResult) {
  names.clear();
  const TMidiApi& api = MidiApi();
  int count = static_cast<int>(output ? api.OutGetNumDevs() : api.InGetNumDevs());
  for (int i = 0; i < count; ++i) {
    std::string name;
    if (MidiDeviceName(output, i, name, lastResult) != MIDI_RESULT_OK) continue;
    names.push_back(numbered ? std::to_string(i) + " " + name : name);
  }
}

unsigned MidiDeviceIndexOf(bool output, const std::string& name, int& index, uint32_t& lastResult) {
  const TMidiApi& api = MidiApi();
  int count = static_cast<int>(output ? api.OutGetNumDevs() : api.InGetNumDevs());
  for (int i = count - 1; i >= 0; --i) {
    std::string deviceName;
    if (MidiDeviceName(output, i, deviceName, lastResult) == MIDI_RESULT_OK && deviceName == name) {
      index = i;
      return MIDI_RESULT_OK;
    }
  }
  return MIDI_RESULT_NO_SUCH_NAME;
}
