#pragma once
// TControl (painted by its parent) and TWinControl (a window of its own, made on demand).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "component.h"
#include "graphics.h"
#include "screen.h"

namespace ui {

class TAction;
class TWinControl;
class TForm;

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TShiftState { ssShift, ssAlt, ssCtrl };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TSet32 shift)>;

// The keyboard's shift state as the calling thread's key state shows it.
TSet32 KeyboardShiftState();

class TControl : public TComponent {
  UI_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  virtual RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);
  virtual std::string Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& caption);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* font) { FFont.Assign(font); }
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor) { FCursor = cursor; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint) { FHint = hint; }

  // A linked action: the control takes over its caption, enabled and visible state and follows changes.
  TAction* Action() const { return FAction; }
  void SetAction(TAction* action);
  virtual void ActionChange(TAction* sender);

  // Runs the message through WndProc without the system.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  virtual void Click();
  TNotifyEvent OnClick;

  virtual bool IsWindowed() const { return false; }
  // Visible here and in every parent.
  bool Showing() const;
  virtual void Invalidate();
  // Graphic controls draw here; the canvas's origin is the control's top-left.
  virtual void Paint(TCanvas&) {}
  TForm* ParentForm() const;

 protected:
  void Destroying() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Stores new bounds without moving any window.
  void UpdateBoundsFields(int left, int top, int width, int height);

  std::string FCaption;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;

 private:
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  TAlign FAlign = alNone;
  TFont FFont;
  TCursor FCursor = crDefault;
  std::string FHint;
  TAction* FAction = nullptr;
  bool FMouseDown = false;
};

// A control without a window: its parent paints it and hands it the mouse.
class TGraphicControl : public TControl {
  UI_CLASS(TGraphicControl, TControl)
 public:
  using TControl::TControl;
};

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::string WinClassName;
  // A system class (BUTTON, EDIT) whose procedure ends our own.
  std::string SuperClass;
  UINT ClassStyle = CS_DBLCLKS;
};

class TWinControl : public TControl {
  UI_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys and makes again the window and all child windows; caption, bounds, visibility stay.
  void RecreateWnd();

  int ControlCount() const { return int(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(size_t(index)); }
  // The control at a client point that is drawn by this one (graphic children), or nullptr.
  TControl* GraphicControlAt(POINT p) const;

  bool IsWindowed() const override { return true; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  RECT ClientRect() const override;
  void Invalidate() override;
  void SetFocus();
  bool Focused() const;
  void WndProc(TMessage& message) override;
  // The class's own procedure (the system class's, or DefWindowProc).
  void DefaultHandler(TMessage& message);
  void AlignControls();
  // The window's own painting only (no children), onto any canvas.
  void PaintWindowTo(TCanvas& canvas) { PaintWindow(canvas); }

  TKeyEvent OnKeyDown;

  // The object behind one of our windows, or nullptr.
  static TWinControl* FindControl(HWND window);

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // Own painting of classes without a system procedure; children drawn by us follow.
  virtual void PaintWindow(TCanvas&) {}
  // Runs before the window goes, also when a parent's window takes it along: keep what lives only there.
  virtual void SaveWindowData() {}
  void Destroying() override;

 private:
  friend class TControl;
  friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void SaveWindowState();
  void PaintHandler(TMessage& message);
  bool MouseToGraphic(TMessage& message);
  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;
  TControl* FMouseCapture = nullptr;
  bool FAligning = false;
};

}  // namespace ui
