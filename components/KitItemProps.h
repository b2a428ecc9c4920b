#pragma once
// The shell's own context menu for items of one shell folder, shown at a screen point; the chosen
// command is carried out. A hidden callback window passes owner-draw messages to the menu and the
// commands' verb and help text to the application's hint.
#include <windows.h>
#include <shlobj.h>

// Shows the menu of count items (IDs relative to parentFolder). The shell's Rename command is not invoked:
// renameRequested tells the caller to start its own label editing. False when the menu could not be made
// or the chosen command failed; dismissing the menu gives true.
bool DisplayContextMenu(IShellFolder* parentFolder, LPCITEMIDLIST* itemIDs, ULONG attributes,
                        bool& renameRequested, UINT count, POINT screenPoint, HWND owner);
