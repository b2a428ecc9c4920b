#include "KitShellControls.h"

#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "KitPidl.h"
#include "application.h"
#include "form.h"
#include "message_box.h"
#include "screen.h"

UI_CLASSINFO(TKitCustomSystemTreeView, UI_PROP(Integer, "ReadDelay", ReadDelay, SetReadDelay))

namespace {

// Leaves the leak report when the program ends; a diagnostic only, it never stops the end.
struct LeakWatch {
  int Live = 0;
  ~LeakWatch() {
    if (Live <= 0) return;
    std::string text = FolderDataLeakReport();
    OutputDebugStringA(text.c_str());
    fprintf(stderr, "%s\n", text.c_str());
  }
};

LeakWatch& Leaks() {
  static LeakWatch watch;
  return watch;
}

// Every live tree, so a timer id finds its tree; the application hook lives while any tree does.
struct TreeRegistry {
  std::vector<TKitCustomSystemTreeView*> Trees;
  int HookId = 0;
};

TreeRegistry& Registry() {
  static TreeRegistry registry;
  return registry;
}

bool DeviceChangeHook(ui::TMessage& m) {
  if (m.Msg == WM_DEVICECHANGE && (m.WParam == DBT_DEVICEARRIVAL || m.WParam == DBT_DEVICEREMOVECOMPLETE))
    TKitCustomSystemTreeView::RebuildAll();
  return false;  // others may want it too
}

}  // namespace

// ---- TFolderItemData ----

TFolderItemData::TFolderItemData(IShellFolder* parentFolder, LPITEMIDLIST relativeID, LPITEMIDLIST absoluteID,
                                 ULONG attributes)
    : ParentFolder(parentFolder), Attributes(attributes), RelativeID(relativeID), AbsoluteID(absoluteID) {
  if (ParentFolder) ParentFolder->AddRef();
  ++Leaks().Live;
}

TFolderItemData::~TFolderItemData() {
  FreePIDL(RelativeID);
  FreePIDL(AbsoluteID);
  if (ParentFolder) ParentFolder->Release();
  --Leaks().Live;
}

void TFolderItemData::SetRelativeID(LPITEMIDLIST id) {
  if (id == RelativeID) return;
  FreePIDL(RelativeID);
  RelativeID = id;
}

void TFolderItemData::SetAbsoluteID(LPITEMIDLIST id) {
  if (id == AbsoluteID) return;
  FreePIDL(AbsoluteID);
  AbsoluteID = id;
}

int FolderItemDataCount() { return Leaks().Live; }

std::string FolderDataLeakReport() {
  return Leaks().Live > 0 ? "Memory Leak Detected.  Not all folder data was freed." : "";
}

// ---- THourGlass ----

THourGlass::THourGlass() : FSaved(ui::Screen().Cursor()) { ui::Screen().SetCursor(ui::crHourGlass); }

THourGlass::~THourGlass() { ui::Screen().SetCursor(FSaved); }

// ---- TKitCustomSystemTreeView ----

TKitCustomSystemTreeView::TKitCustomSystemTreeView(ui::TComponent* owner) : TTreeView(owner) {
  TreeRegistry& r = Registry();
  r.Trees.push_back(this);
  if (!r.HookId) r.HookId = ui::Application().HookMainWindow(&DeviceChangeHook);
  InitImages();
}

TKitCustomSystemTreeView::~TKitCustomSystemTreeView() {
  // A tree freed without Free() still leaves the registry.
  TreeRegistry& r = Registry();
  r.Trees.erase(std::remove(r.Trees.begin(), r.Trees.end(), this), r.Trees.end());
  KillChangeTimer();
}

void TKitCustomSystemTreeView::Destroying() {
  FDestroying = true;
  KillChangeTimer();
  TTreeView::Destroying();
  SetImages(nullptr);
  FSystemImages.reset();
  TreeRegistry& r = Registry();
  r.Trees.erase(std::remove(r.Trees.begin(), r.Trees.end(), this), r.Trees.end());
  if (r.Trees.empty() && r.HookId) {
    ui::Application().UnhookMainWindow(r.HookId);
    r.HookId = 0;
  }
}

void TKitCustomSystemTreeView::RebuildAll() {
  // A rebuild may free a tree (through its handlers): walk a copy and skip the gone.
  std::vector<TKitCustomSystemTreeView*> trees = Registry().Trees;
  for (TKitCustomSystemTreeView* t : trees) {
    auto& live = Registry().Trees;
    if (std::find(live.begin(), live.end(), t) != live.end() && !t->FDestroying) t->RebuildTree();
  }
}

HWND TKitCustomSystemTreeView::GetOwnerWindow() {
  if (HandleAllocated()) return Handle();
  if (Parent() && Parent()->HandleAllocated()) return Parent()->Handle();
  if (ui::TForm* form = ParentForm())
    if (form->HandleAllocated()) return form->Handle();
  if (ui::TForm* main = ui::Application().MainForm())
    if (main->HandleAllocated()) return main->Handle();
  return nullptr;
}

void TKitCustomSystemTreeView::InitImages() {
  SetImages(nullptr);
  FSystemImages.reset(new ui::TImageList(nullptr));
  SHFILEINFOA info{};
  auto list = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (list) {
    FSystemImages->SetSharedHandle(list);
    FSystemImages->SetBkColor(CLR_NONE);
  }
  SetImages(FSystemImages.get());
}

void TKitCustomSystemTreeView::WndProc(ui::TMessage& m) {
  if (m.Msg == WM_SYSCOLORCHANGE) {
    TTreeView::WndProc(m);
    InitImages();
    SetColor(Color());
    Invalidate();
    return;
  }
  TTreeView::WndProc(m);
}

TFolderItemData* TKitCustomSystemTreeView::NodeData(ui::TTreeNode* node, bool complain) {
  auto* data = node ? static_cast<TFolderItemData*>(node->Data()) : nullptr;
  if (!data && node && complain) ui::ShowMessageBox("Could not get folder data.", ui::Application().Title(), MB_OK);
  return data;
}

void TKitCustomSystemTreeView::FreeNodeData(ui::TTreeNode* node) {
  delete static_cast<TFolderItemData*>(node->Data());
  node->SetData(nullptr);
}

void TKitCustomSystemTreeView::Delete(ui::TTreeNode* node) {
  // The library keeps nodes across a new window, so a deleted node is really gone.
  FreeNodeData(node);
  TTreeView::Delete(node);
}

void TKitCustomSystemTreeView::KillChangeTimer() {
  if (FChangeTimer) KillTimer(nullptr, FChangeTimer);
  FChangeTimer = 0;
}

void CALLBACK TKitCustomSystemTreeView::ChangeTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  try {
    for (TKitCustomSystemTreeView* t : Registry().Trees) {
      if (t->FChangeTimer != id) continue;
      t->FChangeTimer = 0;
      t->DelayedChange();
      break;
    }
  } catch (...) {
    ui::Application().HandleException(nullptr);
  }
}

void TKitCustomSystemTreeView::Change(ui::TTreeNode* node) {
  if (FDestroying) return;
  {
    THourGlass wait;
    TTreeView::Change(node);
  }
  if (FReadDelay > 0 && !FSuppressChange) {
    KillChangeTimer();
    // Each tree keeps the id the system gave it: two trees never share one timer.
    FChangeTimer = SetTimer(nullptr, 0, FReadDelay, &ChangeTimerProc);
  } else {
    if (!IsLoading()) FSuppressChange = false;
    DelayedChange();
  }
}
