#pragma once
// TApplication: the hidden application window, the message loop, idle work, hints and exception report.
//
// Threads: every window, control, form, menu and dialog of the library belongs to the GUI thread (the thread
// that first uses Application()) and is touched from that thread only. Another thread reaches the GUI through
// Synchronize (a call that runs on the GUI thread while the caller waits) or by posting a message to a window;
// it never calls a control, a form or the screen directly.
#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "action.h"
#include "component.h"
#include "control.h"

namespace ui {

class TForm;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// Mouse settings the kit sets from its application-events component.
struct TMouse {
  // Kept as the kit sets it; an automatic drag waits for the threshold all the same, so that a press on a
  // control in automatic drag mode stays a plain press until the mouse moves.
  bool DragImmediate = true;
  int DragThreshold = 5;
};

// What a hint about to show is about; OnShowHint may change the text or refuse the hint.
struct THintInfo {
  TControl* HintControl = nullptr;
  POINT CursorPos{0, 0};
  int HideTimeout = 0;
};

using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using THelpEvent = std::function<bool(WORD command, intptr_t data, bool& callHelp)>;

class TApplication : public TComponent {
  UI_CLASS(TApplication, TComponent)
 public:
  TApplication();
  ~TApplication() override;

  HWND Handle();
  TForm* MainForm() const { return FMainForm; }
  void SetMainForm(TForm* form) { FMainForm = form; }
  // Makes a form with the application as owner; the first one becomes the main form.
  template <class T>
  T* CreateForm() {
    T* form = new T(this);
    if (!FMainForm) FMainForm = form;
    return form;
  }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& title);

  void Run();
  // Posts WM_QUIT; the loop ends when WM_QUIT comes through unhandled. Asked while a modal loop runs, the
  // end waits until the last one has returned.
  void Terminate();
  bool Terminated() const { return FTerminated; }
  void ProcessMessages();
  // One message, or idle work and a wait when the queue is empty.
  void HandleMessage();
  // Idle work: actions of the shown forms updated, then OnIdle. Returns whether to wait.
  bool Idle();

  // Call inside a catch block: EAbort is silent, else OnException, else a stop box.
  void HandleException(TObject* sender);
  void ShowException(const std::exception& e);

  // Runs on the GUI thread; from another thread it waits for the GUI thread to run it.
  void Synchronize(const std::function<void()>& method);

  // The long hint of the control under the mouse; setting a new text runs OnHint.
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint);
  // Help requests go to OnHelp; true when it handled them.
  bool HelpCommand(WORD command, intptr_t data);
  bool HelpContext(int context);

  // The tooltip window, once a control with a hint made it.
  HWND HintWindow() const { return FHintWindow; }
  // Adds, moves or removes the control's tooltip after a change of its hint, bounds or window.
  void UpdateHintTool(TControl* control);
  void RemoveHintTool(TControl* control);
  // A notification of the tooltip window (the text it is about to show).
  LRESULT HintNotify(NMHDR* header);

  // Whole-program minimise and restore.
  void Minimize();
  void Restore();

  // A hook sees every message of the application window first; returning true handles it.
  using TWindowHook = std::function<bool(TMessage& message)>;
  int HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(int id);

  std::function<void(MSG& msg, bool& handled)> OnMessage;
  std::function<void(TObject* sender, bool& done)> OnIdle;
  std::function<void(TObject* sender, const std::exception& e)> OnException;
  TActionEvent OnActionExecute;
  TActionEvent OnActionUpdate;
  std::function<void(TMessage& keyMessage, bool& handled)> OnShortCut;
  TNotifyEvent OnActivate, OnDeactivate, OnMinimize, OnRestore;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  THelpEvent OnHelp;

  // Settings the kit's application-events component writes.
  TColor HintColor = clInfoBk;
  int HintPause = 500, HintShortPause = 50, HintHidePause = 2500;
  bool ShowHint = true, HintShortCuts = true, ShowMainForm = true;
  bool UpdateFormatSettings = true, UpdateMetricSettings = true;
  TBiDiMode BiDiMode = bdLeftToRight;
  TMouse Mouse;

 private:
  bool ProcessMessage(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  // The form under the key message lets the dialog keys work: navigation keys of the controls around the
  // focus, Alt+letter of a label, then IsDialogMessage.
  bool IsDlgMsg(MSG& msg);
  void ApplyHintSettings();
  static LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
  void AppWndProcBody(TMessage& m);

  HWND FHandle = nullptr;
  TForm* FMainForm = nullptr;
  std::string FTitle;
  bool FTerminated = false;
  DWORD FMainThreadId;
  std::vector<std::pair<int, TWindowHook>> FHooks;
  int FNextHookId = 1;
  std::string FHint;
  HWND FHintWindow = nullptr;
  // Each hinted control and the window its tooltip lies on.
  std::map<TControl*, HWND> FHintTools;
  std::string FHintText;
};

TApplication& Application();

}  // namespace ui
