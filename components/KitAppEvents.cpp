#include "KitAppEvents.h"

#include <algorithm>
#include <memory>

#include "screen.h"

using namespace ui;

UI_CLASSINFO(TAppEvents, UI_PROP_BOOL("Chained", Chained, SetChained),
             UI_PROP(Integer, "HintColor", HintColor, SetHintColor),
             UI_PROP(Integer, "HintPause", HintPause, SetHintPause),
             UI_PROP(Integer, "HintShortPause", HintShortPause, SetHintShortPause),
             UI_PROP(Integer, "HintHidePause", HintHidePause, SetHintHidePause),
             UI_PROP_BOOL("ShowHint", ShowHint, SetShowHint),
             UI_PROP_BOOL("HintShortCuts", HintShortCuts, SetHintShortCuts),
             UI_PROP_BOOL("ShowMainForm", ShowMainForm, SetShowMainForm),
             UI_PROP_BOOL("UpdateFormatSettings", UpdateFormatSettings, SetUpdateFormatSettings),
             UI_PROP_BOOL("UpdateMetricSettings", UpdateMetricSettings, SetUpdateMetricSettings),
             UI_PROP_ENUM("BiDiMode", BiDiMode, SetBiDiMode, "bdLeftToRight", "bdRightToLeft",
                          "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"),
             UI_PROP_BOOL("MouseDragImmediate", MouseDragImmediate, SetMouseDragImmediate),
             UI_PROP(Integer, "MouseDragThreshold", MouseDragThreshold, SetMouseDragThreshold))

TAppEvents::TAppEvents(TComponent* owner) : TComponent(owner) {
  FHookId = Application().HookMainWindow([this](TMessage& message) { return MainWindowHook(message); });
  TAppEventList::Instance().Add(this);
}

void TAppEvents::Destroying() {
  Application().UnhookMainWindow(FHookId);
  TAppEventList::Instance().Remove(this);
  TComponent::Destroying();
}

void TAppEvents::Loaded() {
  TComponent::Loaded();
  WriteSettings();
}

void TAppEvents::WriteSettings() {
  TApplication& app = Application();
  app.HintColor = FHintColor;
  app.HintPause = FHintPause;
  app.HintShortPause = FHintShortPause;
  app.HintHidePause = FHintHidePause;
  app.ShowHint = FShowHint;
  app.HintShortCuts = FHintShortCuts;
  app.ShowMainForm = FShowMainForm;
  app.UpdateFormatSettings = FUpdateFormatSettings;
  app.UpdateMetricSettings = FUpdateMetricSettings;
  app.BiDiMode = FBiDiMode;
  app.Mouse.DragImmediate = FMouseDragImmediate;
  app.Mouse.DragThreshold = FMouseDragThreshold;
}

bool TAppEvents::MainWindowHook(TMessage& message) {
  HWND window = Application().Handle();
  if (message.Msg == WM_PAINT && IsIconic(window) && OnPaintIcon) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    try {
      TCanvas canvas(dc);
      OnPaintIcon(this, canvas);
    } catch (...) {
      EndPaint(window, &paint);
      throw;
    }
    EndPaint(window, &paint);
    return true;
  }
  if (message.Msg == WM_SETTINGCHANGE && OnSettingsChanged) {
    try {
      OnSettingsChanged(this);
    } catch (...) {
      Application().HandleException(this);
    }
  }
  return false;
}

TColor TAppEvents::HintColor() const { return Application().HintColor; }
void TAppEvents::SetHintColor(TColor v) { Application().HintColor = FHintColor = v; }
int TAppEvents::HintPause() const { return Application().HintPause; }
void TAppEvents::SetHintPause(int v) { Application().HintPause = FHintPause = v; }
int TAppEvents::HintShortPause() const { return Application().HintShortPause; }
void TAppEvents::SetHintShortPause(int v) { Application().HintShortPause = FHintShortPause = v; }
int TAppEvents::HintHidePause() const { return Application().HintHidePause; }
void TAppEvents::SetHintHidePause(int v) { Application().HintHidePause = FHintHidePause = v; }
bool TAppEvents::ShowHint() const { return Application().ShowHint; }
void TAppEvents::SetShowHint(bool v) { Application().ShowHint = FShowHint = v; }
bool TAppEvents::HintShortCuts() const { return Application().HintShortCuts; }
void TAppEvents::SetHintShortCuts(bool v) { Application().HintShortCuts = FHintShortCuts = v; }
bool TAppEvents::ShowMainForm() const { return Application().ShowMainForm; }
void TAppEvents::SetShowMainForm(bool v) { Application().ShowMainForm = FShowMainForm = v; }
bool TAppEvents::UpdateFormatSettings() const { return Application().UpdateFormatSettings; }
void TAppEvents::SetUpdateFormatSettings(bool v) { Application().UpdateFormatSettings = FUpdateFormatSettings = v; }
bool TAppEvents::UpdateMetricSettings() const { return Application().UpdateMetricSettings; }
void TAppEvents::SetUpdateMetricSettings(bool v) { Application().UpdateMetricSettings = FUpdateMetricSettings = v; }
TBiDiMode TAppEvents::BiDiMode() const { return Application().BiDiMode; }
void TAppEvents::SetBiDiMode(TBiDiMode v) { Application().BiDiMode = FBiDiMode = v; }
bool TAppEvents::MouseDragImmediate() const { return Application().Mouse.DragImmediate; }
void TAppEvents::SetMouseDragImmediate(bool v) { Application().Mouse.DragImmediate = FMouseDragImmediate = v; }
int TAppEvents::MouseDragThreshold() const { return Application().Mouse.DragThreshold; }
void TAppEvents::SetMouseDragThreshold(int v) { Application().Mouse.DragThreshold = FMouseDragThreshold = v; }

TAppEventList& TAppEventList::Instance() {
  static std::unique_ptr<TAppEventList> list(new TAppEventList);  // freed at program end
  return *list;
}

void TAppEventList::Add(TAppEvents* events) {
  FItems.push_back({events, FNextSerial++});
  if (!FAssigned) TakeOver();
}

void TAppEventList::Remove(TAppEvents* events) {
  FItems.erase(std::remove_if(FItems.begin(), FItems.end(), [events](const TItem& i) { return i.Events == events; }),
               FItems.end());
  if (FItems.empty() && FAssigned) Restore();
}

bool TAppEventList::Alive(const TItem& item) const {
  return std::any_of(FItems.begin(), FItems.end(),
                     [&](const TItem& i) { return i.Events == item.Events && i.Serial == item.Serial; });
}

bool TAppEventList::Walk(const std::function<void(TAppEvents&)>& call) {
  // A handler may free instances, this one included: the walk goes over a copy and skips the freed ones.
  std::vector<TItem> snapshot(FItems);
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    if (!Alive(*it)) continue;
    call(*it->Events);
    if (Alive(*it) && !it->Events->Chained()) return false;
  }
  return true;
}

void TAppEventList::Notify(TNotifyEvent TAppEvents::*event, TNotifyEvent TAppEventList::*saved, TObject* sender) {
  if (Walk([&](TAppEvents& e) { if (e.*event) (e.*event)(sender); }) && this->*saved) (this->*saved)(sender);
}

void TAppEventList::TakeOver() {
  TApplication& app = Application();
  FActionExecute = app.OnActionExecute;
  FActionUpdate = app.OnActionUpdate;
  FShortCut = app.OnShortCut;
  FActivate = app.OnActivate;
  FDeactivate = app.OnDeactivate;
  FMinimize = app.OnMinimize;
  FRestore = app.OnRestore;
  FHint = app.OnHint;
  FShowHint = app.OnShowHint;
  FHelp = app.OnHelp;
  FException = app.OnException;
  FIdle = app.OnIdle;
  FMessage = app.OnMessage;
  FActiveControlChange = Screen().OnActiveControlChange;
  FActiveFormChange = Screen().OnActiveFormChange;

  // A handler may free the last instance, which puts the saved handlers back and so destroys the dispatcher
  // that is running: the dispatchers keep nothing of their own and reach the list through Instance().
  app.OnActionExecute = [](TAction* action, bool& handled) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnActionExecute) e.OnActionExecute(action, handled); }) &&
        list.FActionExecute)
      list.FActionExecute(action, handled);
  };
  app.OnActionUpdate = [](TAction* action, bool& handled) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnActionUpdate) e.OnActionUpdate(action, handled); }) &&
        list.FActionUpdate)
      list.FActionUpdate(action, handled);
  };
  app.OnShortCut = [](TMessage& key, bool& handled) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnShortCut) e.OnShortCut(key, handled); }) && list.FShortCut)
      list.FShortCut(key, handled);
  };
  app.OnActivate = [](TObject* sender) { Instance().Notify(&TAppEvents::OnActivate, &TAppEventList::FActivate, sender); };
  app.OnDeactivate = [](TObject* sender) {
    Instance().Notify(&TAppEvents::OnDeactivate, &TAppEventList::FDeactivate, sender);
  };
  app.OnMinimize = [](TObject* sender) { Instance().Notify(&TAppEvents::OnMinimize, &TAppEventList::FMinimize, sender); };
  app.OnRestore = [](TObject* sender) { Instance().Notify(&TAppEvents::OnRestore, &TAppEventList::FRestore, sender); };
  app.OnHint = [](TObject* sender) { Instance().Notify(&TAppEvents::OnHint, &TAppEventList::FHint, sender); };
  app.OnShowHint = [](std::string& hint, bool& canShow, THintInfo& info) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnShowHint) e.OnShowHint(hint, canShow, info); }) && list.FShowHint)
      list.FShowHint(hint, canShow, info);
  };
  app.OnHelp = [](WORD command, intptr_t data, bool& callHelp) {
    TAppEventList& list = Instance();
    bool result = false;
    if (list.Walk([&](TAppEvents& e) { if (e.OnHelp) result = e.OnHelp(command, data, callHelp); }) && list.FHelp)
      result = list.FHelp(command, data, callHelp);
    return result;
  };
  app.OnException = [](TObject* sender, const std::exception& error) {
    TAppEventList& list = Instance();
    bool reported = false;
    bool all = list.Walk([&](TAppEvents& e) {
      if (!e.OnException) return;
      reported = true;
      e.OnException(sender, error);
    });
    if (all && list.FException) {
      list.FException(sender, error);
      reported = true;
    }
    // Taking over the slot must not make a failure vanish that nobody handles.
    if (!reported) Application().ShowException(error);
  };
  app.OnIdle = [](TObject* sender, bool& done) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnIdle) e.OnIdle(sender, done); }) && list.FIdle) list.FIdle(sender, done);
  };
  app.OnMessage = [](MSG& msg, bool& handled) {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnMessage) e.OnMessage(msg, handled); }) && list.FMessage)
      list.FMessage(msg, handled);
  };
  Screen().OnActiveControlChange = [] {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnActiveControlChange) e.OnActiveControlChange(&e); }) &&
        list.FActiveControlChange)
      list.FActiveControlChange();
  };
  Screen().OnActiveFormChange = [] {
    TAppEventList& list = Instance();
    if (list.Walk([&](TAppEvents& e) { if (e.OnActiveFormChange) e.OnActiveFormChange(&e); }) &&
        list.FActiveFormChange)
      list.FActiveFormChange();
  };
  FAssigned = true;
}

void TAppEventList::Restore() {
  TApplication& app = Application();
  app.OnActionExecute = FActionExecute;
  app.OnActionUpdate = FActionUpdate;
  app.OnShortCut = FShortCut;
  app.OnActivate = FActivate;
  app.OnDeactivate = FDeactivate;
  app.OnMinimize = FMinimize;
  app.OnRestore = FRestore;
  app.OnHint = FHint;
  app.OnShowHint = FShowHint;
  app.OnHelp = FHelp;
  app.OnException = FException;
  app.OnIdle = FIdle;
  app.OnMessage = FMessage;
  Screen().OnActiveControlChange = FActiveControlChange;
  Screen().OnActiveFormChange = FActiveFormChange;
  FAssigned = false;
}
