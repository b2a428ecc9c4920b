#include "screen.h"

#include <algorithm>

#include "gdi.h"

namespace ui {

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

TScreen::~TScreen() {
  for (auto& c : FCursors) DestroyCursor(c.second);
}

int TScreen::PixelsPerInch() const {
  TWindowDC dc;
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  return ppi > 0 ? ppi : 96;
}

HCURSOR TScreen::Cursors(TCursor id) const {
  auto it = FCursors.find(id);
  if (it != FCursors.end()) return it->second;
  const char* sys = IDC_ARROW;
  switch (id) {
    case crNone: return nullptr;
    case crCross: sys = IDC_CROSS; break;
    case crIBeam: sys = IDC_IBEAM; break;
    case crSizeNESW: sys = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: sys = IDC_SIZENS; break;
    case crSizeNWSE: sys = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: sys = IDC_SIZEWE; break;
    case crUpArrow: sys = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: sys = IDC_WAIT; break;
    case crNo: case crNoDrop: sys = IDC_NO; break;
    case crAppStart: sys = IDC_APPSTARTING; break;
    case crHelp: sys = IDC_HELP; break;
    case crHandPoint: sys = IDC_HAND; break;
    case crSizeAll: sys = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorA(nullptr, sys);
}

void TScreen::SetCursors(TCursor id, HCURSOR cursor) {
  auto it = FCursors.find(id);
  if (it != FCursors.end()) {
    if (it->second == cursor) return;
    DestroyCursor(it->second);
  }
  if (cursor) FCursors[id] = cursor;
  else if (it != FCursors.end()) FCursors.erase(it);
}

void TScreen::SetCursor(TCursor cursor) {
  FCursor = cursor;
  POINT p;
  GetCursorPos(&p);
  if (cursor != crDefault) ::SetCursor(Cursors(cursor));
  else SetCursorPos(p.x, p.y);  // lets the window under the mouse set its own cursor again
}

void TScreen::AddForm(TForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TForm* form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  if (FActiveForm == form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TForm* form) {
  if (form == FActiveForm) return;
  FActiveForm = form;
  if (OnActiveFormChange) OnActiveFormChange();
}

void TScreen::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  FActiveControl = control;
  if (OnActiveControlChange) OnActiveControlChange();
}

void TScreen::ControlDestroyed(TWinControl* control) {
  if (FActiveControl == control) FActiveControl = nullptr;
}

}  // namespace ui
