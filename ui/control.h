#pragma once
// TControl (painted by its parent) and TWinControl (a window of its own, made on demand).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component.h"
#include "gdi.h"
#include "graphics.h"
#include "messages.h"
#include "screen.h"

namespace ui {

class TAction;
class TActionLink;
class TControl;
class TWinControl;
class TForm;
class TPopupMenu;
class TDragDockObject;

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TShiftState { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Automatic: a left press on the control begins a drag. Dock: the drag moves the control between dock sites.
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TSet32 shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TSet32 shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TSet32 shift, int x, int y)>;
// Points are in the sender's client coordinates; source is the dragged control.
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// target is the control that took the drop, or nullptr when there was none.
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
using TDockOverEvent =
    std::function<void(TObject* sender, TDragDockObject* source, int x, int y, TDragState state, bool& accept)>;
using TDockDropEvent = std::function<void(TObject* sender, TDragDockObject* source, int x, int y)>;
using TUnDockEvent = std::function<void(TObject* sender, TControl* client, TWinControl* newTarget, bool& allow)>;

// The keyboard's shift state as the calling thread's key state shows it.
TSet32 KeyboardShiftState();
// The shift and button state a mouse message carries in wParam.
TSet32 MouseShiftState(WPARAM keys);
// The part of a hint before '|', and the part after it (the whole text when there is no '|').
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);
// The character after the single '&' of a caption, upper-cased; 0 when there is none.
char MnemonicOf(const std::string& caption);

class TControl : public TComponent {
  UI_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

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
  virtual void SetAlign(TAlign align);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);
  virtual std::string Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& caption);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* font) { FFont.Assign(font); }
  // On: the control shows its parent's font and follows its changes; a font of its own turns it off.
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool v);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor) { FCursor = cursor; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint);
  // The hint's tooltip shows when ShowHint is on, or when ParentShowHint is on and the parent shows hints.
  bool ShowHint() const;
  void SetShowHint(bool v);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool v);
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int v) { FHelpContext = v; }
  // Right click and the context-menu key show it.
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  // A linked action: the control takes over its caption, enabled, visible and hint and follows changes.
  TAction* Action() const;
  void SetAction(TAction* action);
  virtual void ActionChange(TAction* sender);

  // Runs the message through WndProc without the system.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  virtual void Click();
  // Alt+letter reached the control's form; true when the control took it.
  virtual bool DialogChar(char key);
  // While on, every mouse message of the parent (or the window) comes to this control.
  bool MouseCapture() const;
  void SetMouseCapture(bool capture);
  bool MouseInControl() const { return FMouseInControl; }

  // Drag and drop between controls, and dock drags (DragKind dkDock).
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode v) { FDragMode = v; }
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind v) { FDragKind = v; }
  // Shown while the control under the cursor accepts the drag.
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor v) { FDragCursor = v; }
  // Immediate: the drag starts now; else once the cursor moved threshold pixels (-1: the application's).
  void BeginDrag(bool immediate, int threshold = -1);
  // Ends this control's drag: with drop, as a button release would; without, as Escape.
  void EndDrag(bool drop);
  bool Dragging() const;
  // The dock site the control is docked in (a floating control's tool window), or nullptr.
  TWinControl* HostDockSite() const { return FHostDockSite; }
  bool Floating() const;
  // Docks into the site at a screen rectangle (the control's own place when none); the old site may refuse.
  bool ManualDock(TWinControl* site, const RECT* screenRect = nullptr);
  // Floats in a small tool window placed at the screen rectangle; closing that window hides the control.
  bool ManualFloat(const RECT& screenRect);
  // Runs while a drag rests or moves over the control (client point): controls that scroll do so near an edge.
  // True when it scrolled (the target is then asked again about the point).
  virtual bool DragAutoScroll(int /*x*/, int /*y*/) { return false; }
  // The drag machinery's calls on targets and sources.
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void DoStartDrag();
  virtual void DoEndDrag(TObject* target, int x, int y);

  TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseLeave;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

  virtual bool IsWindowed() const { return false; }
  // Visible here and in every parent.
  bool Showing() const;
  virtual void Invalidate();
  // Graphic controls draw here; the canvas's origin is the control's top-left.
  virtual void Paint(TCanvas&) {}
  TForm* ParentForm() const;
  POINT ClientToScreen(POINT p) const;

 protected:
  void Destroying() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Stores new bounds without moving any window.
  void UpdateBoundsFields(int left, int top, int width, int height);
  virtual void FontChanged();
  virtual void ColorChanged() { Invalidate(); }
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TSet32 shift, int x, int y);
  virtual void MouseMove(TSet32 shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TSet32 shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  // Mouse messages to events; true when the message was one.
  bool MouseMessage(TMessage& message);
  // After a left press on a control in automatic drag mode, which the control handled as any press: begins a
  // drag that starts once the mouse moves past the drag threshold; true when one began.
  // Controls that start their own drags (list and tree views: on their begin-drag notice) answer false.
  virtual bool BeginAutoDrag();
  // Shows the popup menu for a WM_CONTEXTMENU point (-1, -1: from the keyboard); true when one showed.
  bool ShowPopupMenu(LPARAM screenPoint);
  void HintChanged();

  std::string FCaption;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  // Mouse-up inside after a mouse-down clicks the control (graphic controls and panels).
  bool FClickEvents = true;

 private:
  friend class TWinControl;
  void ApplyParentFont();
  TWinControl* FParent = nullptr;
  TAlign FAlign = alNone;
  TFont FFont;
  bool FParentFont = true;
  bool FTakingParentFont = false;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false, FParentShowHint = true;
  int FHelpContext = 0;
  TPopupMenu* FPopupMenu = nullptr;
  std::unique_ptr<TActionLink> FActionLink;
  bool FMouseDown = false;
  bool FMouseInControl = false;
  TDragMode FDragMode = dmManual;
  TDragKind FDragKind = dkDrag;
  TCursor FDragCursor = crDrag;
  TWinControl* FHostDockSite = nullptr;
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
  // Destroys and makes again the window and all child windows; id, caption, bounds, font and visibility stay.
  void RecreateWnd();
  // The child-window id, unique in the program, kept across re-creation; 0 for a top-level window.
  int ControlId() const { return FControlId; }

  int ControlCount() const { return int(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(size_t(index)); }
  // The control at a client point that is drawn by this one (graphic children), or nullptr.
  TControl* GraphicControlAt(POINT p) const;
  // The windowed children in tab order.
  const std::vector<TWinControl*>& TabList() const { return FTabList; }
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool v);

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
  bool CanFocus() const;
  void WndProc(TMessage& message) override;
  bool DialogChar(char key) override;
  // A navigation key (Ctrl+Tab and the like) pressed with the focus on this control or inside it, asked
  // from the focus outwards before the dialog keys; true when the control took it.
  virtual bool DialogKey(WORD key, TSet32 shift);
  // The class's own procedure (the system class's, or DefWindowProc).
  void DefaultHandler(TMessage& message);
  // Lays the aligned children out; among controls on the same place the one that moved (or came) goes first.
  void AlignControls(TControl* moved = nullptr);
  // The window's own painting only (no children), onto any canvas.
  void PaintWindowTo(TCanvas& canvas) { PaintWindow(canvas); }
  // A brush of the control's colour, kept until the colour changes.
  HBRUSH BrushHandle();

  // A dock site takes controls that a dock drag drops on it.
  bool DockSite() const { return FDockSite; }
  void SetDockSite(bool v);
  virtual void DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DockDrop(TDragDockObject* source, int x, int y);
  // A docked client leaves for another site (nullptr: it floats); false keeps it here.
  virtual bool DoUnDock(TControl* client, TWinControl* newTarget);

  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TDockOverEvent OnDockOver;
  TDockDropEvent OnDockDrop;
  TUnDockEvent OnUnDock;

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
  void FontChanged() override;
  // A child came (after it is in the list) or goes (while it still is).
  virtual void ControlListChange(TControl*, bool /*inserting*/) {}
  // A child's bounds or visibility changed.
  virtual void ChildChanged(TControl*) {}
  virtual void KeyDown(WORD& key, TSet32 shift);
  virtual void KeyUp(WORD& key, TSet32 shift);
  virtual void KeyPress(char& key);
  // Colours for a WM_CTLCOLOR* the parent passed on: text in the font colour on the control's brush.
  virtual void CtlColor(TMessage& message);

  bool FTabStop = false;

 private:
  friend class TControl;
  friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void SaveWindowState();
  void PaintHandler(TMessage& message);
  bool MouseToGraphic(TMessage& message);
  void TrackGraphicUnderMouse(TControl* control);
  bool Reflect(TMessage& message);
  void UpdateTabOrder();
  void RegisterHints();
  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  int FControlId = 0;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  TControl* FMouseCapture = nullptr;
  TControl* FGraphicUnderMouse = nullptr;
  bool FAligning = false;
  TBrushHandle FBrush;
  TColor FBrushColor = clNone;
  bool FDockSite = false;
};

}  // namespace ui
