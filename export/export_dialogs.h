#pragma once
// The dialogs in front of the exports.
#include <string>

class TMapping;
namespace ui {
class TComponent;
}

// Asks where to save the mapping's text file (starting in "DialogMappingPath", named after the mapping)
// and saves it there. Without overwriteSilently the user confirms replacing a file. True when saved.
bool SaveMappingFileDialog(ui::TComponent* owner, const TMapping& mapping, bool overwriteSilently);
