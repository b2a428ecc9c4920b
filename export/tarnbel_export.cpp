#include "tarnbel_export.h"

#include <vector>

#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"

bool SaveMappingAsText(const std::string& folder, const std::string& fileName, const TMapping& mapping) {
  std::vector<std::string> lines;
  mapping.ExportToText(lines);
  std::string target = folder;
  PrepareOutputFolder(target);
  return SaveTextFile(target + fileName, lines);
}
