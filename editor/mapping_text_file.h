#pragma once
// What both the editor and the manager import: a file holds a mapping text only when the import's reading
// finds its "[Bank names]" section; anything else (an empty file, other text, binary data) would import as an
// empty mapping.
#include <windows.h>

#include <string>
#include <vector>

bool IsMappingText(const std::vector<std::string>& lines);
// False after an error box owned by the window, when the file's lines hold no mapping text.
bool AcceptMappingText(const std::string& fileName, const std::vector<std::string>& lines, HWND owner);
