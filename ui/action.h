#pragma once
// Actions: named commands with caption, shortcut and state, which linked controls follow.
#include <functional>
#include <string>
#include <vector>

#include "component.h"
#include "control.h"

namespace ui {

class TAction;
class TActionList;
class TImageList;

// A client's tie to an action (controls, menu items, tool buttons): the client hears every change of the
// action's state, and the tie goes when either side goes, so neither ever calls the other once freed.
class TActionLink {
 public:
  TActionLink() = default;
  virtual ~TActionLink();
  TActionLink(const TActionLink&) = delete;
  TActionLink& operator=(const TActionLink&) = delete;

  TAction* Action() const { return FAction; }
  // Leaves the old action, joins the new one and takes its state.
  void SetAction(TAction* action);
  // False without an action or when nobody handled it.
  bool Execute();
  bool Update();

 protected:
  virtual void ActionChange(TAction* action) = 0;

 private:
  friend class TAction;
  TAction* FAction = nullptr;
};

// The usual link: the client's own ActionChange(TAction*) takes the state.
template <class Client>
class TClientActionLink : public TActionLink {
 public:
  explicit TClientActionLink(Client* client) : FClient(client) {}

 protected:
  void ActionChange(TAction* action) override { FClient->ActionChange(action); }

 private:
  Client* FClient;
};

// A key code in the low byte plus the shift bits below.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(WORD key, TSet32 shift);

class TAction : public TComponent {
  UI_CLASS(TAction, TComponent)
 public:
  explicit TAction(TComponent* owner);
  ~TAction() override;

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

  int LinkCount() const { return int(FLinks.size()); }

 protected:
  void Destroying() override;

 private:
  void Changed();
  void DropLinks();
  TActionList* FActionList = nullptr;
  std::string FCaption, FHint;
  TShortCut FShortCut = 0;
  bool FChecked = false, FEnabled = true, FVisible = true;
  int FImageIndex = -1;
  friend class TActionLink;
  std::vector<TActionLink*> FLinks;
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
