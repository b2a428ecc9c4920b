#include "presets_list_view.h"

void TPresetsListView::CreateWnd() {
  ui::TListView::CreateWnd();
  // Looked up at run time: a system without visual styles has no uxtheme.dll, and draws the header plain.
  using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  HMODULE themes = GetModuleHandleA("uxtheme.dll");
  if (!themes) return;
  auto setTheme = reinterpret_cast<TSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(themes, "SetWindowTheme")));
  // A class list that names no class: the header gets no theme.
  if (HWND header = HWND(SendMessageA(Handle(), LVM_GETHEADER, 0, 0)); header && setTheme) setTheme(header, L" ", L" ");
}
