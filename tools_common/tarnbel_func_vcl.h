#pragma once
// Routines the tools program's windows share: output folders, action images, icon lists, HTML colours.
#include <string>
#include <vector>

#include "form.h"
#include "graphics.h"
#include "image_list.h"

// Write the lines (CR LF) or the bytes into the file through a new file beside it, so a failure keeps the
// old file; a failure gives a box naming the file with the system's error text. False then.
bool SaveTextFile(const std::string& fileName, const std::vector<std::string>& lines);
bool SaveBinaryFile(const std::string& fileName, const std::string& bytes);
// Makes the folder usable for output and leaves it with a trailing backslash; empty is the program folder.
// A folder that cannot be made is replaced by the fallback (made too; empty: the program folder), and a
// warning box names both.
void PrepareOutputFolder(std::string& folder, const std::string& fallback = std::string());
// Fills the form's "ActionsImageList" and "GrayActionsImageList" from icons\<subfolder>\<name>.ico beside
// the program (names[0..lastIndex]) and sets each "<name>Action"'s image index; "default.ico", else the
// program's MAINICON, stands in for missing icons.
void LoadActionImages(ui::TForm* form, const std::string& subfolder, const std::vector<std::string>& names,
                      int lastIndex);
// Adds icons\<subfolder>\<name>.ico for each name, or MAINICON when it is missing.
void LoadIconList(ui::TImageList* list, const std::string& subfolder, const std::vector<std::string>& names,
                  int lastIndex);
// "#RRGGBB"; system colours take their current value.
std::string ColorToHtml(ui::TColor color);
