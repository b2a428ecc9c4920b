#pragma once
// TKitCustomSystemTreeView: a tree view of shell items with the system's small icons, a selection change that
// can wait ReadDelay ms before it is acted on, a rebuild when a drive comes or goes, and the per-node record
// of the shell item behind each node.
#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <string>

#include "image_list.h"
#include "tree_view.h"
#include "ui_exceptions.h"

// A shell call that had to succeed failed.
class EOleError : public ui::Exception {
 public:
  EOleError(const std::string& message, HRESULT code) : Exception(message), ErrorCode(code) {}
  HRESULT ErrorCode;
};

// The shell item behind one node; the tree owns it through the node's Data.
class TFolderItemData {
 public:
  // Takes both lists and a reference of its own to the folder.
  TFolderItemData(IShellFolder* parentFolder, LPITEMIDLIST relativeID, LPITEMIDLIST absoluteID, ULONG attributes);
  ~TFolderItemData();
  TFolderItemData(const TFolderItemData&) = delete;
  TFolderItemData& operator=(const TFolderItemData&) = delete;

  bool HasAttribute(ULONG bits) const { return (Attributes & bits) != 0; }
  // Frees the old list and takes the new one.
  void SetRelativeID(LPITEMIDLIST id);
  void SetAbsoluteID(LPITEMIDLIST id);

  bool Populated = false;
  IShellFolder* ParentFolder;
  ULONG Attributes;
  bool ExtensionHidden = false;
  LPITEMIDLIST RelativeID;
  LPITEMIDLIST AbsoluteID;
};

// Records alive now, over every tree.
int FolderItemDataCount();
// The diagnostic the program leaves at its end while records are alive; '' when none is.
std::string FolderDataLeakReport();

class TKitCustomSystemTreeView : public ui::TTreeView {
  UI_CLASS(TKitCustomSystemTreeView, ui::TTreeView)
 public:
  explicit TKitCustomSystemTreeView(ui::TComponent* owner);
  ~TKitCustomSystemTreeView() override;

  // Milliseconds a selection change waits before DelayedChange; 0 acts at once.
  WORD ReadDelay() const { return FReadDelay; }
  void SetReadDelay(WORD v) { FReadDelay = v; }
  // The id of the running change timer, 0 for none.
  UINT_PTR ChangeTimer() const { return FChangeTimer; }

  // The window shell calls report to.
  virtual HWND GetOwnerWindow();
  virtual void RebuildTree() {}
  // Rebuilds every live tree (a drive came or went).
  static void RebuildAll();

  void WndProc(ui::TMessage& message) override;

 protected:
  virtual void InitImages();
  virtual void DelayedChange() {}
  void Change(ui::TTreeNode* node) override;
  void Destroying() override;
  // The node's record, nullptr (after an error box) when it has none.
  TFolderItemData* NodeData(ui::TTreeNode* node, bool complain = true);
  // Frees a node's record and clears the node's Data.
  void FreeNodeData(ui::TTreeNode* node);
  void Delete(ui::TTreeNode* node) override;

  bool FSuppressChange = true;
  bool FDestroying = false;

 private:
  static void CALLBACK ChangeTimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void KillChangeTimer();

  WORD FReadDelay = 500;
  UINT_PTR FChangeTimer = 0;
  std::unique_ptr<ui::TImageList> FSystemImages;
};

// Shows the hourglass cursor while it lives.
class THourGlass {
 public:
  THourGlass();
  ~THourGlass();
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;

 private:
  ui::TCursor FSaved;
};
