#pragma once
// The MIDI mapper's current instrument in the system's registry keys, set for a test and put back
// as it was afterwards.
#include <string>

#include "registry_test_support.h"

namespace testsupport {

extern const char* const MidiMapKeyPath;

class MidiMapperInstrument {
 public:
  // The instrument's name is stored as the current one; a non-empty friendly name is stored for it.
  MidiMapperInstrument(const std::string& instrument, const std::string& friendlyName);
  ~MidiMapperInstrument();
  MidiMapperInstrument(const MidiMapperInstrument&) = delete;
  MidiMapperInstrument& operator=(const MidiMapperInstrument&) = delete;

  void SetFriendlyName(const std::string& friendlyName);
  // No instrument chosen at all.
  void ClearCurrent();

 private:
  std::string FResourcesPath;
  RawValue FSaved;
};

}  // namespace testsupport
