#pragma once
// Reads a list view of another process through its own messages, with the buffers placed in that
// process's memory.
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct TRemoteRow {
  std::vector<std::string> Texts;  // every column's text
  int Image = -1;
  bool Selected = false;
};

// Posts a click on the selected node's label of a tree view, as the mouse would: the tree takes the focus,
// the selection stays. False when nothing is selected or the node's place cannot be read.
bool PostClickOnRemoteTreeSelection(HWND tree);

// The rows of the list view; empty when it cannot be read.
std::vector<TRemoteRow> ReadRemoteListView(HWND list, int columns);
// The number of columns of a report list view's header.
int RemoteListViewColumns(HWND list);
// The first list view among the window's children with that many columns; null when none.
HWND FindListViewWithColumns(HWND top, int columns);
// The window's list views of the class library ("TListView"), from left to right on the screen.
std::vector<HWND> ListViewsLeftToRight(HWND top);
// A top-level window of the process whose title begins with the text.
HWND FindTopWindowStartingWith(DWORD processId, const std::string& titleStart);
// The text of a status bar's part.
std::string ReadRemoteStatusText(HWND bar, int part);
// The window's first child of the class (a name the class library registers, e.g. "TStatusBar").
HWND FindChildOfClass(HWND top, const std::string& className);
// Selects the row (only that row) and focuses it, as a click would.
bool SelectRemoteRow(HWND list, int row);
// The row's label rectangle in the list's client coordinates; empty when it cannot be read.
RECT RemoteItemRect(HWND list, int row);
// A left click posted at the row's label, as the mouse would give it to the list.
bool PostClickOnRemoteRow(HWND list, int row);
// A tool bar's button by index: its place in the bar and its command id. False when it cannot be read.
bool ReadRemoteToolButton(HWND bar, int index, RECT& rect, int& command);

}  // namespace testsupport
