#pragma once
// Menus: the items (with submenus, checks, radio groups, shortcut texts, images and linked actions), the main
// menu of a form and the pop-up menu of a control.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "action.h"
#include "component.h"
#include "gdi.h"

namespace ui {

class TImageList;
class TMenu;

// "Ctrl+S", "Shift+Del", "F7"; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem : public TComponent {
  UI_CLASS(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  // "-" makes a separator.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v);
  bool Checked() const { return FChecked; }
  // Checking a radio item turns off the radio items of its group among its siblings.
  void SetChecked(bool v);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool v);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int v) { FGroupIndex = v; }
  // A click checks the item (or flips it, when it is no radio item).
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool v) { FAutoCheck = v; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut v);
  // A shortcut or caption of the item's own that its action's no longer replaces.
  void SetOwnShortCut(TShortCut v);
  void SetOwnCaption(const std::string& v);
  // An image of the menu's image list.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& v) { FHint = v; }
  bool IsLine() const { return FCaption == "-"; }

  TAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
  void SetAction(TAction* action);
  void ActionChange(TAction* sender);

  int Count() const { return int(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(size_t(index)); }
  TMenuItem* Parent() const { return FParent; }
  int MenuIndex() const;
  int IndexOf(const TMenuItem* item) const;
  void Add(TMenuItem* item) { Insert(Count(), item); }
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  // Frees every subitem.
  void Clear();
  // The menu the item belongs to, through its parents; nullptr for a loose item.
  TMenu* GetParentMenu() const;

  // The id of WM_COMMAND; the submenu's handle (made on first use) for an item with subitems.
  WORD Command() const { return FCommand; }
  HMENU Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  virtual void Click();
  // The subitems' actions update their state; runs as the submenu opens.
  void InitiateActions();
  TNotifyEvent OnClick;

 protected:
  void Destroying() override;

 private:
  friend class TMenu;
  friend void MenuLoopExited();
  void Changed(bool rebuild);
  void RebuildHandle();
  void UpdateEntry(TMenuItem* child);
  void FillItemInfo(TMenuItem* child, MENUITEMINFOA& info, std::string& text);
  HBITMAP ImageBitmap();
  void FreeHandle();

  std::string FCaption, FHint;
  bool FOwnShortCut = false, FOwnCaption = false;
  bool FChecked = false, FRadioItem = false, FAutoCheck = false, FEnabled = true, FVisible = true, FDefault = false;
  int FGroupIndex = 0;
  TShortCut FShortCut = 0;
  int FImageIndex = -1;
  WORD FCommand = 0;
  HMENU FHandle = nullptr;
  TBitmapHandle FImage;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu
  std::vector<TMenuItem*> FItems;
  std::unique_ptr<TActionLink> FActionLink;
};

class TMenu : public TComponent {
  UI_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* owner);
  // The root item; its subitems are the menu's entries.
  TMenuItem* Items() const { return FItems; }
  HMENU Handle() { return FItems->Handle(); }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* images);
  // The enabled, visible item with that shortcut is clicked; false when none has it.
  bool IsShortCut(TShortCut shortCut);

 protected:
  friend class TMenuItem;
  // A new empty handle of the menu's kind.
  virtual HMENU CreateMenuHandle() = 0;
  // The root's entries changed.
  virtual void MenuChanged() {}
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TMenuItem* FItems;
  TImageList* FImages = nullptr;
};

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
  UI_CLASS(TMainMenu, TMenu)
 public:
  explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
  // The window that shows the bar; nullptr detaches it.
  void SetWindow(HWND window);
  HWND Window() const { return FWindow; }

 protected:
  HMENU CreateMenuHandle() override { return CreateMenu(); }
  void MenuChanged() override;
  void Destroying() override;

 private:
  HWND FWindow = nullptr;
};

// Which edge of the menu the point of Popup gives: its left, its right, or its middle.
enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
  UI_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
  // Runs OnPopup and the items' action updates, then tracks the menu at the screen point until it closes.
  virtual void Popup(int x, int y);
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment v) { FAlignment = v; }
  // On: a right click on a control that has the menu shows it.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool v) { FAutoPopup = v; }
  // The control the menu was last shown for.
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* component);
  TNotifyEvent OnPopup;

 protected:
  HMENU CreateMenuHandle() override { return CreatePopupMenu(); }
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
  TComponent* FPopupComponent = nullptr;
};

// WM_COMMAND of a menu: the item with that id is clicked; false when no live item has it.
bool DispatchMenuCommand(WORD command);
// WM_INITMENUPOPUP: the item whose submenu opens updates its subitems' actions.
bool DispatchMenuPopup(HMENU menu);
// While a menu is tracked (between WM_ENTERMENULOOP and WM_EXITMENULOOP), freed items leave their entries and
// handles in place until it closes.
void MenuLoopEntered();
void MenuLoopExited();

}  // namespace ui
