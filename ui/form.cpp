#include "form.h"

#include <algorithm>

#include "application.h"
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
             UI_PROP_CLASS("ActiveControl", ActiveControl, SetActiveControl, TWinControl))

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
  Screen().RemoveForm(this);
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
  TWinControl::Destroying();
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FActiveControl) FActiveControl = nullptr;
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~(WS_CHILD | WS_VISIBLE);
  p.WndParent = Application().Handle();
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
  // A window made again while shown is shown again.
  if (FVisible) {
    int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINNOACTIVE
                                                                                            : SW_SHOWNORMAL;
    ShowWindow(Handle(), cmd);
  }
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
    int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                                                            : SW_SHOWNORMAL;
    if (!IsWindowVisible(Handle()) || !was) ShowWindow(Handle(), cmd);
    if (FActiveControl && FActiveControl->HandleAllocated()) FActiveControl->SetFocus();
  } else {
    if (!FVisible) return;
    FVisible = false;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    if (OnHide) OnHide(this);
  }
}

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::Hide() { SetVisible(false); }

void TForm::BringToFront() {
  if (HandleAllocated() && FVisible) {
    SetWindowPos(Handle(), FFormStyle == fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(Handle());
  }
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

void TForm::Release() { PostMessageA(Handle(), CM_RELEASE, 0, 0); }

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
  HWND self = Handle();
  std::vector<HWND> disabled;
  std::pair<HWND, std::vector<HWND>*> walk(self, &disabled);
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&walk));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  FModal = true;
  FModalResult = mrNone;
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
    throw;
  }
  FModal = false;
  for (HWND w : disabled) EnableWindow(w, TRUE);
  Hide();
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

bool TForm::IsShortCut(TShortCut shortCut) {
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
      Free();
      return;
    case WM_ACTIVATE:
      if (LOWORD(m.WParam) != WA_INACTIVE) {
        Screen().SetActiveForm(this);
        if (OnActivate) OnActivate(this);
      } else if (OnDeactivate) {
        OnDeactivate(this);
      }
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
