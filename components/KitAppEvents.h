#pragma once
// TAppEvents: lets a window handle the application-wide events and set the application's hint and mouse
// settings. Several instances may exist: one hidden TAppEventList takes over the application's and the
// screen's event slots while any instance lives and passes each event to every instance, newest first.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>

#include "action.h"
#include "application.h"
#include "component.h"
#include "graphics.h"

class TAppEvents : public ui::TComponent {
  UI_CLASS(TAppEvents, ui::TComponent)
 public:
  explicit TAppEvents(ui::TComponent* owner);
  // Writes every setting to the application once the instance is loaded.
  void Loaded() override;

  // False: older instances (and the application's own handler) do not see the events this one saw.
  bool Chained() const { return FChained; }
  void SetChained(bool v) { FChained = v; }

  // Settings: each is written to the application at once and read back from it.
  ui::TColor HintColor() const;
  void SetHintColor(ui::TColor v);
  int HintPause() const;
  void SetHintPause(int v);
  int HintShortPause() const;
  void SetHintShortPause(int v);
  int HintHidePause() const;
  void SetHintHidePause(int v);
  bool ShowHint() const;
  void SetShowHint(bool v);
  bool HintShortCuts() const;
  void SetHintShortCuts(bool v);
  bool ShowMainForm() const;
  void SetShowMainForm(bool v);
  bool UpdateFormatSettings() const;
  void SetUpdateFormatSettings(bool v);
  bool UpdateMetricSettings() const;
  void SetUpdateMetricSettings(bool v);
  ui::TBiDiMode BiDiMode() const;
  void SetBiDiMode(ui::TBiDiMode v);
  bool MouseDragImmediate() const;
  void SetMouseDragImmediate(bool v);
  int MouseDragThreshold() const;
  void SetMouseDragThreshold(int v);

  ui::TActionEvent OnActionExecute;
  ui::TActionEvent OnActionUpdate;
  std::function<void(ui::TMessage& keyMessage, bool& handled)> OnShortCut;
  ui::TNotifyEvent OnActivate, OnDeactivate;
  std::function<void(ui::TObject* sender, const std::exception& e)> OnException;
  std::function<void(ui::TObject* sender, bool& done)> OnIdle;
  std::function<void(MSG& msg, bool& handled)> OnMessage;
  ui::TNotifyEvent OnMinimize, OnRestore;
  ui::TNotifyEvent OnHint;
  ui::TShowHintEvent OnShowHint;
  // The last handler's result is the answer.
  ui::THelpEvent OnHelp;
  // A paint of the minimised application's window, with a canvas on it.
  std::function<void(ui::TObject* sender, ui::TCanvas& canvas)> OnPaintIcon;
  ui::TNotifyEvent OnSettingsChanged;
  ui::TNotifyEvent OnActiveControlChange, OnActiveFormChange;

 protected:
  void Destroying() override;

 private:
  bool MainWindowHook(ui::TMessage& message);
  void WriteSettings();

  bool FChained = true;
  ui::TColor FHintColor = ui::clInfoBk;
  int FHintPause = 500, FHintShortPause = 50, FHintHidePause = 2500;
  bool FShowHint = true, FHintShortCuts = true, FShowMainForm = true;
  bool FUpdateFormatSettings = true, FUpdateMetricSettings = true;
  ui::TBiDiMode FBiDiMode = ui::bdLeftToRight;
  bool FMouseDragImmediate = true;
  int FMouseDragThreshold = 5;
  int FHookId = 0;
};

// The one list of instances, in creation order. It installs its dispatchers in the application's and the
// screen's slots when the first instance joins and puts the saved handlers back when the last one leaves.
class TAppEventList {
 public:
  static TAppEventList& Instance();
  void Add(TAppEvents* events);
  void Remove(TAppEvents* events);
  int Count() const { return int(FItems.size()); }
  bool Assigned() const { return FAssigned; }

 private:
  struct TItem {
    TAppEvents* Events;
    uint64_t Serial;  // tells an instance from a later one at the same address
  };
  void TakeOver();
  void Restore();
  bool Alive(const TItem& item) const;
  // Calls each live instance of a snapshot, newest first; false when a non-chained instance stopped the walk.
  bool Walk(const std::function<void(TAppEvents&)>& call);
  void Notify(ui::TNotifyEvent TAppEvents::*event, ui::TNotifyEvent TAppEventList::*saved, ui::TObject* sender);

  std::vector<TItem> FItems;
  uint64_t FNextSerial = 1;
  bool FAssigned = false;

  // The handlers that were in the slots when the list took them over.
  ui::TActionEvent FActionExecute, FActionUpdate;
  std::function<void(ui::TMessage&, bool&)> FShortCut;
  ui::TNotifyEvent FActivate, FDeactivate, FMinimize, FRestore, FHint;
  ui::TShowHintEvent FShowHint;
  ui::THelpEvent FHelp;
  std::function<void(ui::TObject*, const std::exception&)> FException;
  std::function<void(ui::TObject*, bool&)> FIdle;
  std::function<void(MSG&, bool&)> FMessage;
  std::function<void()> FActiveControlChange, FActiveFormChange;
};
