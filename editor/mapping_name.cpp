#include "mapping_name.h"

#include "message_box.h"

std::string MappingNameProblem(const std::string& name) {
  if (name.find('\\') != std::string::npos) return "Mapping name cannot contain a \"\\\" character.";
  if (name.empty()) return "Mapping name cannot be empty.";
  if (name.size() > MaxMappingNameLength)
    return "Mapping name cannot be longer than " + std::to_string(MaxMappingNameLength) + " characters.";
  return std::string();
}

bool AcceptMappingName(const std::string& name, HWND owner) {
  std::string problem = MappingNameProblem(name);
  if (problem.empty()) return true;
  ui::ShowMessageBox(problem, "tarnbel", MB_OK | MB_ICONINFORMATION, owner);
  return false;
}
