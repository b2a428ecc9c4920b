#pragma once
// TScreen: the program's forms, the active form, screen size and resolution, cursors.
#include <windows.h>

#include <functional>
#include <map>
#include <vector>

namespace ui {

class TForm;
class TWinControl;

using TCursor = int;
enum : TCursor {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
  crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
  crHelp = -20, crHandPoint = -21, crSizeAll = -22
};

class TScreen {
 public:
  TScreen() = default;
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;
  ~TScreen();

  int FormCount() const { return int(FForms.size()); }
  TForm* Forms(int index) const { return FForms.at(size_t(index)); }
  TForm* ActiveForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }

  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const;

  // Cursors by id: the system's for the built-in ids, registered handles for ids of our own.
  HCURSOR Cursors(TCursor id) const;
  // The screen takes ownership of the handle.
  void SetCursors(TCursor id, HCURSOR cursor);
  TCursor Cursor() const { return FCursor; }
  // Anything but crDefault overrides every window's own cursor.
  void SetCursor(TCursor cursor);

  std::function<void()> OnActiveFormChange;
  std::function<void()> OnActiveControlChange;

 private:
  friend class TForm;
  friend class TWinControl;
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void SetActiveForm(TForm* form);
  void SetActiveControl(TWinControl* control);
  void ControlDestroyed(TWinControl* control);

  std::vector<TForm*> FForms;
  TForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  std::map<TCursor, HCURSOR> FCursors;
  TCursor FCursor = crDefault;
};

TScreen& Screen();

}  // namespace ui
