#include "menus.h"

#include <algorithm>
#include <map>
#include <set>

#include "application.h"
#include "image_list.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TMenuItem, UI_PROP(String, "Caption", Caption, SetCaption),
             UI_PROP_BOOL("Checked", Checked, SetChecked), UI_PROP_BOOL("RadioItem", RadioItem, SetRadioItem),
             UI_PROP(Integer, "GroupIndex", GroupIndex, SetGroupIndex),
             UI_PROP_BOOL("AutoCheck", AutoCheck, SetAutoCheck), UI_PROP_BOOL("Enabled", Enabled, SetEnabled),
             UI_PROP_BOOL("Visible", Visible, SetVisible), UI_PROP_BOOL("Default", Default, SetDefault),
             UI_PROP(Integer, "ShortCut", ShortCut, SetShortCut),
             UI_PROP(Integer, "ImageIndex", ImageIndex, SetImageIndex), UI_PROP(String, "Hint", Hint, SetHint))
UI_CLASSINFO(TMenu, UI_PROP_CLASS("Images", Images, SetImages, TImageList))
UI_CLASSINFO(TMainMenu)
UI_CLASSINFO(TPopupMenu, UI_PROP_BOOL("AutoPopup", AutoPopup, SetAutoPopup),
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "paLeft", "paRight", "paCenter"))

namespace {

// Live items by command id and by submenu handle: a command of a freed item finds nothing.
std::map<WORD, TMenuItem*>& Commands() {
  static std::map<WORD, TMenuItem*> commands;
  return commands;
}

std::map<HMENU, TMenuItem*>& Submenus() {
  static std::map<HMENU, TMenuItem*> submenus;
  return submenus;
}

// Menu command ids lie above the controls' ids, so the two never meet in WM_COMMAND.
WORD AllocateCommand(TMenuItem* item) {
  static unsigned next = 0x8000;
  for (;;) {
    WORD id = WORD(next);
    next = next >= 0xFFFF ? 0x8000 : next + 1;
    if (Commands().emplace(id, item).second) return id;
  }
}

int TrackingDepth = 0;
std::vector<HMENU> HandlesToFree;
std::set<TMenuItem*> ItemsToRebuild;

const char* KeyName(WORD key) {
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return nullptr;
  }
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  WORD key = shortCut & 0xFF;
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) name = std::string(1, char(key));
  else if (key >= VK_F1 && key <= VK_F24) name = Format("F%d", key - VK_F1 + 1);
  else if (const char* n = KeyName(key)) name = n;
  if (name.empty()) return "";
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

void MenuLoopEntered() { ++TrackingDepth; }

void MenuLoopExited() {
  if (TrackingDepth == 0 || --TrackingDepth > 0) return;
  for (HMENU h : HandlesToFree) DestroyMenu(h);
  HandlesToFree.clear();
  std::vector<TMenuItem*> items(ItemsToRebuild.begin(), ItemsToRebuild.end());
  ItemsToRebuild.clear();
  for (TMenuItem* item : items) item->RebuildHandle();
}

bool DispatchMenuCommand(WORD command) {
  auto it = Commands().find(command);
  if (it == Commands().end()) return false;
  it->second->Click();
  return true;
}

bool DispatchMenuPopup(HMENU menu) {
  auto it = Submenus().find(menu);
  if (!menu || it == Submenus().end()) return false;
  it->second->InitiateActions();
  return true;
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) { FCommand = AllocateCommand(this); }

TMenuItem::~TMenuItem() {
  // Deleted without Free: nothing may reach the item any more.
  Commands().erase(FCommand);
  ItemsToRebuild.erase(this);
  FreeHandle();
}

void TMenuItem::Destroying() {
  Commands().erase(FCommand);
  FActionLink.reset();
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    FItems.pop_back();
    child->FParent = nullptr;
    child->Free();
  }
  if (FParent && TrackingDepth > 0) {
    // A menu on screen keeps the entry until it closes; its command reaches nobody.
    auto& siblings = FParent->FItems;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    ItemsToRebuild.insert(FParent);
    FParent = nullptr;
  } else if (FParent) {
    FParent->Remove(this);
  }
  ItemsToRebuild.erase(this);
  FreeHandle();
  TComponent::Destroying();
}

void TMenuItem::FreeHandle() {
  if (!FHandle) return;
  Submenus().erase(FHandle);
  // A menu on screen keeps its handles until it closes.
  if (TrackingDepth > 0) HandlesToFree.push_back(FHandle);
  else DestroyMenu(FHandle);
  FHandle = nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->FParent) item = item->FParent;
  return item->FMenu;
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) throw EInvalidOperation("Menu item cannot be inserted here");
  for (TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EInvalidOperation("Menu item cannot be inserted into its own subitem");
  if (item->FParent) item->FParent->Remove(item);
  index = std::max(0, std::min(index, Count()));
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
  Changed(true);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

void TMenuItem::SetCaption(const std::string& v) {
  if (v == FCaption) return;
  FCaption = v;
  Changed(false);
}

void TMenuItem::SetChecked(bool v) {
  if (v == FChecked) return;
  FChecked = v;
  if (v && FRadioItem && FParent)
    for (TMenuItem* other : FParent->FItems)
      if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) other->SetChecked(false);
  Changed(false);
}

void TMenuItem::SetRadioItem(bool v) {
  if (v == FRadioItem) return;
  FRadioItem = v;
  Changed(false);
}

void TMenuItem::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  Changed(false);
}

void TMenuItem::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Changed(true);
}

void TMenuItem::SetDefault(bool v) {
  if (v == FDefault) return;
  FDefault = v;
  Changed(false);
}

void TMenuItem::SetShortCut(TShortCut v) {
  if (v == FShortCut) return;
  FShortCut = v;
  Changed(false);
}

void TMenuItem::SetImageIndex(int v) {
  if (v == FImageIndex) return;
  FImageIndex = v;
  FImage.Reset();
  Changed(false);
}

void TMenuItem::SetAction(TAction* action) {
  if (!action) {
    FActionLink.reset();
    return;
  }
  if (!FActionLink) FActionLink.reset(new TClientActionLink<TMenuItem>(this));
  FActionLink->SetAction(action);
}

void TMenuItem::ActionChange(TAction* sender) {
  if (!FOwnCaption) SetCaption(sender->Caption());
  SetEnabled(sender->Enabled());
  SetVisible(sender->Visible());
  SetChecked(sender->Checked());
  SetHint(sender->Hint());
  SetImageIndex(sender->ImageIndex());
  if (!FOwnShortCut) SetShortCut(sender->ShortCut());
}

void TMenuItem::SetOwnShortCut(TShortCut v) {
  FOwnShortCut = true;
  SetShortCut(v);
}

void TMenuItem::SetOwnCaption(const std::string& v) {
  FOwnCaption = true;
  SetCaption(v);
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck && !(FRadioItem && FChecked)) SetChecked(!FChecked);
  if (OnClick) OnClick(this);
  else if (FActionLink) FActionLink->Execute();
}

void TMenuItem::InitiateActions() {
  for (TMenuItem* child : std::vector<TMenuItem*>(FItems))
    if (child->FActionLink) child->FActionLink->Update();
}

void TMenuItem::Changed(bool rebuild) {
  // The entry of this item lies in the parent's handle.
  if (FParent && FParent->FHandle) {
    if (rebuild) FParent->RebuildHandle();
    else FParent->UpdateEntry(this);
  }
  if (rebuild && FHandle) RebuildHandle();
  // A bar shows only the root's own items; redrawing it for a change deeper down costs a frame change.
  bool onBar = !FParent || !FParent->FParent;
  if (TMenu* menu = GetParentMenu(); menu && onBar) menu->MenuChanged();
}

HBITMAP TMenuItem::ImageBitmap() {
  TMenu* menu = GetParentMenu();
  TImageList* images = menu ? menu->Images() : nullptr;
  if (!images || FImageIndex < 0 || FImageIndex >= images->Count()) return nullptr;
  if (!FImage) {
    // The image on the menu's own background: menu items show plain bitmaps.
    int w = images->Width(), h = images->Height();
    TWindowDC screen;
    TBitmapHandle bitmap(CreateCompatibleBitmap(screen, w, h));
    TMemoryDC dc(screen);
    {
      TSelectObject selected(dc, bitmap.Get());
      RECT r{0, 0, w, h};
      FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
      ImageList_Draw(images->Handle(), FImageIndex, dc, 0, 0, ILD_TRANSPARENT);
    }
    FImage = std::move(bitmap);
  }
  return FImage.Get();
}

void TMenuItem::FillItemInfo(TMenuItem* child, MENUITEMINFOA& info, std::string& text) {
  info = MENUITEMINFOA{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
  info.wID = child->FCommand;
  if (child->IsLine()) {
    info.fType = MFT_SEPARATOR;
    return;
  }
  info.fMask |= MIIM_STRING | MIIM_BITMAP;
  info.fType = MFT_STRING | (child->FRadioItem ? MFT_RADIOCHECK : 0);
  info.fState = (child->FChecked ? MFS_CHECKED : 0) | (child->FEnabled ? 0 : MFS_GRAYED) |
                (child->FDefault ? MFS_DEFAULT : 0);
  text = child->FCaption;
  std::string shortCut = ShortCutToText(child->FShortCut);
  if (!shortCut.empty()) text += "\t" + shortCut;
  info.dwTypeData = &text[0];
  info.hSubMenu = child->Count() > 0 ? child->Handle() : nullptr;
  info.hbmpItem = child->ImageBitmap();
}

void TMenuItem::UpdateEntry(TMenuItem* child) {
  if (!child->FVisible || ItemsToRebuild.count(this)) return;
  UINT position = 0;
  for (TMenuItem* item : FItems) {
    if (item == child) break;
    if (item->FVisible) ++position;
  }
  MENUITEMINFOA info;
  std::string text;
  FillItemInfo(child, info, text);
  info.fMask &= ~UINT(MIIM_ID | MIIM_SUBMENU);
  SetMenuItemInfoA(FHandle, position, TRUE, &info);
}

void TMenuItem::RebuildHandle() {
  if (!FHandle) return;
  ItemsToRebuild.erase(this);
  // RemoveMenu keeps the submenus' handles, which belong to their items.
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  UINT position = 0;
  for (TMenuItem* child : FItems) {
    if (!child->FVisible) continue;
    MENUITEMINFOA info;
    std::string text;
    FillItemInfo(child, info, text);
    InsertMenuItemA(FHandle, position++, TRUE, &info);
  }
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    FHandle = FMenu ? FMenu->CreateMenuHandle() : CreatePopupMenu();
    if (!FHandle) throw EWin32Error("Cannot create a menu", GetLastError());
    Submenus()[FHandle] = this;
    RebuildHandle();
  }
  return FHandle;
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) { FItems->FMenu = this; }

void TMenu::SetImages(TImageList* images) {
  if (images == FImages) return;
  if (FImages) RemoveFreeNotification(FImages);
  FImages = images;
  if (images) FreeNotification(images);
  // Every image is made again from the new list.
  std::vector<TMenuItem*> all{FItems};
  for (size_t i = 0; i < all.size(); ++i) {
    all[i]->FImage.Reset();
    all.insert(all.end(), all[i]->FItems.begin(), all[i]->FItems.end());
  }
  for (TMenuItem* item : all)
    if (item->FHandle) item->RebuildHandle();
  MenuChanged();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FImages) SetImages(nullptr);
  if (operation == opRemove && component == FItems) FItems = nullptr;
}

bool TMenu::IsShortCut(TShortCut shortCut) {
  if (!shortCut || !FItems) return false;
  std::vector<TMenuItem*> all{FItems};
  for (size_t i = 0; i < all.size(); ++i) {
    TMenuItem* item = all[i];
    if (item != FItems && item->ShortCut() == shortCut && item->Count() == 0) {
      if (item->FActionLink) item->FActionLink->Update();
      if (item->Enabled() && item->Visible()) {
        item->Click();
        return true;
      }
    }
    all.insert(all.end(), item->FItems.begin(), item->FItems.end());
  }
  return false;
}

// ---- TMainMenu ----

void TMainMenu::SetWindow(HWND window) {
  if (FWindow && IsWindow(FWindow) && GetMenu(FWindow) == Handle()) ::SetMenu(FWindow, nullptr);
  FWindow = window;
  if (window) ::SetMenu(window, Handle());
}

void TMainMenu::MenuChanged() {
  if (FWindow && IsWindow(FWindow)) DrawMenuBar(FWindow);
}

void TMainMenu::Destroying() {
  SetWindow(nullptr);
  TMenu::Destroying();
}

// ---- TPopupMenu ----

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == FPopupComponent) return;
  if (FPopupComponent) RemoveFreeNotification(FPopupComponent);
  FPopupComponent = component;
  if (component) FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  Items()->InitiateActions();
  HWND owner = Application().Handle();
  // The owner must be in front, or the menu stays open after a click elsewhere.
  SetForegroundWindow(owner);
  MenuLoopEntered();
  try {
    UINT align = FAlignment == paRight ? TPM_RIGHTALIGN : FAlignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
    TrackPopupMenu(Handle(), align | TPM_LEFTBUTTON | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
  } catch (...) {
    MenuLoopExited();
    throw;
  }
  MenuLoopExited();
}

}  // namespace ui
