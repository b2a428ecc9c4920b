#pragma once
// Actions: named commands with caption, shortcut and state, which linked controls follow.
#include <functional>
#include <string>
#include <vector>

#include "component.h"
#include "control.h"

namespace ui {

class TActionList;
class TImageList;

// A key code in the low byte plus the shift bits below.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(WORD key, TSet32 shift);

class TAction : public TComponent {
  UI_CLASS(TAction, TComponent)
 public:
  explicit TAction(TComponent* owner);

  TActionList* ActionList() const { return FActionList; }
  void SetActionList(TActionList* list);

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& v);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut v) { FShortCut = v; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);

  // Asks the list, then the application, then OnExecute; true when someone handled it.
  virtual bool Execute();
  // The same chain with OnUpdate; runs when the program is idle.
  virtual bool Update();

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

  void RegisterChanges(TControl* client);
  void UnRegisterChanges(TControl* client);

 protected:
  void Destroying() override;

 private:
  void Changed();
  TActionList* FActionList = nullptr;
  std::string FCaption, FHint;
  TShortCut FShortCut = 0;
  bool FChecked = false, FEnabled = true, FVisible = true;
  int FImageIndex = -1;
  std::vector<TControl*> FClients;
};

using TActionEvent = std::function<void(TAction* action, bool& handled)>;

class TActionList : public TComponent {
  UI_CLASS(TActionList, TComponent)
 public:
  explicit TActionList(TComponent* owner);

  int ActionCount() const { return int(FActions.size()); }
  TAction* Actions(int index) const { return FActions.at(size_t(index)); }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* images);

  // The enabled action with that shortcut is executed; false when none has it.
  bool IsShortCut(TShortCut shortCut);
  void UpdateActions();

  TActionEvent OnExecute;
  TActionEvent OnUpdate;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Destroying() override;

 private:
  friend class TAction;
  std::vector<TAction*> FActions;
  TImageList* FImages = nullptr;
};

}  // namespace ui
