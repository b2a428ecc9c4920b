#pragma once
// Shell item-ID lists (PIDLs) and display names. Every list made or freed here goes through the shell's
// task allocator, held from the first use to the end of the program.
#include <windows.h>
#include <shlobj.h>

#include <string>

// Which display name StrRetToString asks the folder for.
enum TNameKind { nkNormal = 0, nkInFolder = 1, nkForParsing = 2 };

// Byte count of the list with its terminator; 0 for nil.
UINT GetPIDLSize(LPCITEMIDLIST pidl);
// size zero-filled bytes from the shell allocator; nil when allocation fails.
LPITEMIDLIST CreatePIDL(UINT size);
// Frees a non-nil list and sets the variable to nil.
void FreePIDL(LPITEMIDLIST& pidl);
// A new list: first (nil counts as empty) followed by second. A nil second gives a copy of first;
// both nil gives nil.
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST first, LPCITEMIDLIST second);
// A copy; nil for nil.
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST pidl);
// The list after the first item ID (may be the terminator); nil for nil or when the first is the terminator.
LPITEMIDLIST NextPIDL(LPCITEMIDLIST pidl);
// A new one-item list holding the first item ID; nil for nil.
LPITEMIDLIST CopyFirstItemID(LPCITEMIDLIST pidl);
// The item's display name of the given kind from its folder; '' on failure.
void StrRetToString(IShellFolder* folder, LPCITEMIDLIST pidl, TNameKind kind, std::string& text);
// The system image-list index of an absolute list (SHGetFileInfo flags), -1 on failure.
int GetShellIconIndex(LPCITEMIDLIST absolute, UINT flags);
// Small-icon indexes of an absolute list, normal and open.
void GetShellIconIndexes(LPCITEMIDLIST absolute, int& normal, int& open);
