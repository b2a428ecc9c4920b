#pragma once
// The modal folder picker: a folder tree, the chosen path under it, OK and Cancel.
#include <string>

namespace ui {
class TComponent;
}

// Shows the picker with folder selected; on OK with a folder chosen, folder takes its path.
// An empty caption becomes "Choose directory:". Returns the modal result (1 for OK).
int ChooseDirectory(ui::TComponent* owner, std::string& folder, const std::string& caption);
