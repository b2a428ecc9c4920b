#include "mapping_text_file.h"

#include "mapping_text_form.h"
#include "message_box.h"

// The import's own reading decides: a text that passes here never imports as an empty mapping.
bool IsMappingText(const std::vector<std::string>& lines) { return ParseMappingText(lines).HasEntries; }

bool AcceptMappingText(const std::string& fileName, const std::vector<std::string>& lines, HWND owner) {
  if (IsMappingText(lines)) return true;
  ui::ShowMessageBox(fileName + " is not a mapping file.", "tarnbel", MB_OK | MB_ICONERROR, owner);
  return false;
}
