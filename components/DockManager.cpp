#include "DockManager.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "customize_toolbars_form.h"
#include "dock.h"
#include "drag_drop.h"
#include "registry_internal.h"

using namespace ui;

namespace {

constexpr int RowHeight = 28;
constexpr int DefaultBound = 20;
// Sizes beyond this are damaged values: the docked length of a toolbar before its re-layout.
constexpr int MaxSize = 10000;

bool ParseInt(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s.c_str(), &end, 10);
  if (errno || end != s.c_str() + s.size() || v < -MaxSize * 10L || v > MaxSize * 10L) return false;
  out = v;
  return true;
}

bool ReadBoolValue(TRegKey& key, const std::string& name, bool def) {
  long v;
  return ParseInt(key.ReadString(name, def ? "1" : "0"), v) ? v != 0 : def;
}

int ReadIntValue(TRegKey& key, const std::string& name, int def) {
  long v;
  return ParseInt(key.ReadString(name, std::to_string(def)), v) ? int(v) : def;
}

int ReadSizeValue(TRegKey& key, const std::string& name) {
  int v = ReadIntValue(key, name, DefaultBound);
  return v > 0 && v <= MaxSize ? v : DefaultBound;
}

void RealignAll(TWinControl* control) {
  control->AlignControls();
  for (int i = 0; i < control->ControlCount(); ++i)
    if (auto* child = dynamic_cast<TWinControl*>(control->Controls(i))) RealignAll(child);
}

}  // namespace

// Hears of the panels, toolbars, menu and dialog the manager holds being freed before it.
class TDockManager::TWatcher : public TComponent {
 public:
  explicit TWatcher(TDockManager* manager) : TComponent(nullptr), FManager(manager) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) FManager->Forget(component);
  }

 private:
  TDockManager* FManager;
};

// ---- TPanelDockManager ----

TPanelDockManager::TPanelDockManager(TDockManager* owner, TPanel* panel) : FOwner(owner), FPanel(panel) {
  FRealignTimer = new TTimer(nullptr);
  FRealignTimer->SetEnabled(false);
  FRealignTimer->SetInterval(10);
  FRealignTimer->OnTimer = [this](TObject*) {
    FRealignTimer->SetEnabled(false);
    Realign();
  };
  panel->SetBevelOuter(bvNone);
  panel->SetDockSite(true);
  panel->SetCaption("");
  panel->OnDockDrop = [this](TObject*, TDragDockObject* source, int, int) {
    FPanel->SetAutoSize(true);
    FPanel->SetBevelInner(bvNone);
    if (auto* bar = dynamic_cast<TToolBar*>(source->Control())) AddToolbar(bar);
  };
  panel->OnUnDock = [this](TObject*, TControl* client, TWinControl*, bool&) {
    if (auto* bar = dynamic_cast<TToolBar*>(client)) RemoveToolbar(bar);
  };
  panel->OnDockOver = [this](TObject*, TDragDockObject* source, int, int, TDragState state, bool& accept) {
    accept = source->Control() && source->Control()->Owner() == Form();
    if (state == dsDragEnter && accept && (FPanel->Width() == 0 || FPanel->Height() == 0)) {
      // An empty panel opens a drop area.
      FPanel->SetAutoSize(false);
      FPanel->SetBounds(FPanel->Left(), FPanel->Top(), FPanel->Width() ? FPanel->Width() : RowHeight,
                        FPanel->Height() ? FPanel->Height() : RowHeight);
      FPanel->SetBevelInner(bvLowered);
      Form()->AlignControls();
    } else if (state == dsDragLeave) {
      FPanel->SetAutoSize(true);
      FPanel->SetBevelInner(bvNone);
      Form()->AlignControls();
    }
  };
  owner->FWatcher->FreeNotification(panel);
}

TPanelDockManager::~TPanelDockManager() {
  while (!FToolbars.empty()) RemoveToolbar(FToolbars.back()->Toolbar);
  if (FPanel) {
    FPanel->OnDockDrop = nullptr;
    FPanel->OnUnDock = nullptr;
    FPanel->OnDockOver = nullptr;
    FPanel->OnDblClick = nullptr;
    if (FPanel->PopupMenu() == FOwner->FPopupMenu) FPanel->SetPopupMenu(nullptr);
  }
  FRealignTimer->Free();
}

TForm* TPanelDockManager::Form() const { return FOwner->FForm; }

bool TPanelDockManager::Vertical() const { return FPanel->Align() == alLeft || FPanel->Align() == alRight; }

TDockedToolbar* TPanelDockManager::Find(TToolBar* toolbar) const {
  for (auto& d : FToolbars)
    if (d->Toolbar == toolbar) return d.get();
  return nullptr;
}

int TPanelDockManager::Along(const TControl* c) const { return Vertical() ? c->Top() : c->Left(); }
int TPanelDockManager::Across(const TControl* c) const { return Vertical() ? c->Left() : c->Top(); }

void TPanelDockManager::Place(TControl* c, int along, int across) {
  if (Vertical())
    c->SetBounds(across, along, c->Width(), c->Height());
  else
    c->SetBounds(along, across, c->Width(), c->Height());
}

void TPanelDockManager::AddToolbar(TToolBar* toolbar) {
  if (!FPanel || Find(toolbar)) return;
  auto record = std::make_unique<TDockedToolbar>(toolbar);
  record->SavedDragMode = toolbar->DragMode();
  FToolbars.push_back(std::move(record));
  FOwner->FWatcher->FreeNotification(toolbar);
  // The manager drags docked toolbars itself.
  toolbar->SetDragMode(dmManual);
  toolbar->SetDragKind(dkDock);
  toolbar->OnMouseDown = [this, toolbar](TObject*, TMouseButton button, TSet32, int x, int y) {
    TDockedToolbar* d = Find(toolbar);
    if (!d || button != mbLeft) return;
    d->Pressed = true;
    d->PressX = x;
    d->PressY = y;
  };
  toolbar->OnMouseMove = [this, toolbar](TObject*, TSet32, int x, int y) { ToolbarMouseMove(toolbar, x, y); };
  toolbar->OnMouseUp = [this, toolbar](TObject*, TMouseButton, TSet32, int, int) {
    if (TDockedToolbar* d = Find(toolbar)) {
      d->Pressed = false;
      d->LastX = d->LastY = -1;
    }
  };
  toolbar->OnDblClick = [toolbar](TObject*) {
    RECT r;
    GetWindowRect(toolbar->Handle(), &r);
    toolbar->ManualFloat(r);
  };
  toolbar->SetBorderWidth(0);
  toolbar->SetIndent(2);
  toolbar->SetMinWidth(RowHeight);
  toolbar->SetMinHeight(RowHeight);
  if (Vertical())
    toolbar->SetBounds(toolbar->Left(), toolbar->Top(), toolbar->Width(), MaxSize);
  else
    toolbar->SetBounds(toolbar->Left(), toolbar->Top(), MaxSize, toolbar->Height());
  ArrangeToolbars();
  FRealignTimer->SetEnabled(true);
}

void TPanelDockManager::RemoveToolbar(TToolBar* toolbar) {
  auto it = std::find_if(FToolbars.begin(), FToolbars.end(),
                         [toolbar](const std::unique_ptr<TDockedToolbar>& d) { return d->Toolbar == toolbar; });
  if (it == FToolbars.end()) return;
  std::unique_ptr<TDockedToolbar> record = std::move(*it);
  FToolbars.erase(it);
  toolbar->OnMouseDown = nullptr;
  toolbar->OnMouseMove = nullptr;
  toolbar->OnMouseUp = nullptr;
  toolbar->OnDblClick = nullptr;
  toolbar->SetDragMode(record->SavedDragMode);
}

void TPanelDockManager::Forget(TComponent* component) {
  if (component == FPanel) {
    // Its toolbars may outlive it: they keep no handler of this manager.
    while (!FToolbars.empty()) RemoveToolbar(FToolbars.back()->Toolbar);
    FPanel = nullptr;
    return;
  }
  FToolbars.erase(std::remove_if(FToolbars.begin(), FToolbars.end(),
                                 [component](const std::unique_ptr<TDockedToolbar>& d) {
                                   return d->Toolbar == component;
                                 }),
                  FToolbars.end());
}

void TPanelDockManager::ExpandToolbars() {
  for (auto& d : FToolbars) {
    TToolBar* t = d->Toolbar;
    if (Vertical())
      t->SetBounds(t->Left(), t->Top(), t->Width(), MaxSize);
    else
      t->SetBounds(t->Left(), t->Top(), MaxSize, t->Height());
  }
}

void TPanelDockManager::ArrangeToolbars() {
  if (!FPanel) return;
  for (auto& d : FToolbars) {
    d->Placed = false;
    d->Moves = 0;
    TToolBar* t = d->Toolbar;
    int across = std::max(0, (Across(t) + RowHeight / 2) / RowHeight * RowHeight);
    Place(t, std::max(0, Along(t)), across);
  }
  auto distance = [](TToolBar* t) {
    POINT p = t->ClientToScreen(POINT{0, 0});
    return static_cast<long long>(p.x) * p.x + static_cast<long long>(p.y) * p.y;
  };
  // Only visible toolbars are placed, so the loop ends when none of them is left.
  for (;;) {
    TDockedToolbar* pick = nullptr;
    long long best = 0;
    for (auto it = FToolbars.rbegin(); it != FToolbars.rend(); ++it) {
      TDockedToolbar* d = it->get();
      if (d->Placed || !d->Toolbar->Visible()) continue;
      long long dist = distance(d->Toolbar);
      if (!pick || (dist <= best && pick->Moves <= d->Moves)) {
        pick = d;
        best = dist;
      }
    }
    if (!pick) break;
    int end = Along(pick->Toolbar) + (Vertical() ? pick->Toolbar->Height() : pick->Toolbar->Width());
    for (auto& d : FToolbars) {
      TToolBar* t = d->Toolbar;
      if (d.get() == pick || d->Placed || !t->Visible() || Across(t) != Across(pick->Toolbar)) continue;
      if (Along(t) > end) continue;
      Place(t, end - 1, Across(t));
      ++d->Moves;
    }
    pick->Placed = true;
  }
}

void TPanelDockManager::StartDrag(TToolBar* toolbar) {
  RemoveToolbar(toolbar);
  BeginDockDrag(toolbar, true);
}

void TPanelDockManager::ToolbarMouseMove(TToolBar* toolbar, int x, int y) {
  TDockedToolbar* d = Find(toolbar);
  if (!d || !d->Pressed || !FPanel) return;
  bool vertical = Vertical();
  POINT cursor;
  GetCursorPos(&cursor);
  RECT panel;
  GetWindowRect(FPanel->Handle(), &panel);
  int pointer = vertical ? cursor.y : cursor.x;
  if (pointer < (vertical ? panel.top : panel.left) || pointer > (vertical ? panel.bottom : panel.right)) {
    StartDrag(toolbar);  // frees the record
    return;
  }
  int dAlong = vertical ? y - d->PressY : x - d->PressX;
  int dAcross = vertical ? x - d->PressX : y - d->PressY;
  int across = Across(toolbar);
  if (std::abs(2 * dAcross) >= 2 * (RowHeight / 2) + 1) {
    int extent = vertical ? FPanel->Width() : FPanel->Height();
    bool edgeRow = (across == 0 && dAcross < 0) || (across == extent - RowHeight && dAcross >= 1);
    bool alone = std::none_of(FToolbars.begin(), FToolbars.end(), [&](const std::unique_ptr<TDockedToolbar>& o) {
      return o->Toolbar != toolbar && o->Toolbar->Visible() && Across(o->Toolbar) == across;
    });
    if (edgeRow && alone) {
      StartDrag(toolbar);
      return;
    }
  }
  if (d->LastX != -1) {
    d->LastX = d->LastY = -1;
    return;
  }
  int along = std::max(0, Along(toolbar) + dAlong);
  if (std::abs(2 * dAcross) > RowHeight) across += dAcross;
  int before = Along(toolbar);
  Place(toolbar, along, across);
  ArrangeToolbars();
  if (Along(toolbar) == before) {
    POINT p = toolbar->ClientToScreen(POINT{0, 0});
    d->LastX = p.x;
    d->LastY = p.y;
  }
}

void TPanelDockManager::Realign() {
  if (Form()) RealignAll(Form());
}

// ---- TDockManager ----

TDockManager::TDockManager(TForm* form, const std::string& sharedToolbarCaption, TImageList* sharedGrayImages,
                           TImageList* sharedImages, TImageList* ownGrayImages, TImageList* ownImages,
                           const std::string& root)
    : FForm(form),
      FSharedToolbarCaption(sharedToolbarCaption),
      FSharedGrayImages(sharedGrayImages),
      FSharedImages(sharedImages),
      FOwnGrayImages(ownGrayImages),
      FOwnImages(ownImages),
      FKeyPath(root + "\\" + form->Name()),
      FWatcher(new TWatcher(this)) {
  FWatcher->FreeNotification(form);
  {
    TRegKey key(FKeyPath, true);
    FFlat = ReadBoolValue(key, "Flat", true);
    FBorder = ReadBoolValue(key, "Border", true);
    FDockable = ReadBoolValue(key, "Dock", true);
    FHotTrack = ReadBoolValue(key, "HotTrack", true);
  }
  ApplyFlat();
  ApplyBorder();
  ApplyHotTrack();

  FPopupMenu = new TPopupMenu(form);
  FWatcher->FreeNotification(FPopupMenu);
  FPopupMenu->OnPopup = [this](TObject*) { PopupMenuShown(); };
  std::vector<TToolBar*> bars = Toolbars();
  for (auto it = bars.rbegin(); it != bars.rend(); ++it) {
    TToolBar* bar = *it;
    bar->SetPopupMenu(FPopupMenu);
    auto* item = new TMenuItem(FPopupMenu);
    std::string caption = bar->Caption();
    item->SetCaption(caption);
    item->OnClick = [this, item, caption](TObject*) { ToggleToolbar(caption, item->Checked()); };
    FPopupMenu->Items()->Add(item);
    RestoreToolbar(bar);
  }
  auto* line = new TMenuItem(FPopupMenu);
  line->SetCaption("-");
  FPopupMenu->Items()->Add(line);
  auto* customize = new TMenuItem(FPopupMenu);
  customize->SetCaption("&Toolbars...");
  customize->OnClick = [this](TObject*) { ShowCustomizeForm(); };
  FPopupMenu->Items()->Add(customize);
}

TDockManager::~TDockManager() {
  std::vector<TToolBar*> bars = Toolbars();
  for (auto it = bars.rbegin(); it != bars.rend(); ++it) StoreToolbar(*it);
  FPanels.clear();
  for (TToolBar* bar : bars)
    if (bar->PopupMenu() == FPopupMenu) bar->SetPopupMenu(nullptr);
  if (FCustomizeForm) {
    TCustomizeToolbarsForm* dialog = FCustomizeForm;
    FCustomizeForm = nullptr;
    dialog->Free();
  }
  if (FPopupMenu) {
    TPopupMenu* menu = FPopupMenu;
    FPopupMenu = nullptr;
    menu->Free();
  }
  FWatcher.reset();
}

void TDockManager::Forget(TComponent* component) {
  if (component == FForm) FForm = nullptr;
  if (component == FPopupMenu) FPopupMenu = nullptr;
  if (component == FCustomizeForm) FCustomizeForm = nullptr;
  for (auto& p : FPanels) p->Forget(component);
  FPanels.erase(std::remove_if(FPanels.begin(), FPanels.end(),
                               [](const std::unique_ptr<TPanelDockManager>& p) { return !p->Panel(); }),
                FPanels.end());
}

std::vector<TToolBar*> TDockManager::Toolbars() const {
  std::vector<TToolBar*> bars;
  if (!FForm) return bars;
  for (int i = 0; i < FForm->ComponentCount(); ++i)
    if (auto* bar = dynamic_cast<TToolBar*>(FForm->Components(i)))
      if (!bar->IsDestroying()) bars.push_back(bar);
  return bars;
}

TPanelDockManager* TDockManager::PanelManagerOf(const TWinControl* panel) const {
  for (auto& p : FPanels)
    if (p->Panel() == panel) return p.get();
  return nullptr;
}

void TDockManager::RestoreToolbar(TToolBar* bar) {
  // An unnamed toolbar would share the window's own key.
  if (bar->Name().empty()) return;
  std::string path = FKeyPath + "\\" + bar->Name();
  TRegKey key(path, false);
  if (!key.Opened()) return;
  bar->SetVisible(ReadBoolValue(key, "Visible", true));
  if (!bar->Visible()) return;
  bool docked = ReadBoolValue(key, "Docked", false);
  int left = ReadIntValue(key, "Left", DefaultBound), top = ReadIntValue(key, "Top", DefaultBound);
  int width = ReadSizeValue(key, "Width"), height = ReadSizeValue(key, "Height");
  if (docked) {
    // Only a panel of this window takes it: never the toolbar itself, a list or any other control.
    auto* panel = dynamic_cast<TPanel*>(FForm->FindComponent(key.ReadString("Panel", "")));
    if (panel && panel != bar->Parent() && !panel->IsDestroying()) bar->ManualDock(panel);
    bar->SetBounds(std::max(0, left), std::max(0, top), width, height);
  } else {
    bar->ManualFloat(RECT{left, top, left + width, top + height});
  }
}

void TDockManager::StoreToolbar(TToolBar* bar) {
  if (bar->Name().empty()) return;
  TRegKey key(FKeyPath + "\\" + bar->Name(), true);
  auto* panel = dynamic_cast<TPanel*>(bar->Parent());
  key.WriteString("Docked", panel ? "1" : "0");
  RECT r = bar->BoundsRect();
  if (panel) {
    key.WriteString("Panel", panel->Name());
  } else {
    TWinControl* host = bar->HostDockSite();
    if (host && bar->Floating() && host->HandleAllocated())
      GetWindowRect(host->Handle(), &r);
    else if (bar->HandleAllocated())
      GetWindowRect(bar->Handle(), &r);
    key.DeleteValue("Panel");
  }
  key.WriteString("Height", std::to_string(r.bottom - r.top));
  key.WriteString("Width", std::to_string(r.right - r.left));
  key.WriteString("Left", std::to_string(r.left));
  key.WriteString("Top", std::to_string(r.top));
  key.WriteString("Visible", bar->Visible() ? "1" : "0");
}

void TDockManager::AddDockPanel(TPanel* panel) {
  if (!panel || PanelManagerOf(panel)) return;
  FPanels.push_back(std::make_unique<TPanelDockManager>(this, panel));
  TPanelDockManager* manager = FPanels.back().get();
  panel->SetPopupMenu(FPopupMenu);
  panel->SetDockSite(FDockable);
  panel->OnDblClick = [this](TObject*) { ShowCustomizeForm(); };
  for (int i = panel->ControlCount() - 1; i >= 0; --i)
    if (auto* bar = dynamic_cast<TToolBar*>(panel->Controls(i))) {
      if (bar->HostDockSite() != panel) bar->ManualDock(panel);
      manager->AddToolbar(bar);
    }
  panel->SetAutoSize(true);
}

void TDockManager::StoreBool(const std::string& name, bool value) {
  TRegKey key(FKeyPath, true);
  key.WriteString(name, value ? "1" : "0");
}

void TDockManager::ApplyFlat() {
  for (TToolBar* bar : Toolbars()) bar->SetFlat(FFlat);
}

void TDockManager::ApplyBorder() {
  for (auto& p : FPanels) p->Panel()->SetAutoSize(false);
  for (TToolBar* bar : Toolbars()) {
    bar->SetEdgeInner(esRaised);
    bar->SetEdgeOuter(esNone);
    bar->SetEdgeBorders(FBorder ? (1u << ebLeft) | (1u << ebTop) | (1u << ebRight) | (1u << ebBottom) : 0);
    // Toolbars that size to their buttons fit the new edges themselves; others would grow at every toggle.
    if (bar->AutoSize()) bar->ArrangeButtons();
  }
  for (auto& p : FPanels) p->Panel()->SetAutoSize(true);
}

void TDockManager::ApplyHotTrack() {
  for (TToolBar* bar : Toolbars()) {
    bool shared = bar->Caption() == FSharedToolbarCaption;
    TImageList* coloured = shared ? FSharedImages : FOwnImages;
    TImageList* gray = shared ? FSharedGrayImages : FOwnGrayImages;
    if (FHotTrack) {
      bar->SetHotImages(coloured);
      bar->SetImages(gray);
    } else {
      bar->SetHotImages(nullptr);
      bar->SetImages(coloured);
    }
  }
}

void TDockManager::SetFlat(bool b) {
  FFlat = b;
  ApplyFlat();
  ArrangeToolbars();
  StoreBool("Flat", b);
}

void TDockManager::SetBorder(bool b) {
  FBorder = b;
  ApplyBorder();
  ArrangeToolbars();
  StoreBool("Border", b);
}

void TDockManager::SetDockable(bool b) {
  FDockable = b;
  for (auto& p : FPanels) p->Panel()->SetDockSite(b);
  ArrangeToolbars();
  StoreBool("Dock", b);
}

void TDockManager::SetHotTrack(bool b) {
  FHotTrack = b;
  ApplyHotTrack();
  StoreBool("HotTrack", b);
}

void TDockManager::ArrangeToolbars() {
  for (auto it = FPanels.rbegin(); it != FPanels.rend(); ++it) (*it)->ArrangeToolbars();
}

void TDockManager::ExpandToolbars() {
  for (auto it = FPanels.rbegin(); it != FPanels.rend(); ++it) (*it)->ExpandToolbars();
}

void TDockManager::PopupMenuShown() {
  std::vector<TToolBar*> bars = Toolbars();
  TMenuItem* items = FPopupMenu->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    for (TToolBar* bar : bars)
      if (bar->Caption() == item->Caption()) item->SetChecked(bar->Visible());
  }
}

void TDockManager::ToggleToolbar(const std::string& caption, bool wasChecked) {
  for (TToolBar* bar : Toolbars())
    if (bar->Caption() == caption) bar->SetVisible(!wasChecked);
  ArrangeToolbars();
}

void TDockManager::ShowCustomizeForm() {
  if (!FForm) return;
  if (!FCustomizeForm) {
    FCustomizeForm = new TCustomizeToolbarsForm(FForm);
    FWatcher->FreeNotification(FCustomizeForm);
    FCustomizeForm->SetDockManager(this);
  }
  FCustomizeForm->DockableCheckBox->SetChecked(FDockable);
  FCustomizeForm->Show();
}

TPanel* MakeDockPanel(TForm* form, const char* name, TAlign align, int left, int top, int width, int height) {
  auto* panel = new TPanel(form);
  panel->SetName(name);
  panel->SetCaption("");
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(left, top, width, height);
  panel->SetAlign(align);
  panel->SetParent(form);
  return panel;
}
