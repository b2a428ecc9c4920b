#pragma once
// TForm: a top-level window owned by the application window.
#include <functional>
#include <memory>

#include "action.h"
#include "control.h"
#include "icon.h"

namespace ui {

class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
enum : TModalResult { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                      mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO };

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// One rule decides when a form is freed: its release (and the program's end) waits until no call into
// the form and no modal loop of the program is under way. The loops are our forms' own, a system message
// box's and a common dialog's; a call is a message the form or one of its controls handles, or a TFormHold.

// The program is asked to end: every modal loop that runs ends as cancelled (a system dialog by its Cancel,
// else its No, else its OK button).
void EndModalLoops();
// True while a modal loop of this program runs.
bool ModalLoopRuns();
// The program's end asked for while a modal loop runs is kept (true) and comes when the last loop returns.
bool HoldEndForModalLoop();

class TForm;

// Keeps the form whole for its life: a call into it from elsewhere that serves the message queue. A release
// that comes meanwhile frees the form after the last hold has ended.
class TFormHold {
 public:
  explicit TFormHold(TForm* form);
  ~TFormHold();
  TFormHold(const TFormHold&) = delete;
  TFormHold& operator=(const TFormHold&) = delete;
  // The held form; null when none was given or it was freed by a direct Free.
  TForm* Form() const { return FForm; }

 private:
  friend class TForm;
  TForm* FForm = nullptr;
};

// Marks a system message box or common dialog for its life: it is a modal loop of the program.
class TSystemModalLoop {
 public:
  TSystemModalLoop();
  ~TSystemModalLoop();
  TSystemModalLoop(const TSystemModalLoop&) = delete;
  TSystemModalLoop& operator=(const TSystemModalLoop&) = delete;
};

class TForm : public TWinControl {
  UI_CLASS(TForm, TWinControl)
 public:
  explicit TForm(TComponent* owner);

  void Show();
  void Hide();
  // Asks CloseQuery, then OnClose decides: hide (default), minimise, free later, or nothing.
  void Close();
  // Frees the form once the messages already queued for it are handled, no call into it is under way and
  // no modal loop runs; a form in its own modal loop ends it as cancelled.
  void Release();
  TModalResult ShowModal();
  virtual bool CloseQuery();
  void BringToFront();

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle v);
  TSet32 BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TSet32 v);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition v) { FPosition = v; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle v);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool v) { FKeyPreview = v; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult v) { FModalResult = v; }
  TIcon* Icon() { return &FIcon; }
  void SetIcon(TIcon* icon);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);
  // The focus came to one of the form's controls: it becomes the active control, focused again on activation.
  void FocusMoved(TWinControl* control);

  // The size inside the border, caption and menu; set, the window grows or shrinks around it (set the
  // border style first: it decides the frame).
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }
  void SetClientSize(int width, int height);
  // The smallest outer size the form takes, by the user's dragging or by code; 0 is no limit.
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  void SetMinSize(int width, int height);

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  // The form's action lists run the enabled action with that shortcut.
  bool IsShortCut(TShortCut shortCut);
  void UpdateActions();

  TNotifyEvent OnShow, OnHide, OnDestroy, OnActivate, OnDeactivate;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Destroying() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TFormHold;
  void ApplyPosition();
  bool CloseModal();
  // WM_COMMAND that no child took: menu commands, and the dialog keys' IDOK and IDCANCEL.
  bool Command(WORD id);
  void SetOwnerWindow(HWND owner);
  HWND DefaultOwnerWindow() const;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TSet32 FBorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FPositioned = false;
  TIcon FIcon;
  TMainMenu* FMenu = nullptr;
  // The window a modal form is owned by while it runs; DefaultOwnerWindow otherwise.
  HWND FOwnerWindow = nullptr;
  int FMinWidth = 0, FMinHeight = 0;
  // Calls into the form under way (TFormHold).
  int FHolds = 0;
};

}  // namespace ui
