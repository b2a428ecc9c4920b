#pragma once
// Mappings stored for a test the way the editor saves them.
#include <string>
#include <vector>

namespace testsupport {

struct TSlotEntry {
  std::string Preset;
  int SourceBank, SourceProgram, TargetBank, TargetProgram;
};

// Stores (or replaces) an active mapping of presets of one file.
void StoreFileMapping(const std::string& name, int priority, const std::string& file,
                      const std::vector<TSlotEntry>& entries);

}  // namespace testsupport
