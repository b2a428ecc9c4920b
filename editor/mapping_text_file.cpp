#include "mapping_text_file.h"

#include "message_box.h"
#include "sys_utils.h"

bool IsMappingText(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (ui::UpperCase(line) == "[BANK NAMES]") return true;
  return false;
}

bool AcceptMappingText(const std::string& fileName, const std::vector<std::string>& lines, HWND owner) {
  if (IsMappingText(lines)) return true;
  ui::ShowMessageBox(fileName + " is not a mapping file.", "tarnbel", MB_OK | MB_ICONERROR, owner);
  return false;
}
