#include "presets_list_view.h"

#include <uxtheme.h>

void TPresetsListView::CreateWnd() {
  ui::TListView::CreateWnd();
  // A class list that names no class: the header gets no theme.
  if (HWND header = HWND(SendMessageA(Handle(), LVM_GETHEADER, 0, 0))) SetWindowTheme(header, L" ", L" ");
}
