#include "form.h"

#include <algorithm>
#include <cstring>

#include "application.h"
#include "menus.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TForm,
             UI_PROP_ENUM("BorderStyle", BorderStyle, SetBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog",
                          "bsToolWindow", "bsSizeToolWin"),
             UI_PROP_SET("BorderIcons", BorderIcons, SetBorderIcons, "biSystemMenu", "biMinimize", "biMaximize",
                         "biHelp"),
             UI_PROP_ENUM("Position", Position, SetPosition, "poDesigned", "poDefault", "poDefaultPosOnly",
                          "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                          "poOwnerFormCenter"),
             UI_PROP_ENUM("WindowState", WindowState, SetWindowState, "wsNormal", "wsMinimized", "wsMaximized"),
             UI_PROP_ENUM("FormStyle", FormStyle, SetFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"),
             UI_PROP_BOOL("KeyPreview", KeyPreview, SetKeyPreview),
             UI_PROP_CLASS("ActiveControl", ActiveControl, SetActiveControl, TWinControl),
             UI_PROP_CLASS("Menu", Menu, SetMenu, TMainMenu))

namespace {
// The forms whose modal loop runs, innermost last.
std::vector<TForm*> modalLoops;
// The system message boxes and common dialogs that run on this thread.
thread_local int systemLoops = 0;
// Forms whose release came while they were held or a modal loop ran, and the program's end.
std::vector<TForm*> heldReleases;
thread_local bool endHeld = false;
thread_local std::vector<TFormHold*> liveHolds;

void Forget(std::vector<TForm*>& forms, TForm* form) {
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

bool Held(TForm* form) { return std::find(heldReleases.begin(), heldReleases.end(), form) != heldReleases.end(); }

// The last loop has returned: what waited for it is asked again.
void LoopEnded() {
  if (ModalLoopRuns()) return;
  if (!heldReleases.empty()) {
    std::vector<TForm*> held;
    held.swap(heldReleases);
    for (TForm* f : held)
      if (f->HandleAllocated()) f->Release();
  }
  if (endHeld) {
    endHeld = false;
    PostQuitMessage(0);
  }
}

void LeaveModalLoop(TForm* form) {
  Forget(modalLoops, form);
  LoopEnded();
}

// Pressed as the user would: the dialog's Cancel, else its No, else its OK.
BOOL CALLBACK CancelSystemDialog(HWND dialog, LPARAM) {
  char name[16] = "";
  if (!IsWindowVisible(dialog) || !GetClassNameA(dialog, name, sizeof name) || strcmp(name, "#32770") != 0)
    return TRUE;
  for (int id : {IDCANCEL, IDNO, IDOK}) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowVisible(button)) continue;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    break;
  }
  return TRUE;
}
}  // namespace

void EndModalLoops() {
  for (TForm* form : modalLoops) form->SetModalResult(mrCancel);
  if (systemLoops > 0) EnumThreadWindows(GetCurrentThreadId(), CancelSystemDialog, 0);
}

bool ModalLoopRuns() { return !modalLoops.empty() || systemLoops > 0; }

bool HoldEndForModalLoop() {
  if (!ModalLoopRuns()) return false;
  endHeld = true;
  return true;
}

TFormHold::TFormHold(TForm* form) {
  liveHolds.push_back(this);
  if (!form || form->IsDestroying()) return;
  FForm = form;
  ++form->FHolds;
}

TFormHold::~TFormHold() {
  liveHolds.erase(std::find(liveHolds.rbegin(), liveHolds.rend(), this).base() - 1);
  if (!FForm || --FForm->FHolds > 0 || ModalLoopRuns() || !Held(FForm)) return;
  Forget(heldReleases, FForm);
  if (FForm->HandleAllocated()) FForm->Release();
}

TSystemModalLoop::TSystemModalLoop() { ++systemLoops; }

TSystemModalLoop::~TSystemModalLoop() {
  --systemLoops;
  LoopEnded();
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  FVisible = false;
  FWidth = 320;
  FHeight = 240;
  Screen().AddForm(this);
}

void TForm::Destroying() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      Application().HandleException(this);
    }
  }
  Forget(heldReleases, this);
  Forget(modalLoops, this);
  // Freed by a direct call, the form is no longer held by anyone.
  for (TFormHold* hold : liveHolds)
    if (hold->FForm == this) hold->FForm = nullptr;
  FHolds = 0;
  Screen().RemoveForm(this);
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
  TWinControl::Destroying();
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FActiveControl) FActiveControl = nullptr;
  if (component == FMenu) {
    if (HandleAllocated()) ::SetMenu(Handle(), nullptr);
    FMenu = nullptr;
  }
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~(WS_CHILD | WS_VISIBLE);
  p.WndParent = FOwnerWindow ? FOwnerWindow : DefaultOwnerWindow();
  bool tool = FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin;
  switch (FBorderStyle) {
    case bsNone: p.Style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (tool) p.ExStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != bsNone && (FBorderIcons & (1u << biSystemMenu))) {
    p.Style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && !tool) {
      if (FBorderIcons & (1u << biMinimize)) p.Style |= WS_MINIMIZEBOX;
      if (FBorderIcons & (1u << biMaximize)) p.Style |= WS_MAXIMIZEBOX;
    }
    if (FBorderIcons & (1u << biHelp)) p.ExStyle |= WS_EX_CONTEXTHELP;
  }
  if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (!FIcon.Empty()) SendMessageA(Handle(), WM_SETICON, ICON_BIG, LPARAM(FIcon.Handle()));
  if (FMenu) FMenu->SetWindow(Handle());
  // A window made again while shown is shown again.
  if (FVisible) {
    int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINNOACTIVE
                                                                                            : SW_SHOWNORMAL;
    ShowWindow(Handle(), cmd);
  }
}

void TForm::DestroyWnd() {
  // The system destroys a window's menu with it; the menu is ours.
  if (FMenu) FMenu->SetWindow(nullptr);
  TWinControl::DestroyWnd();
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu == FMenu) return;
  if (FMenu) {
    FMenu->SetWindow(nullptr);
    RemoveFreeNotification(FMenu);
  }
  FMenu = menu;
  if (menu) {
    FreeNotification(menu);
    if (HandleAllocated()) menu->SetWindow(Handle());
  }
}

void TForm::FocusMoved(TWinControl* control) {
  if (control == FActiveControl) return;
  if (FActiveControl) RemoveFreeNotification(FActiveControl);
  FActiveControl = control;
  if (control) FreeNotification(control);
}

void TForm::SetOwnerWindow(HWND owner) {
  FOwnerWindow = owner;
  if (HandleAllocated())
    SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner ? owner : DefaultOwnerWindow()));
}

// A form that takes no input, made by a shown form for its own work (a progress window), belongs to that
// form's window, so it stays above it and the system hands activation back to it. Other forms belong to the
// application window, which minimises and restores them with the program (a modal one is owned by its caller
// while it runs).
HWND TForm::DefaultOwnerWindow() const {
  auto* form = dynamic_cast<TForm*>(Owner());
  if (!Enabled() && form && form != this && form->HandleAllocated() && IsWindowVisible(form->Handle()))
    return form->Handle();
  return Application().Handle();
}

void TForm::ApplyPosition() {
  if (FPositioned) return;
  FPositioned = true;
  RECT work{0, 0, Screen().Width(), Screen().Height()};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  TForm* center = nullptr;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      SetBounds(work.left + (work.right - work.left - Width()) / 2, work.top + (work.bottom - work.top - Height()) / 2,
                Width(), Height());
      break;
    case poMainFormCenter:
    case poOwnerFormCenter:
      center = FPosition == poOwnerFormCenter ? dynamic_cast<TForm*>(Owner()) : Application().MainForm();
      if (center && center != this)
        SetBounds(center->Left() + (center->Width() - Width()) / 2, center->Top() + (center->Height() - Height()) / 2,
                  Width(), Height());
      break;
    default:
      break;
  }
}

void TForm::SetVisible(bool visible) {
  if (visible) {
    HandleNeeded();
    ApplyPosition();
    bool was = FVisible;
    FVisible = true;
    if (!was && OnShow) OnShow(this);
    // A form that takes no input (a progress window) takes no activation either: the keyboard stays where it is.
    const bool takesInput = IsWindowEnabled(Handle());
    int cmd = FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
              : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
              : takesInput                  ? SW_SHOWNORMAL
                                            : SW_SHOWNOACTIVATE;
    if (!IsWindowVisible(Handle()) || !was) ShowWindow(Handle(), cmd);
    if (FActiveControl && FActiveControl->HandleAllocated()) FActiveControl->SetFocus();
  } else {
    if (!FVisible) return;
    FVisible = false;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    if (OnHide) OnHide(this);
  }
}

namespace {
// The outer size minus the client size for a window of that style.
SIZE FrameSize(DWORD style, DWORD exStyle, bool menu) {
  RECT r{0, 0, 100, 100};
  AdjustWindowRectEx(&r, style, menu, exStyle);
  return SIZE{r.right - r.left - 100, r.bottom - r.top - 100};
}
}  // namespace

int TForm::ClientWidth() const {
  if (HandleAllocated()) return ClientRect().right;
  TCreateParams p;
  const_cast<TForm*>(this)->CreateParams(p);
  return Width() - FrameSize(p.Style, p.ExStyle, FMenu != nullptr).cx;
}

int TForm::ClientHeight() const {
  if (HandleAllocated()) return ClientRect().bottom;
  TCreateParams p;
  const_cast<TForm*>(this)->CreateParams(p);
  return Height() - FrameSize(p.Style, p.ExStyle, FMenu != nullptr).cy;
}

void TForm::SetClientSize(int width, int height) {
  SIZE frame;
  if (HandleAllocated()) {
    RECT client = ClientRect(), outer;
    GetWindowRect(Handle(), &outer);
    frame = SIZE{outer.right - outer.left - client.right, outer.bottom - outer.top - client.bottom};
  } else {
    TCreateParams p;
    CreateParams(p);
    frame = FrameSize(p.Style, p.ExStyle, FMenu != nullptr);
  }
  SetBounds(Left(), Top(), width + frame.cx, height + frame.cy);
}

void TForm::SetMinSize(int width, int height) {
  FMinWidth = width > 0 ? width : 0;
  FMinHeight = height > 0 ? height : 0;
  SetBounds(Left(), Top(), Width(), Height());
}

void TForm::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width < FMinWidth ? FMinWidth : width, height < FMinHeight ? FMinHeight : height);
}

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::Hide() { SetVisible(false); }

void TForm::BringToFront() {
  if (!HandleAllocated() || !FVisible) return;
  const bool takesInput = IsWindowEnabled(Handle());
  SetWindowPos(Handle(), FFormStyle == fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | (takesInput ? 0 : SWP_NOACTIVATE));
  if (takesInput) SetForegroundWindow(Handle());
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TForm::Release() {
  // Released while its own loop runs, the form ends it; it is freed once the loop has returned.
  if (FModal && FModalResult == mrNone) FModalResult = mrCancel;
  PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

bool TForm::CloseModal() {
  TCloseAction action = caHide;
  if (!CloseQuery()) action = caNone;
  else if (OnClose) OnClose(this, action);
  if (action == caNone) {
    FModalResult = mrNone;
    return false;
  }
  if (action == caFree) Release();
  return true;
}

// Callbacks are stdcall on 32-bit Windows, which a lambda cannot be.
static BOOL CALLBACK CollectEnabledWindow(HWND w, LPARAM p) {
  auto* list = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(p);
  if (w != list->first && IsWindowVisible(w) && IsWindowEnabled(w)) list->second->push_back(w);
  return TRUE;
}

TModalResult TForm::ShowModal() {
  if (FVisible || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  // The form that opened the dialog owns it, so the dialog never falls behind its caller.
  HWND caller = GetActiveWindow();
  if (!dynamic_cast<TForm*>(FindControl(caller)) || FindControl(caller) == this) caller = nullptr;
  if (!caller && Screen().ActiveForm() && Screen().ActiveForm() != this && Screen().ActiveForm()->Visible())
    caller = Screen().ActiveForm()->Handle();
  SetOwnerWindow(caller);
  HWND self = Handle();
  std::vector<HWND> disabled;
  std::pair<HWND, std::vector<HWND>*> walk(self, &disabled);
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&walk));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  FModal = true;
  FModalResult = mrNone;
  modalLoops.push_back(this);
  try {
    Show();
    for (;;) {
      Application().HandleMessage();
      if (Application().Terminated()) FModalResult = mrCancel;
      if (FModalResult != mrNone && (Application().Terminated() || CloseModal())) break;
    }
  } catch (...) {
    FModal = false;
    for (HWND w : disabled) EnableWindow(w, TRUE);
    SetOwnerWindow(nullptr);
    LeaveModalLoop(this);
    throw;
  }
  FModal = false;
  for (HWND w : disabled) EnableWindow(w, TRUE);
  Hide();
  SetOwnerWindow(nullptr);
  // Back to the caller, which focuses its active control again.
  if (caller && IsWindow(caller) && IsWindowVisible(caller)) SetActiveWindow(caller);
  LeaveModalLoop(this);
  return FModalResult;
}

void TForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  RecreateWnd();
}

void TForm::SetBorderIcons(TSet32 v) {
  if (v == FBorderIcons) return;
  FBorderIcons = v;
  RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle v) {
  if (v == FFormStyle) return;
  FFormStyle = v;
  if (HandleAllocated())
    SetWindowPos(Handle(), v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState() const {
  if (FVisible && const_cast<TForm*>(this)->HandleAllocated()) {
    HWND h = const_cast<TForm*>(this)->Handle();
    if (IsIconic(h)) return wsMinimized;
    if (IsZoomed(h)) return wsMaximized;
    return wsNormal;
  }
  return FWindowState;
}

void TForm::SetWindowState(TWindowState v) {
  FWindowState = v;
  if (FVisible && HandleAllocated())
    ShowWindow(Handle(), v == wsMaximized ? SW_MAXIMIZE : v == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control && control->ParentForm() != this)
    throw EInvalidOperation("Invalid control: it is not on this form");
  if (FActiveControl) RemoveFreeNotification(FActiveControl);
  FActiveControl = control;
  if (control) {
    FreeNotification(control);
    if (FVisible && HandleAllocated()) control->SetFocus();
  }
}

void TForm::SetIcon(TIcon* icon) {
  FIcon.Assign(icon);
  if (HandleAllocated()) SendMessageA(Handle(), WM_SETICON, ICON_BIG, LPARAM(FIcon.Handle()));
}

namespace {
// The button a dialog key clicks: the default or the cancel one, visible and enabled.
TButton* FindDialogButton(TWinControl* parent, bool cancel) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if (auto* b = dynamic_cast<TButton*>(c))
      if (cancel ? b->Cancel() : b->Default()) return b;
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TButton* b = FindDialogButton(w, cancel)) return b;
  }
  return nullptr;
}

TWinControl* FindById(TWinControl* parent, int id) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* w = dynamic_cast<TWinControl*>(parent->Controls(i));
    if (!w) continue;
    if (w->ControlId() == id) return w;
    if (TWinControl* found = FindById(w, id)) return found;
  }
  return nullptr;
}
}  // namespace

bool TForm::Command(WORD id) {
  if (DispatchMenuCommand(id)) return true;
  TButton* button = nullptr;
  if (id == IDOK) button = FindDialogButton(this, false);
  else if (id == IDCANCEL) button = FindDialogButton(this, true);
  else button = dynamic_cast<TButton*>(FindById(this, id));
  if (!button) return false;
  button->Click();
  return true;
}

bool TForm::IsShortCut(TShortCut shortCut) {
  if (FMenu && FMenu->IsShortCut(shortCut)) return true;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TActionList*>(Components(i)))
      if (list->IsShortCut(shortCut)) return true;
  return false;
}

void TForm::UpdateActions() {
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TActionList*>(Components(i))) list->UpdateActions();
}

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case CM_RELEASE:
      // Freed under a call or inside a modal loop, the form (or the window that waits for the loop) would be
      // gone when they return to their callers.
      if (FHolds > 0 || ModalLoopRuns()) {
        if (!Held(this)) heldReleases.push_back(this);
        return;
      }
      Free();
      return;
    case WM_ACTIVATE:
      if (LOWORD(m.WParam) != WA_INACTIVE) {
        Screen().SetActiveForm(this);
        DefaultHandler(m);
        if (FActiveControl && FActiveControl->HandleAllocated() && FActiveControl->CanFocus() && !HIWORD(m.WParam))
          ::SetFocus(FActiveControl->Handle());
        if (OnActivate) OnActivate(this);
        return;
      }
      if (OnDeactivate) OnDeactivate(this);
      break;
    case DM_GETDEFID: {
      // Enter clicks the focused button, else the default one.
      auto* button = dynamic_cast<TButton*>(FindControl(GetFocus()));
      if (!button || button->ParentForm() != this) button = FindDialogButton(this, false);
      m.Result = button && button->HandleAllocated() ? MAKELONG(button->ControlId(), DC_HASDEFID) : 0;
      return;
    }
    case WM_COMMAND:
      if (!m.LParam && Command(LOWORD(m.WParam))) return;
      break;
    case WM_INITMENUPOPUP:
      DispatchMenuPopup(reinterpret_cast<HMENU>(m.WParam));
      break;
    case WM_ENTERMENULOOP:
      MenuLoopEntered();
      break;
    case WM_EXITMENULOOP:
      MenuLoopExited();
      break;
    case WM_GETMINMAXINFO: {
      DefaultHandler(m);
      auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
      if (info->ptMinTrackSize.x < FMinWidth) info->ptMinTrackSize.x = FMinWidth;
      if (info->ptMinTrackSize.y < FMinHeight) info->ptMinTrackSize.y = FMinHeight;
      return;
    }
    case WM_ENABLE:
      // Made active again while it was disabled (its own dialog closed), the form could not give its control
      // the keyboard then: it does so now.
      if (m.WParam && GetActiveWindow() == Handle() && (!GetFocus() || GetFocus() == Handle()) && FActiveControl &&
          FActiveControl->HandleAllocated() && FActiveControl->CanFocus())
        ::SetFocus(FActiveControl->Handle());
      break;
    case WM_SHOWWINDOW:
      // Hidden by the system with its owner (whole-program minimise) keeps Visible.
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

}  // namespace ui
