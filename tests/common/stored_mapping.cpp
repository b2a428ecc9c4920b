#include "stored_mapping.h"

#include "registry_internal.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"

namespace testsupport {

void StoreFileMapping(const std::string& name, int priority, const std::string& file,
                      const std::vector<TSlotEntry>& entries) {
  const std::string mappings = std::string(TarnbelKeyPath) + "\\mappings";
  TRegKey(mappings, true).DeleteKey(name);
  {
    TMapping m(name, false, nullptr, "");
    for (const TSlotEntry& e : entries)
      m.AddItem(file, e.TargetBank, true, 0, e.Preset, e.SourceProgram, e.SourceBank, e.TargetProgram);
    m.SaveSettings();
  }
  TRegKey key(mappings + "\\" + name, true);
  key.WriteInteger("Priority", priority);
  key.WriteBool("Active", true);
}

}  // namespace testsupport
