#pragma once
// A dialog's controls worked through their own messages, as a user's actions reach them, from the
// dialog's own thread, a second thread or another process: children by class and caption, list entries,
// choices, message boxes and typed keys.
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// The child windows of a class (any class when empty; compared without case), top to bottom, then left
// to right.
std::vector<HWND> ChildrenOf(HWND parent, const std::string& className = "");
// The first child with that caption (a button, a check box), optionally of one class; null when none.
HWND ChildWithCaption(HWND parent, const std::string& caption, const std::string& className = "");

// Entries are read as wide text: Wine hands another process's entries over in that form.
std::vector<std::string> ComboEntries(HWND combo);
std::vector<std::string> ListBoxEntries(HWND list);
// The selected entry of a combo box; empty when none.
std::string ComboSelection(HWND combo);
// Selects the entry as the user's pick does, with the notice that CB_SETCURSEL itself does not send;
// false when the list has no such entry.
bool ChooseEntry(HWND combo, const std::string& text);
// The edit inside a drop-down combo box.
HWND ComboEdit(HWND combo);

// A visible top-level window with that title; null when none.
HWND VisibleWindow(const std::string& title);
// A visible message box ("#32770") of this thread with that caption; null when none.
HWND FindThreadBox(const std::string& caption);
// The whole text of a box's static controls, however long.
std::string BoxText(HWND box);

// Keys and characters posted to a window, as the queue delivers typed input.
void PostKey(HWND window, WORD key);
void PostText(HWND window, const std::string& text);

}  // namespace testsupport
