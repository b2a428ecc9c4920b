#pragma once
// TKitSystemTreeView: the shell namespace below a chosen root as a tree, folders and optionally files (filtered
// by file masks), each level read when first expanded; converts between nodes and file-system paths.
#include <functional>
#include <string>
#include <vector>

#include "KitShellControls.h"

enum TRootFolder {
  rfDesktop, rfRecycleBin, rfControlPanel, rfDesktopDir, rfDrives, rfFavoriteURLs, rfFonts, rfNetHood,
  rfNetHoodDir, rfDocumentDir, rfPrinters, rfPrograms, rfRecentDir, rfSendTo, rfStartMenu, rfStartup,
  rfTemplates, rfFileSystem, rfCustom
};

enum TPopupMenuMethod { pmmNone, pmmContext, pmmUser, pmmContextUser };

// The special folder a root value stands for; -1 for rfCustom (its folder is CustomDir).
int RootFolderCsidl(TRootFolder root);

// Whether a folder holds a subfolder or a file the mask list lets through.
bool FolderHasListedChild(const std::string& folder, const std::vector<std::string>& masks);

using TPopulatedEvent = std::function<void(ui::TObject* sender, ui::TTreeNode* node)>;

class TKitSystemTreeView : public TKitCustomSystemTreeView {
  UI_CLASS(TKitSystemTreeView, TKitCustomSystemTreeView)
 public:
  explicit TKitSystemTreeView(ui::TComponent* owner);
  ~TKitSystemTreeView() override;

  std::string Version() const { return "TKitSystemTreeView v0.98.2 Beta"; }
  void SetVersion(const std::string&) {}
  TPopupMenuMethod PopupMenuMethod() const { return FPopupMenuMethod; }
  void SetPopupMenuMethod(TPopupMenuMethod v) { FPopupMenuMethod = v; }
  // The selected node's file-system path ('' without a window, a selection or a path); setting selects the
  // deepest node on the way to the path, later when there is no window yet.
  std::string Selection() const;
  void SetSelection(const std::string& path) { SetSelectionPath(path); }
  std::string Directory() const { return Selection(); }
  void SetDirectory(const std::string& path) { SetSelectionPath(path); }
  TRootFolder RootFolder() const { return FRootFolder; }
  void SetRootFolder(TRootFolder v);
  const std::string& CustomDir() const { return FCustomDir; }
  void SetCustomDir(const std::string& v);
  const std::string& CustomDirCaption() const { return FCustomDirCaption; }
  void SetCustomDirCaption(const std::string& v);
  bool ShowFiles() const { return FShowFiles; }
  void SetShowFiles(bool v);
  bool ShowHiddenDirs() const { return FShowHiddenDirs; }
  void SetShowHiddenDirs(bool v) { FShowHiddenDirs = v; }
  bool ExpandRoot() const { return FExpandRoot; }
  void SetExpandRoot(bool v) { FExpandRoot = v; }
  bool Autoscroll() const { return FAutoscroll; }
  void SetAutoscroll(bool v) { FAutoscroll = v; }
  const std::string& FileMask() const { return FFileMask; }
  void SetFileMask(const std::string& v);

  TPopulatedEvent OnPopulated;

  std::string GetSelectionPath() const;
  void SetSelectionPath(const std::string& path);
  // '' for a node without a record or a file-system path.
  std::string GetNodePath(ui::TTreeNode* node) const;
  ui::TTreeNodes& GetItems() { return Items(); }
  // Reads the node's children again in place: new items come, gone ones go, the others stay as they are
  // (expanded, selected, in view).
  void RefreshNode(ui::TTreeNode* node);
  void RebuildTree() override;
  // The selected node's absolute item IDs (the node's own), nullptr when none is selected.
  LPITEMIDLIST SelectedPIDL();
  IShellFolder* DesktopFolder() const { return FDesktopFolder; }
  // The node of an item-ID list relative to the root: the deepest node on its way, the root when none.
  ui::TTreeNode* FindNodeByPIDL(LPCITEMIDLIST id);
  // Scrolls one line or column when a drag rests near an edge (client point); true when it scrolled.
  bool AutoScrollAt(int x, int y);
  void SortAllNodes();

  void WndProc(ui::TMessage& message) override;
  bool DragAutoScroll(int x, int y) override { return FAutoscroll && AutoScrollAt(x, y); }
  void Loaded() override;

 protected:
  void CreateWnd() override;
  bool CanExpand(ui::TTreeNode* node) override;
  void Expand(ui::TTreeNode* node) override;
  bool CanEdit(ui::TTreeNode* node) override;
  void Edit(ui::TTreeNode* node, std::string& s) override;
  void GetImageIndex(ui::TTreeNode* node) override;
  void GetSelectedIndex(ui::TTreeNode* node) override;
  bool ContextPopup(LPARAM screenPoint) override;
  virtual void DoPopulated(ui::TTreeNode* node);
  // Adds the item as a child of parentNode (top level for nullptr); takes both lists when it adds a node,
  // else leaves them to the caller and returns nullptr.
  virtual ui::TTreeNode* AddNewNode(IShellFolder* folder, LPITEMIDLIST absoluteID, ui::TTreeNode* parentNode,
                                    LPITEMIDLIST relativeID);
  // The shell's own menu for the node's item at a screen point; true when it was shown.
  virtual bool ShowItemMenu(ui::TTreeNode* node, POINT screenPoint);

 private:
  bool PopulateNode(ui::TTreeNode* node);
  // The node's folder with a reference for the caller; nullptr when it cannot be opened.
  IShellFolder* BindNodeFolder(ui::TTreeNode* node, TFolderItemData* d);
  // Hands every item the tree would list to take, which owns it; true when there was any.
  bool EnumerateItems(IShellFolder* folder, const std::function<void(LPITEMIDLIST)>& take);
  // The item as a new child (its absolute list made here); frees it when no node is added.
  ui::TTreeNode* AddItem(IShellFolder* folder, ui::TTreeNode* parentNode, LPITEMIDLIST item);
  bool EnumerateFolder(IShellFolder* folder, ui::TTreeNode* parentNode);
  void ReconcileChildren(ui::TTreeNode* node, TFolderItemData* d);
  void ReadChildrenAgain(ui::TTreeNode* node);
  LPITEMIDLIST ParsePath(IShellFolder* folder, const std::string& path);
  IShellFolder* RootShellFolder();
  bool RenameItem(ui::TTreeNode* node, const std::string& typed);
  int ShellCompare(ui::TTreeNode* a, ui::TTreeNode* b);
  void SortChildrenOf(ui::TTreeNode* node);
  bool RightClick();

  IShellFolder* FDesktopFolder = nullptr;
  TPopupMenuMethod FPopupMenuMethod = pmmContext;
  TRootFolder FRootFolder = rfDesktop;
  std::string FCustomDir, FCustomDirCaption, FFileMask;
  bool FShowFiles = false, FShowHiddenDirs = true, FExpandRoot = true, FAutoscroll = false;
  std::string FPendingSelection;
  std::vector<std::string> FMasks;
};
