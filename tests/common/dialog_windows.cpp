#include "dialog_windows.h"

#include <algorithm>

#include "peer_programs.h"

namespace testsupport {

namespace {

struct TChildSearch {
  std::string Class;
  std::vector<HWND> Found;
};

// Callbacks are stdcall on 32-bit Windows, which a lambda with captures cannot be.
BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<TChildSearch*>(data);
  if (search->Class.empty() || lstrcmpiA(WindowClass(child).c_str(), search->Class.c_str()) == 0)
    search->Found.push_back(child);
  return TRUE;
}

struct TBoxSearch {
  std::string Caption;
  HWND Found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TBoxSearch*>(data);
  if (WindowClass(window) != "#32770" || WindowTitle(window) != search->Caption || !IsWindowVisible(window))
    return TRUE;
  search->Found = window;
  return FALSE;
}

std::string FromWide(const wchar_t* wide) {
  char text[512] = {0};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
  return text;
}

// Entry i of a combo box or list box, by the list's own "get text" message.
std::string EntryText(HWND list, UINT getText, LRESULT index) {
  wchar_t wide[256] = {0};
  SendMessageW(list, getText, WPARAM(index), LPARAM(wide));
  return FromWide(wide);
}

std::vector<std::string> Entries(HWND list, UINT getCount, UINT getText) {
  std::vector<std::string> entries;
  LRESULT count = SendMessageW(list, getCount, 0, 0);
  for (LRESULT i = 0; i < count; ++i) entries.push_back(EntryText(list, getText, i));
  return entries;
}

}  // namespace

std::vector<HWND> ChildrenOf(HWND parent, const std::string& className) {
  TChildSearch search{className, {}};
  EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&search));
  std::sort(search.Found.begin(), search.Found.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return search.Found;
}

HWND ChildWithCaption(HWND parent, const std::string& caption, const std::string& className) {
  for (HWND child : ChildrenOf(parent, className))
    if (WindowTitle(child) == caption) return child;
  return nullptr;
}

std::vector<std::string> ComboEntries(HWND combo) { return Entries(combo, CB_GETCOUNT, CB_GETLBTEXT); }

std::vector<std::string> ListBoxEntries(HWND list) { return Entries(list, LB_GETCOUNT, LB_GETTEXT); }

std::string ComboSelection(HWND combo) {
  LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return index < 0 ? "" : EntryText(combo, CB_GETLBTEXT, index);
}

bool ChooseEntry(HWND combo, const std::string& text) {
  std::vector<std::string> entries = ComboEntries(combo);
  auto found = std::find(entries.begin(), entries.end(), text);
  if (found == entries.end()) return false;
  SendMessageA(combo, CB_SETCURSEL, WPARAM(found - entries.begin()), 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), LPARAM(combo));
  return true;
}

HWND ComboEdit(HWND combo) { return FindWindowExA(combo, nullptr, "Edit", nullptr); }

HWND VisibleWindow(const std::string& title) {
  HWND window = FindWindowA(nullptr, title.c_str());
  return window && IsWindowVisible(window) ? window : nullptr;
}

HWND FindThreadBox(const std::string& caption) {
  TBoxSearch search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::string BoxText(HWND box) {
  std::string text;
  if (!box) return text;
  for (HWND child : ChildrenOf(box, "Static")) text += WindowTitle(child);
  return text;
}

void PostKey(HWND window, WORD key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, LPARAM(0xC0000001));
}

void PostText(HWND window, const std::string& text) {
  for (char c : text) PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
}

}  // namespace testsupport
