#include "SystemTreeView.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "KitItemProps.h"
#include "KitMasks.h"
#include "KitPidl.h"
#include "drag_drop.h"

UI_CLASSINFO(TKitSystemTreeView, UI_PROP(String, "Version", Version, SetVersion),
             UI_PROP_ENUM("PopupMenuMethod", PopupMenuMethod, SetPopupMenuMethod, "pmmNone", "pmmContext", "pmmUser",
                          "pmmContextUser"),
             UI_PROP(String, "Selection", Selection, SetSelection),
             UI_PROP(String, "Directory", Directory, SetDirectory),
             UI_PROP_ENUM("RootFolder", RootFolder, SetRootFolder, "rfDesktop", "rfRecycleBin", "rfControlPanel",
                          "rfDesktopDir", "rfDrives", "rfFavoriteURLs", "rfFonts", "rfNetHood", "rfNetHoodDir",
                          "rfDocumentDir", "rfPrinters", "rfPrograms", "rfRecentDir", "rfSendTo", "rfStartMenu",
                          "rfStartup", "rfTemplates", "rfFileSystem", "rfCustom"),
             UI_PROP(String, "CustomDir", CustomDir, SetCustomDir),
             UI_PROP(String, "CustomDirCaption", CustomDirCaption, SetCustomDirCaption),
             UI_PROP_BOOL("ShowFiles", ShowFiles, SetShowFiles),
             UI_PROP_BOOL("ShowHiddenDirs", ShowHiddenDirs, SetShowHiddenDirs),
             UI_PROP_BOOL("ExpandRoot", ExpandRoot, SetExpandRoot),
             UI_PROP_BOOL("Autoscroll", Autoscroll, SetAutoscroll),
             UI_PROP(String, "FileMask", FileMask, SetFileMask))

namespace {

constexpr ULONG kRequestedAttributes = 0xF20B0177;
constexpr ULONG kValidate = 0x01000000;
constexpr SHGDNF kRenameFlags = 0x20;

// Holds one reference of a shell interface.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* p) : FPtr(p) {}
  ~ComRef() {
    if (FPtr) FPtr->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  T** Out() { return &FPtr; }
  void** OutVoid() { return reinterpret_cast<void**>(&FPtr); }

 private:
  T* FPtr = nullptr;
};

// The item IDs a list holds before its terminator.
int ItemCount(LPCITEMIDLIST id) {
  int n = 0;
  for (LPCITEMIDLIST p = id; p && p->mkid.cb; p = NextPIDL(p)) ++n;
  return n;
}

// Whether the list begins with every item ID of prefix (an item under it, or the same item).
bool StartsWithList(LPCITEMIDLIST id, LPCITEMIDLIST prefix) {
  UINT bytes = GetPIDLSize(prefix) - 2;
  return GetPIDLSize(id) >= bytes + 2 && memcmp(id, prefix, bytes) == 0;
}

std::string FileNamePart(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.empty() ? path : name;
}

// The extension with its dot, '' when the name has none.
std::string ExtensionOf(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() &&
         CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, s.c_str(), int(prefix.size()), prefix.c_str(),
                        int(prefix.size())) == CSTR_EQUAL;
}

// The path, then each folder above it, longest first ("C:\a\b", "C:\a", "C:\").
std::vector<std::string> PathAndAncestors(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::string> result;
  for (size_t n = parts.size(); n > 0; --n) {
    std::string p;
    for (size_t i = 0; i < n; ++i) p += (i ? "\\" : "") + parts[i];
    if (n == 1 && p.size() == 2 && p[1] == ':') p += '\\';
    result.push_back(p);
  }
  return result;
}

// The item's file-system path, '' when it has none. A file-system item's parsing name is its path, and asking
// its folder is far quicker than resolving the whole list (seconds for a folder of thousands of files).
std::string FileSystemPath(IShellFolder* folder, LPCITEMIDLIST relativeID, LPCITEMIDLIST absoluteID,
                           ULONG attributes) {
  std::string path;
  if (attributes & SFGAO_FILESYSTEM) StrRetToString(folder, relativeID, nkForParsing, path);
  bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
  if (absolute && path.size() < MAX_PATH) return path;
  char buffer[MAX_PATH] = "";
  return absoluteID && SHGetPathFromIDListA(absoluteID, buffer) ? buffer : "";
}

}  // namespace

int RootFolderCsidl(TRootFolder root) {
  static const int csidl[] = {0, 10, 3, 16, 17, 6, 20, 18, 19, 5, 4, 2, 8, 9, 11, 7, 21, 17};
  return root >= rfDesktop && root < rfCustom ? csidl[root] : -1;
}

bool FolderHasListedChild(const std::string& folder, const std::vector<std::string>& masks) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool any = false;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    any = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || MatchesMaskList(name, masks);
  } while (!any && FindNextFileA(search, &found));
  FindClose(search);
  return any;
}

TKitSystemTreeView::TKitSystemTreeView(ui::TComponent* owner) : TKitCustomSystemTreeView(owner) {
  HRESULT hr = SHGetDesktopFolder(&FDesktopFolder);
  if (FAILED(hr) || !FDesktopFolder) throw EOleError("The desktop folder is not available.", hr);
  SetShowRoot(true);
  ParseFileMasks(FFileMask, FMasks);
}

TKitSystemTreeView::~TKitSystemTreeView() {
  if (FDesktopFolder) FDesktopFolder->Release();
}

void TKitSystemTreeView::Loaded() {
  TKitCustomSystemTreeView::Loaded();
  RebuildTree();
}

void TKitSystemTreeView::CreateWnd() {
  TKitCustomSystemTreeView::CreateWnd();
  // A new window for the same tree (check boxes toggled) keeps its nodes; only the first one reads the shell.
  if (!IsLoading() && Items().Count() == 0) RebuildTree();
}

void TKitSystemTreeView::SetRootFolder(TRootFolder v) {
  if (v == FRootFolder) return;
  FRootFolder = v;
  RebuildTree();
}

void TKitSystemTreeView::SetCustomDir(const std::string& v) {
  if (v == FCustomDir) return;
  FCustomDir = v;
  RebuildTree();
}

void TKitSystemTreeView::SetCustomDirCaption(const std::string& v) {
  FCustomDirCaption = v;
  if (ui::TTreeNode* root = Items().GetFirstNode())
    if (FRootFolder == rfCustom && !v.empty()) root->SetText(v);
}

void TKitSystemTreeView::SetShowFiles(bool v) {
  if (v == FShowFiles) return;
  FShowFiles = v;
  RebuildTree();
}

void TKitSystemTreeView::SetFileMask(const std::string& v) {
  FFileMask = v;
  ParseFileMasks(v, FMasks);
  RebuildTree();
}

// ---- building ----

void TKitSystemTreeView::RebuildTree() {
  if (!HandleAllocated() || IsLoading()) return;
  LPITEMIDLIST remembered = nullptr;
  bool wasExpanded = false;
  if (ui::TTreeNode* sel = Selected())
    if (TFolderItemData* d = NodeData(sel, false)) {
      remembered = CopyPIDL(d->AbsoluteID);
      wasExpanded = sel->Expanded();
    }
  LPITEMIDLIST rootAbsolute = nullptr;
  bool suppress = FSuppressChange;
  FSuppressChange = true;
  Items().BeginUpdate();
  try {
    SetSelected(nullptr);
    Items().Clear();

    LPITEMIDLIST root = nullptr;
    if (FRootFolder == rfCustom) {
      root = ParsePath(FDesktopFolder, FCustomDir);
    } else if (FAILED(SHGetSpecialFolderLocation(GetOwnerWindow(), RootFolderCsidl(FRootFolder), &root))) {
      root = nullptr;
    }
    if (root) {
      rootAbsolute = CopyPIDL(root);
      LPITEMIDLIST absolute = CopyPIDL(root);
      ui::TTreeNode* rootNode = AddNewNode(FDesktopFolder, absolute, nullptr, root);
      if (!rootNode) {
        FreePIDL(root);
        FreePIDL(absolute);
      } else if (FExpandRoot) {
        rootNode->Expand(false);
      }
    }

    if (!FPendingSelection.empty()) {
      std::string path;
      path.swap(FPendingSelection);
      SetSelectionPath(path);
    } else if (remembered && rootAbsolute && StartsWithList(remembered, rootAbsolute)) {
      // The remembered item relative to the root: past the root's own item IDs.
      LPITEMIDLIST rest = remembered;
      for (int n = ItemCount(rootAbsolute); n > 0 && rest && rest->mkid.cb; --n) rest = NextPIDL(rest);
      if (ui::TTreeNode* node = FindNodeByPIDL(rest)) {
        SetSelected(node);
        node->MakeVisible();
        if (wasExpanded && node->HasChildren()) node->Expand(false);
      }
    }
  } catch (...) {
    Items().EndUpdate();
    FreePIDL(remembered);
    FreePIDL(rootAbsolute);
    FSuppressChange = suppress;
    throw;
  }
  Items().EndUpdate();
  FreePIDL(remembered);
  FreePIDL(rootAbsolute);
  FSuppressChange = suppress;
  DelayedChange();
}

bool TKitSystemTreeView::CanExpand(ui::TTreeNode* node) {
  if (!TKitCustomSystemTreeView::CanExpand(node)) return false;
  bool allow = PopulateNode(node);
  if (allow) DoPopulated(node);
  else node->SetHasChildren(false);
  return allow;
}

bool TKitSystemTreeView::PopulateNode(ui::TTreeNode* node) {
  TFolderItemData* d = NodeData(node);
  if (!d || d->Populated) return true;
  d->Populated = true;
  ComRef<IShellFolder> folder(BindNodeFolder(node, d));
  // A folder gone from the disk meanwhile opens empty.
  if (!folder.Get()) return false;
  return EnumerateFolder(folder.Get(), node) || (!node->Parent() && FRootFolder == rfDesktop);
}

IShellFolder* TKitSystemTreeView::BindNodeFolder(ui::TTreeNode* node, TFolderItemData* d) {
  if (!node->Parent() && FRootFolder == rfDesktop) {
    FDesktopFolder->AddRef();
    return FDesktopFolder;
  }
  IShellFolder* folder = nullptr;
  if (FAILED(d->ParentFolder->BindToObject(d->RelativeID, nullptr, IID_IShellFolder,
                                           reinterpret_cast<void**>(&folder))))
    return nullptr;
  return folder;
}

bool TKitSystemTreeView::EnumerateItems(IShellFolder* folder, const std::function<void(LPITEMIDLIST)>& take) {
  DWORD flags = SHCONTF_FOLDERS;
  if (FShowHiddenDirs) flags |= SHCONTF_INCLUDEHIDDEN;
  if (FShowFiles) flags |= SHCONTF_NONFOLDERS;
  ComRef<IEnumIDList> items;
  HRESULT hr = folder->EnumObjects(GetOwnerWindow(), flags, items.Out());
  bool any = false;
  if (hr == S_OK && items.Get()) {
    LPITEMIDLIST item = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &item, &fetched) == S_OK && fetched == 1 && item) {
      any = true;
      take(item);
      item = nullptr;
    }
  }
  return any;
}

ui::TTreeNode* TKitSystemTreeView::AddItem(IShellFolder* folder, ui::TTreeNode* parentNode, LPITEMIDLIST item) {
  TFolderItemData* parentData = parentNode ? NodeData(parentNode, false) : nullptr;
  LPITEMIDLIST absolute = parentData ? ConcatPIDLs(parentData->AbsoluteID, item) : CopyPIDL(item);
  ui::TTreeNode* node = AddNewNode(folder, absolute, parentNode, item);
  if (!node) {
    FreePIDL(absolute);
    FreePIDL(item);
  }
  return node;
}

bool TKitSystemTreeView::EnumerateFolder(IShellFolder* folder, ui::TTreeNode* parentNode) {
  Items().BeginUpdate();
  THourGlass wait;
  bool any = false;
  try {
    any = EnumerateItems(folder, [&](LPITEMIDLIST item) { AddItem(folder, parentNode, item); });
  } catch (...) {
    Items().EndUpdate();
    throw;
  }
  Items().EndUpdate();
  return any;
}

ui::TTreeNode* TKitSystemTreeView::AddNewNode(IShellFolder* folder, LPITEMIDLIST absoluteID,
                                              ui::TTreeNode* parentNode, LPITEMIDLIST relativeID) {
  ULONG attributes = kValidate;
  folder->GetAttributesOf(0, nullptr, &attributes);
  attributes = kRequestedAttributes;
  LPCITEMIDLIST items[1] = {relativeID};
  if (FAILED(folder->GetAttributesOf(1, items, &attributes))) attributes = 0;

  std::string name, display;
  StrRetToString(folder, relativeID, nkNormal, display);
  bool extensionHidden = false;
  std::string path = FileSystemPath(folder, relativeID, absoluteID, attributes);
  if (!path.empty()) {
    name = FileNamePart(path);
    // Hidden only when the name has an extension its display name lacks (folders and bare names have none).
    std::string ext = ExtensionOf(name);
    extensionHidden = !ext.empty() && display == name.substr(0, name.size() - ext.size());
  } else {
    name = display;
  }

  if (name.size() > 1 && name[1] == ':' && GetDriveTypeA((name.substr(0, 2) + "\\").c_str()) == DRIVE_REMOVABLE)
    return nullptr;
  if (!parentNode && FRootFolder == rfCustom && !FCustomDirCaption.empty()) name = FCustomDirCaption;
  if (FRootFolder == rfFileSystem && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) return nullptr;
  if (!FFileMask.empty() && !(attributes & SFGAO_FOLDER) && !MatchesMaskList(name, FMasks)) return nullptr;

  auto* data = new TFolderItemData(folder, relativeID, absoluteID, attributes);
  data->ExtensionHidden = extensionHidden;
  ui::TTreeNode* node;
  try {
    node = Items().AddChildObject(parentNode, name, data);
  } catch (...) {
    data->RelativeID = data->AbsoluteID = nullptr;  // still the caller's
    delete data;
    throw;
  }
  if (attributes & SFGAO_LINK) node->SetOverlayIndex(1);
  else if (attributes & SFGAO_SHARE) node->SetOverlayIndex(0);
  node->SetHasChildren((attributes & SFGAO_HASSUBFOLDER) != 0);
  if (FShowFiles && !node->HasChildren() && (attributes & SFGAO_FOLDER) && !path.empty())
    node->SetHasChildren(FolderHasListedChild(path, FMasks));
  return node;
}

void TKitSystemTreeView::DoPopulated(ui::TTreeNode* node) {
  if (OnPopulated) OnPopulated(this, node);
}

// ---- paths ----

std::string TKitSystemTreeView::GetNodePath(ui::TTreeNode* node) const {
  auto* d = node ? static_cast<TFolderItemData*>(node->Data()) : nullptr;
  char path[MAX_PATH] = "";
  if (!d || !SHGetPathFromIDListA(d->AbsoluteID, path)) return "";
  return path;
}

std::string TKitSystemTreeView::GetSelectionPath() const {
  auto* self = const_cast<TKitSystemTreeView*>(this);
  if (!HandleAllocated()) return "";
  return GetNodePath(self->Selected());
}

std::string TKitSystemTreeView::Selection() const { return GetSelectionPath(); }

LPITEMIDLIST TKitSystemTreeView::ParsePath(IShellFolder* folder, const std::string& path) {
  // A longer path would be cut and could name another folder.
  if (path.empty() || path.size() >= MAX_PATH) return nullptr;
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return nullptr;
  LPITEMIDLIST id = nullptr;
  ULONG eaten = 0;
  if (FAILED(folder->ParseDisplayName(GetOwnerWindow(), nullptr, wide, &eaten, &id, nullptr))) return nullptr;
  return id;
}

IShellFolder* TKitSystemTreeView::RootShellFolder() {
  ui::TTreeNode* root = Items().GetFirstNode();
  TFolderItemData* d = root ? NodeData(root, false) : nullptr;
  if (!d) {
    FDesktopFolder->AddRef();
    return FDesktopFolder;
  }
  return BindNodeFolder(root, d);
}

void TKitSystemTreeView::SetSelectionPath(const std::string& path) {
  if (path.empty()) return;
  if (IsLoading() || !HandleAllocated()) {
    FPendingSelection = path;
    return;
  }
  ui::TTreeNode* root = Items().GetFirstNode();
  if (!root) return;
  if (!root->Expanded()) root->Expand(false);
  std::string relative = path;
  if (FRootFolder != rfDesktop && FRootFolder != rfDrives && FRootFolder != rfFileSystem) {
    std::string base = GetNodePath(root);
    if (base.empty()) base = root->Text();
    if (!base.empty() && base.back() != '\\') base += '\\';
    std::string full = path.back() == '\\' ? path : path + '\\';
    if (StartsWithNoCase(full, base)) relative = path.size() > base.size() ? path.substr(base.size()) : "";
  }
  ComRef<IShellFolder> folder(RootShellFolder());
  LPITEMIDLIST id = nullptr;
  // The deepest folder on the way that still parses: a vanished or garbled tail is passed over.
  if (folder.Get() && !relative.empty())
    for (const std::string& candidate : PathAndAncestors(relative))
      if ((id = ParsePath(folder.Get(), candidate)) != nullptr) break;
  Items().BeginUpdate();
  ui::TTreeNode* node = id ? FindNodeByPIDL(id) : root;
  if (node) {
    SetSelected(node);
    node->MakeVisible();
  }
  Items().EndUpdate();
  FreePIDL(id);
}

ui::TTreeNode* TKitSystemTreeView::FindNodeByPIDL(LPCITEMIDLIST id) {
  ui::TTreeNode* root = Items().GetFirstNode();
  if (!root || !id) return nullptr;
  if (!id->mkid.cb) return root;
  if (!root->Expanded()) root->Expand(false);
  ui::TTreeNode* found = root;
  auto rest = const_cast<LPITEMIDLIST>(id);
  ui::TTreeNode* child = root->GetFirstChild();
  while (child && rest && rest->mkid.cb) {
    TFolderItemData* d = NodeData(child, false);
    LPITEMIDLIST first = CopyFirstItemID(rest);
    bool same = d && first && short(LOWORD(d->ParentFolder->CompareIDs(0, d->RelativeID, first))) == 0;
    FreePIDL(first);
    if (!same) {
      child = child->GetNextSibling();
      continue;
    }
    found = child;
    rest = NextPIDL(rest);
    if (!rest || !rest->mkid.cb) break;
    child->Expand(false);
    child = child->GetFirstChild();
  }
  return found;
}

LPITEMIDLIST TKitSystemTreeView::SelectedPIDL() {
  TFolderItemData* d = NodeData(Selected(), false);
  return d ? d->AbsoluteID : nullptr;
}

void TKitSystemTreeView::RefreshNode(ui::TTreeNode* node) {
  if (!node) return;
  if (TFolderItemData* d = NodeData(node)) {
    d->Populated = true;
    ReconcileChildren(node, d);
  }
  DelayedChange();
}

// The children read again in place, with the window drawing on: those gone are removed, new ones added in the
// shell's order, and the ones still there kept with their own branches, so the expanded nodes, the selection
// and the view stay, and a change below a closed node shows nothing but its button.
void TKitSystemTreeView::ReconcileChildren(ui::TTreeNode* node, TFolderItemData* d) {
  struct TOwnedIDs {
    std::vector<LPITEMIDLIST> Items;
    ~TOwnedIDs() {
      for (LPITEMIDLIST& id : Items) FreePIDL(id);
    }
  } found;
  ComRef<IShellFolder> folder(BindNodeFolder(node, d));
  if (folder.Get()) EnumerateItems(folder.Get(), [&](LPITEMIDLIST item) { found.Items.push_back(item); });
  auto before = [&](LPCITEMIDLIST a, LPCITEMIDLIST b) { return short(LOWORD(folder->CompareIDs(0, a, b))) < 0; };
  if (folder.Get()) std::sort(found.Items.begin(), found.Items.end(), before);

  std::vector<bool> present(found.Items.size(), false);
  std::vector<ui::TTreeNode*> gone;
  for (ui::TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    TFolderItemData* cd = NodeData(child, false);
    auto at = cd ? std::lower_bound(found.Items.begin(), found.Items.end(), cd->RelativeID, before)
                 : found.Items.end();
    if (at != found.Items.end() && !before(cd->RelativeID, *at)) present[size_t(at - found.Items.begin())] = true;
    else gone.push_back(child);
  }

  ui::TTreeNode* top = TopItem();
  for (ui::TTreeNode* n = top; n && top; n = n->Parent())
    if (std::find(gone.begin(), gone.end(), n) != gone.end()) top = nullptr;
  for (ui::TTreeNode* child : gone) child->Delete();
  bool added = false;
  for (size_t i = 0; i < found.Items.size(); ++i) {
    if (present[i]) continue;
    LPITEMIDLIST item = found.Items[i];
    found.Items[i] = nullptr;
    added = AddItem(folder.Get(), node, item) || added;
  }
  if (added) SortChildrenOf(node);
  if (top && TopItem() != top) SetTopItem(top);
  node->SetHasChildren(node->Count() > 0);
  if (node->Count() > 0) DoPopulated(node);
}

void TKitSystemTreeView::ReadChildrenAgain(ui::TTreeNode* node) {
  bool wasExpanded = node->Expanded();
  node->DeleteChildren();
  if (TFolderItemData* d = NodeData(node)) d->Populated = false;
  node->SetHasChildren(true);
  if (PopulateNode(node)) {
    SortChildrenOf(node);
    DoPopulated(node);
    if (wasExpanded && !node->Expanded()) node->Expand(false);
  } else {
    node->SetHasChildren(false);
  }
  DelayedChange();
}

// ---- order ----

int TKitSystemTreeView::ShellCompare(ui::TTreeNode* a, ui::TTreeNode* b) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  TFolderItemData* da = NodeData(a, false);
  TFolderItemData* db = NodeData(b, false);
  if (!da || !db) return 0;
  // The shell's order is the signed low word of its answer.
  return short(LOWORD(da->ParentFolder->CompareIDs(0, da->RelativeID, db->RelativeID)));
}

void TKitSystemTreeView::SortChildrenOf(ui::TTreeNode* node) {
  if (node->Count() > 1)
    node->CustomSort([this](ui::TTreeNode* a, ui::TTreeNode* b, intptr_t) { return ShellCompare(a, b); }, 0);
}

void TKitSystemTreeView::Expand(ui::TTreeNode* node) {
  SortChildrenOf(node);
  TKitCustomSystemTreeView::Expand(node);
}

void TKitSystemTreeView::SortAllNodes() {
  if (!HandleAllocated()) return;
  CustomSort([this](ui::TTreeNode* a, ui::TTreeNode* b, intptr_t) { return ShellCompare(a, b); }, 0);
  for (ui::TTreeNode* n = Items().GetFirstNode(); n; n = n->GetNext())
    if (n->HasChildren()) SortChildrenOf(n);
}

// ---- icons ----

void TKitSystemTreeView::GetImageIndex(ui::TTreeNode* node) {
  TKitCustomSystemTreeView::GetImageIndex(node);
  TFolderItemData* d = NodeData(node, false);
  if (!d || node->ImageIndex() >= 0) return;
  // Asked once per node: both indexes are kept on it.
  int normal = -1, open = -1;
  GetShellIconIndexes(d->AbsoluteID, normal, open);
  if (open == 0 && normal != 0) open = normal;
  node->SetImageIndex(d->HasAttribute(SFGAO_FOLDER) ? normal : open);
  node->SetSelectedIndex(open);
}

void TKitSystemTreeView::GetSelectedIndex(ui::TTreeNode* node) {
  if (node->SelectedIndex() < 0) GetImageIndex(node);
  TKitCustomSystemTreeView::GetSelectedIndex(node);
}

// ---- editing ----

bool TKitSystemTreeView::CanEdit(ui::TTreeNode* node) {
  TFolderItemData* d = NodeData(node, false);
  return d && d->HasAttribute(SFGAO_CANRENAME) && TKitCustomSystemTreeView::CanEdit(node);
}

void TKitSystemTreeView::Edit(ui::TTreeNode* node, std::string& s) {
  if (!RenameItem(node, s)) {
    s = node->Text();
    return;
  }
  // The name the item now has on disk, a kept extension included.
  std::string path = GetNodePath(node);
  if (!path.empty()) s = FileNamePart(path);
  TKitCustomSystemTreeView::Edit(node, s);
}

bool TKitSystemTreeView::RenameItem(ui::TTreeNode* node, const std::string& typed) {
  TFolderItemData* d = NodeData(node);
  if (!d || typed.empty() || typed == node->Text()) return false;
  std::string oldPath = GetNodePath(node);
  std::string name = typed;
  // The shell puts a hidden extension back itself.
  std::string hiddenExt = d->ExtensionHidden ? ExtensionOf(FileNamePart(oldPath)) : "";
  if (d->ExtensionHidden) {
    std::string ext = ExtensionOf(name);
    if (!ext.empty()) name.erase(name.size() - ext.size());
  }
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH)) return false;
  LPITEMIDLIST newID = nullptr;
  if (FAILED(d->ParentFolder->SetNameOf(GetOwnerWindow(), d->RelativeID, wide, kRenameFlags, &newID)))
    return false;
  if (!newID) {
    ComRef<IShellFolder> folder;
    d->ParentFolder->AddRef();
    *folder.Out() = d->ParentFolder;
    newID = ParsePath(folder.Get(), name + hiddenExt);
  }
  if (!newID) return false;
  d->SetRelativeID(newID);
  TFolderItemData* parentData = node->Parent() ? NodeData(node->Parent(), false) : nullptr;
  d->SetAbsoluteID(parentData ? ConcatPIDLs(parentData->AbsoluteID, newID) : CopyPIDL(newID));
  // Children hold the old path in their lists: read them all again.
  if (d->Populated) ReadChildrenAgain(node);
  return true;
}

// ---- mouse ----

bool TKitSystemTreeView::AutoScrollAt(int x, int y) { return ui::ScrollNearEdges(this, x, y); }

bool TKitSystemTreeView::ShowItemMenu(ui::TTreeNode* node, POINT screenPoint) {
  TFolderItemData* d = NodeData(node);
  if (!d) return false;
  LPCITEMIDLIST items[1] = {d->RelativeID};
  bool rename = false;
  bool shown = DisplayContextMenu(d->ParentFolder, items, d->Attributes, rename, 1, screenPoint, GetOwnerWindow());
  // The node is still the selected one unless the command took it away meanwhile.
  if (rename && Selected() == node) node->EditText();
  return shown;
}

bool TKitSystemTreeView::RightClick() {
  if (FPopupMenuMethod != pmmContext && FPopupMenuMethod != pmmContextUser) return false;
  DWORD pos = GetMessagePos();
  POINT screen{short(LOWORD(pos)), short(HIWORD(pos))};
  POINT p = screen;
  ScreenToClient(Handle(), &p);
  ui::TTreeNode* node = GetNodeAt(p.x, p.y);
  if (!node) return false;
  SetSelected(node);
  return ShowItemMenu(node, screen);
}

bool TKitSystemTreeView::ContextPopup(LPARAM screenPoint) {
  return (FPopupMenuMethod == pmmUser || FPopupMenuMethod == pmmContextUser) &&
         TKitCustomSystemTreeView::ContextPopup(screenPoint);
}

void TKitSystemTreeView::WndProc(ui::TMessage& m) {
  if (m.Msg == ui::CN_NOTIFY && reinterpret_cast<NMHDR*>(m.LParam)->code == UINT(NM_RCLICK)) {
    if (RightClick()) {
      m.Result = 1;
      return;
    }
  } else if (m.Msg == WM_CONTEXTMENU && FPopupMenuMethod != pmmUser && FPopupMenuMethod != pmmContextUser) {
    return;  // the component's own menu is not offered
  }
  TKitCustomSystemTreeView::WndProc(m);
}
